#pragma once
// The base of every persistent object: one Exchange operation for both directions, and loading
// and saving a whole file of the store.
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/error_code.h"

namespace ferrow {

class CXmlNode;

enum class XmlLoadStatus {
  kLoaded,
  kNoFile,      // nothing at that path: a first start
  kUnreadable,  // the file exists but cannot be read (permissions, I/O error, far too large)
  kMalformed,   // the file was read but is not a complete stored tree (truncated, garbage)
};

class CXmlObject {
 public:
  virtual ~CXmlObject() = default;

  // store true: write the fields into the (empty) element; false: read them back from it.
  virtual void Exchange(bool store, CXmlNode& node) = 0;

  // True only when the whole file was read and handed to Exchange. On every failure the object
  // keeps what it held before.
  bool Load(const std::filesystem::path& path);
  // Tells a missing file apart from one that exists but cannot be used, so that the caller never
  // overwrites a damaged file with defaults.
  XmlLoadStatus LoadDetailed(const std::filesystem::path& path);

  // Replaces the file as a whole (temporary file and rename), so a failed save, including one on
  // a character that has no byte in the stored encoding, leaves the previous file intact.
  bool Save(const std::filesystem::path& path);

  // The error of the last failed Load or Save (category 0), 0 after a success.
  ErrorValue GetLastError() const { return m_lastError; }

  // Files larger than this are not ours; reading them is refused rather than attempted.
  static constexpr size_t kMaxFileSize = 64 * 1024 * 1024;

 protected:
  CXmlObject() = default;
  CXmlObject(const CXmlObject&) = default;
  CXmlObject& operator=(const CXmlObject&) = default;

  // The data files hold passwords (settings, sites) or URLs that may carry them (downloads,
  // history, folder entries), so they are readable and writable by the user only.
  virtual FileAccess GetFileAccess() const { return FileAccess::kOwnerOnly; }

 private:
  ErrorValue m_lastError = 0;
};

}  // namespace ferrow
