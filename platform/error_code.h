#pragma once
// Packed error values: category in the high 16 bits, code in the low 16 bits, 0 = no error.
// Stored errors, retry rules and language files use the Windows and Winsock numbers on every
// platform, so the operating system's errno values are mapped here and nowhere else.
#include <cstdint>

namespace ferrow {

using ErrorValue = uint32_t;

enum ErrorCategory : uint16_t {
  kCategorySystem = 0,  // system error codes (Windows numbering)
  kCategorySocket = 1,  // socket error codes (Winsock numbering)
  kCategoryFtp = 2,     // FTP reply codes
  kCategoryHttp = 3,    // HTTP status codes
  kCategorySocks = 4,   // SOCKS negotiation failures
  kCategoryTls = 5,     // an encrypted connection could not be made safely
};

constexpr ErrorValue MakeError(uint16_t category, uint16_t code) {
  return (static_cast<ErrorValue>(category) << 16) | code;
}
constexpr uint16_t ErrorCategoryOf(ErrorValue value) {
  return static_cast<uint16_t>(value >> 16);
}
constexpr uint16_t ErrorCodeOf(ErrorValue value) {
  return static_cast<uint16_t>(value & 0xFFFF);
}

// System error codes the program produces (category 0).
namespace SystemCode {
constexpr uint16_t kSuccess = 0;
constexpr uint16_t kInvalidFunction = 1;
constexpr uint16_t kFileNotFound = 2;
constexpr uint16_t kPathNotFound = 3;
constexpr uint16_t kTooManyOpenFiles = 4;
constexpr uint16_t kAccessDenied = 5;
constexpr uint16_t kInvalidHandle = 6;
constexpr uint16_t kNotEnoughMemory = 8;
constexpr uint16_t kInvalidData = 13;  // a server's data breaks its own format
constexpr uint16_t kWriteProtect = 19;
constexpr uint16_t kReadFault = 30;
constexpr uint16_t kSharingViolation = 32;
constexpr uint16_t kLockViolation = 33;  // another process holds the file's lock
constexpr uint16_t kHandleDiskFull = 39;
constexpr uint16_t kNotSupported = 50;
constexpr uint16_t kFileExists = 80;
constexpr uint16_t kInvalidParameter = 87;
constexpr uint16_t kBrokenPipe = 109;
constexpr uint16_t kDiskFull = 112;
constexpr uint16_t kInvalidName = 123;
constexpr uint16_t kDirNotEmpty = 145;
constexpr uint16_t kBusy = 170;
constexpr uint16_t kAlreadyExists = 183;
constexpr uint16_t kFilenameTooLong = 206;
constexpr uint16_t kFileTooLarge = 223;
constexpr uint16_t kDirectory = 267;
constexpr uint16_t kFileInvalid = 1006;  // the file changed under the operation
constexpr uint16_t kIoDevice = 1117;
constexpr uint16_t kCancelled = 1223;
constexpr uint16_t kTooManyLinks = 1142;
constexpr uint16_t kUnrecognizedScheme = 12006;  // an address Ferrow cannot fetch
}  // namespace SystemCode

// Socket error codes (category 1).
namespace SocketCode {
constexpr uint16_t kInterrupted = 10004;
constexpr uint16_t kBadHandle = 10009;
constexpr uint16_t kAccessDenied = 10013;
constexpr uint16_t kFault = 10014;
constexpr uint16_t kInvalidArgument = 10022;
constexpr uint16_t kTooManySockets = 10024;
constexpr uint16_t kWouldBlock = 10035;
constexpr uint16_t kInProgress = 10036;
constexpr uint16_t kNotSocket = 10038;
constexpr uint16_t kMessageSize = 10040;
constexpr uint16_t kAddressFamily = 10047;
constexpr uint16_t kAddressInUse = 10048;
constexpr uint16_t kAddressNotAvailable = 10049;
constexpr uint16_t kNetworkDown = 10050;
constexpr uint16_t kNetworkUnreachable = 10051;
constexpr uint16_t kNetworkReset = 10052;
constexpr uint16_t kConnectionAborted = 10053;
constexpr uint16_t kConnectionReset = 10054;
constexpr uint16_t kNoBuffers = 10055;
constexpr uint16_t kIsConnected = 10056;
constexpr uint16_t kNotConnected = 10057;
constexpr uint16_t kShutdown = 10058;
constexpr uint16_t kTimedOut = 10060;
constexpr uint16_t kConnectionRefused = 10061;
constexpr uint16_t kHostDown = 10064;
constexpr uint16_t kHostUnreachable = 10065;
constexpr uint16_t kDisconnected = 10101;  // the peer closed the connection in good order
constexpr uint16_t kHostNotFound = 11001;
constexpr uint16_t kTryAgain = 11002;
constexpr uint16_t kNoRecovery = 11003;
constexpr uint16_t kNoData = 11004;
}  // namespace SocketCode

// TLS failures (category 5). None is retried: another attempt meets the same certificate.
namespace TlsCode {
constexpr uint16_t kNotTrusted = 1;   // the chain does not lead to a trusted certificate
constexpr uint16_t kExpired = 2;      // a certificate of the chain has expired
constexpr uint16_t kWrongHost = 3;    // the certificate names another host
constexpr uint16_t kHandshake = 4;    // no common protocol, not TLS at all, or a broken handshake
constexpr uint16_t kNotYetValid = 5;  // a certificate of the chain is not valid yet
}  // namespace TlsCode

// Maps an errno value to the system error code of the same meaning (category 0).
uint16_t SystemCodeFromErrno(int err);
// Maps an errno value from a socket call to the socket error code (category 1); 0 stays 0.
uint16_t SocketCodeFromErrno(int err);
// Maps a getaddrinfo result (EAI_*) to the socket error code of a failed name lookup.
uint16_t SocketCodeFromLookup(int eaiError);

// The current errno as a packed category-0 error value.
ErrorValue LastSystemError();

}  // namespace ferrow
