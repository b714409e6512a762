#pragma once
// Files by path and by handle. Paths are wide text, converted to the locale's character set at
// this edge. Failures are packed category-0 error values (Windows numbering).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/error_code.h"

namespace ferrow {

class CFile {
 public:
  enum class Mode {
    kRead,       // existing file, read only
    kReadWrite,  // existing file, read and write, not truncated; other handles may share it
    kCreate,     // read and write; created, or truncated to 0 when it exists
    // An existing regular file of this user, read and write, never opened through a symbolic
    // link; anything else at the path fails (kFileNotFound when there is nothing).
    kReadWriteOwned,
    // Read and write: an existing regular file of this user as it is; when there is none, or
    // something else is at the path (a link, a FIFO, an empty folder, another user's file,
    // removed first), a new empty file. Never opens through a link.
    kOpenOrCreateOwned,
    // As kOpenOrCreateOwned, and emptied.
    kReplace,
  };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  CFile(CFile&& other) noexcept;
  CFile& operator=(CFile&& other) noexcept;

  // Opens the file; on failure returns the error and the object stays closed.
  ErrorValue Open(const std::wstring& path, Mode mode);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  int Handle() const { return m_fd; }

  // Reads or writes at an offset without moving a shared file position, so several threads
  // may use one handle. Writes are complete or fail; reads stop early only at the end of file.
  ErrorValue ReadAt(uint64_t offset, void* buffer, size_t size, size_t& read);
  ErrorValue WriteAt(uint64_t offset, const void* data, size_t size);
  ErrorValue SetLength(uint64_t length);
  ErrorValue GetLength(uint64_t& length) const;
  ErrorValue Flush();
  // An exclusive advisory lock on the open file, without waiting. It holds until this handle
  // is closed, also across a rename. Fails with kLockViolation while another handle (of this
  // or another process) holds it.
  ErrorValue TryLock();
  // A second handle to the same open file (its lock, position and flags shared), so that a
  // file opened and checked once need not be found by its path again.
  ErrorValue Duplicate(CFile& copy) const;

 private:
  ErrorValue OpenOwned(const std::string& path);
  ErrorValue OpenOrCreateOwned(const std::string& path);

  int m_fd = -1;
};

// Operations by path; each returns 0 on success or the packed error.
ErrorValue DeleteFileAt(const std::wstring& path);
// Removes a file, link or special file, or an empty folder; never follows a link.
ErrorValue RemoveEntry(const std::wstring& path);
// Replaces an existing target.
ErrorValue RenameFile(const std::wstring& from, const std::wstring& to);
// Creates one directory level; the parent must exist. An existing directory is success.
ErrorValue CreateDirectoryAt(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// What is at a path, without following a link; the length too for a regular file of this user.
enum class EntryKind { kNone, kOwnedFile, kFolder, kOther };
EntryKind GetEntryKind(const std::wstring& path, uint64_t* length = nullptr);

// The native spelling of a path (what the system calls take).
std::string NativePath(const std::wstring& path);

}  // namespace ferrow
