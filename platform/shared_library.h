#pragma once
// A shared library loaded at run time (dlopen), for functions looked up by name.
#include <string>

namespace ferrow {

class CSharedLibrary {
 public:
  CSharedLibrary() = default;
  ~CSharedLibrary();
  CSharedLibrary(const CSharedLibrary&) = delete;
  CSharedLibrary& operator=(const CSharedLibrary&) = delete;

  // Loads the library at exactly this path (no search), resolving all its symbols now. False
  // with Error() set when it cannot be loaded.
  bool Load(const std::wstring& path);
  bool IsLoaded() const { return m_handle != nullptr; }
  // The address of an exported symbol; null when there is none.
  void* Find(const char* name) const;
  // Releases the library; the addresses found are invalid afterwards.
  void Unload();
  // The loader's reason for the last failure.
  const std::string& Error() const { return m_error; }

 private:
  void* m_handle = nullptr;
  std::string m_error;
};

}  // namespace ferrow
