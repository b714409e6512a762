#pragma once
// A block of named shared memory (POSIX shm_open) mapped read-write, shared by every process of
// the user that opens the same name. The name is made private to the user by adding the user
// id, and an object of that name owned by anyone else is refused. New memory is zero.
#include <cstddef>
#include <string>

#include "platform/error_code.h"

namespace ferrow {

class CSharedMemory {
 public:
  CSharedMemory() = default;
  // Unmaps the view; the named object stays for the other processes.
  ~CSharedMemory();
  CSharedMemory(const CSharedMemory&) = delete;
  CSharedMemory& operator=(const CSharedMemory&) = delete;

  // Creates or opens the object "name" (letters, digits and '-') of at least size bytes and
  // maps size bytes of it. Returns 0 or the packed system error.
  ErrorValue Create(const std::string& name, size_t size);
  void Close();
  // Removes the name (the memory lives on while mapped); for tests that must leave nothing.
  static void Remove(const std::string& name);

  bool IsOpen() const { return m_view != nullptr; }
  unsigned char* Data() const { return m_view; }
  size_t Size() const { return m_size; }

 private:
  unsigned char* m_view = nullptr;
  size_t m_size = 0;
};

}  // namespace ferrow
