#pragma once
// Whole-file reads and crash-safe whole-file replacement for the program's data files.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/error_code.h"

namespace ferrow {

enum class FileAccess {
  kShared,     // the user's umask decides; an existing file's permissions are kept
  kOwnerOnly,  // readable and writable by the user only (files holding passwords)
};

// Creates every missing folder along the path, then writes the bytes to a temporary file in the
// same folder, flushes it to disk and renames it over the target. Any failure returns false, sets
// *error (when given) and leaves the previous file exactly as it was.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileAccess access = FileAccess::kShared, ErrorValue* error = nullptr);

enum class ReadFileResult {
  kRead,
  kNotFound,  // no such file (or a folder along the path is missing)
  kFailed,    // the file exists but could not be read, or is larger than the limit
};

ReadFileResult ReadWholeFile(const std::filesystem::path& path, std::string& out, size_t maxBytes,
                             ErrorValue* error = nullptr);

}  // namespace ferrow
