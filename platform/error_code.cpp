#include "platform/error_code.h"

#include <netdb.h>

#include <cerrno>

namespace ferrow {

uint16_t SystemCodeFromErrno(int err) {
  switch (err) {
    case 0:
      return SystemCode::kSuccess;
    case ENOENT:
      return SystemCode::kFileNotFound;
    case ENOTDIR:
      return SystemCode::kPathNotFound;
    case EMFILE:
    case ENFILE:
      return SystemCode::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
      return SystemCode::kAccessDenied;
    case EBADF:
      return SystemCode::kInvalidHandle;
    case ENOMEM:
      return SystemCode::kNotEnoughMemory;
    case EROFS:
      return SystemCode::kWriteProtect;
    case EIO:
      return SystemCode::kIoDevice;
    case ETXTBSY:
      return SystemCode::kSharingViolation;
    case ENOSPC:
    case EDQUOT:
      return SystemCode::kDiskFull;
    case EFBIG:
      return SystemCode::kFileTooLarge;
    case EEXIST:
      return SystemCode::kAlreadyExists;
    case EINVAL:
      return SystemCode::kInvalidParameter;
    case EPIPE:
      return SystemCode::kBrokenPipe;
    case ENAMETOOLONG:
      return SystemCode::kFilenameTooLong;
    case ENOTEMPTY:
      return SystemCode::kDirNotEmpty;
    case EBUSY:
      return SystemCode::kBusy;
    case EISDIR:
      return SystemCode::kAccessDenied;
    case ELOOP:
      return SystemCode::kInvalidName;
    case ECANCELED:
      return SystemCode::kCancelled;
    case ENOTSUP:
      return SystemCode::kNotSupported;
    default:
      return SystemCode::kInvalidFunction;
  }
}

uint16_t SocketCodeFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case EINTR:
      return SocketCode::kInterrupted;
    case EBADF:
      return SocketCode::kBadHandle;
    case EACCES:
    case EPERM:
      return SocketCode::kAccessDenied;
    case EFAULT:
      return SocketCode::kFault;
    case EINVAL:
      return SocketCode::kInvalidArgument;
    case EMFILE:
    case ENFILE:
      return SocketCode::kTooManySockets;
    case EAGAIN:
      return SocketCode::kWouldBlock;
    case EINPROGRESS:
    case EALREADY:
      return SocketCode::kInProgress;
    case ENOTSOCK:
      return SocketCode::kNotSocket;
    case EMSGSIZE:
      return SocketCode::kMessageSize;
    case EAFNOSUPPORT:
      return SocketCode::kAddressFamily;
    case EADDRINUSE:
      return SocketCode::kAddressInUse;
    case EADDRNOTAVAIL:
      return SocketCode::kAddressNotAvailable;
    case ENETDOWN:
      return SocketCode::kNetworkDown;
    case ENETUNREACH:
      return SocketCode::kNetworkUnreachable;
    case ENETRESET:
      return SocketCode::kNetworkReset;
    case ECONNABORTED:
      return SocketCode::kConnectionAborted;
    case ECONNRESET:
    case EPIPE:
      return SocketCode::kConnectionReset;
    case ENOBUFS:
    case ENOMEM:
      return SocketCode::kNoBuffers;
    case EISCONN:
      return SocketCode::kIsConnected;
    case ENOTCONN:
      return SocketCode::kNotConnected;
    case ESHUTDOWN:
      return SocketCode::kShutdown;
    case ETIMEDOUT:
      return SocketCode::kTimedOut;
    case ECONNREFUSED:
      return SocketCode::kConnectionRefused;
    case EHOSTDOWN:
      return SocketCode::kHostDown;
    case EHOSTUNREACH:
      return SocketCode::kHostUnreachable;
    default:
      return SocketCode::kConnectionReset;
  }
}

uint16_t SocketCodeFromLookup(int eaiError) {
  switch (eaiError) {
    case EAI_AGAIN:
      return SocketCode::kTryAgain;
    case EAI_FAIL:
      return SocketCode::kNoRecovery;
    case EAI_MEMORY:
      return SocketCode::kNoBuffers;
    // "No such name" and "no data" both mean the host is unknown; the program stores them alike.
    default:
      return SocketCode::kHostNotFound;
  }
}

ErrorValue LastSystemError() {
  return MakeError(kCategorySystem, SystemCodeFromErrno(errno));
}

}  // namespace ferrow
