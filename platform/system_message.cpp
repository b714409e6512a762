#include "platform/system_message.h"

#include <cerrno>
#include <cstring>

#include "platform/error_code.h"
#include "platform/text.h"

namespace ferrow {
namespace {

// The errno whose meaning the code stands for: the reverse of SystemCodeFromErrno.
int ErrnoFor(uint16_t code) {
  switch (code) {
    case SystemCode::kFileNotFound:
      return ENOENT;
    case SystemCode::kPathNotFound:
      return ENOTDIR;
    case SystemCode::kTooManyOpenFiles:
      return EMFILE;
    case SystemCode::kAccessDenied:
      return EACCES;
    case SystemCode::kInvalidHandle:
      return EBADF;
    case SystemCode::kNotEnoughMemory:
      return ENOMEM;
    case SystemCode::kWriteProtect:
      return EROFS;
    case SystemCode::kIoDevice:
    case SystemCode::kReadFault:
      return EIO;
    case SystemCode::kSharingViolation:
      return ETXTBSY;
    case SystemCode::kHandleDiskFull:
    case SystemCode::kDiskFull:
      return ENOSPC;
    case SystemCode::kNotSupported:
      return ENOTSUP;
    case SystemCode::kFileExists:
    case SystemCode::kAlreadyExists:
      return EEXIST;
    case SystemCode::kInvalidParameter:
      return EINVAL;
    case SystemCode::kBrokenPipe:
      return EPIPE;
    case SystemCode::kInvalidName:
      return ELOOP;
    case SystemCode::kDirNotEmpty:
      return ENOTEMPTY;
    case SystemCode::kBusy:
      return EBUSY;
    case SystemCode::kFilenameTooLong:
      return ENAMETOOLONG;
    case SystemCode::kDirectory:
      return ENOTDIR;
    case SystemCode::kCancelled:
      return ECANCELED;
    case SystemCode::kTooManyLinks:
      return EMLINK;
    default:
      return 0;
  }
}

}  // namespace

std::wstring SystemErrorMessage(uint16_t code) {
  // The code the start-up reports when no language file could be read; the system has no text
  // of its own for it on this platform.
  if (code == 1815) return L"The language file could not be loaded.";
  int err = ErrnoFor(code);
  if (err == 0) return L"";
  char buffer[256];
  const char* text = strerror_r(err, buffer, sizeof buffer);  // GNU variant
  return text ? LocalToWide(text) : std::wstring();
}

}  // namespace ferrow
