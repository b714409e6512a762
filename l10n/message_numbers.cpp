#include "l10n/message_numbers.h"

#include "platform/error_code.h"

namespace ferrow::Msg {

std::vector<uint32_t> UsedMessageNumbers() {
  std::vector<uint32_t> numbers = {kFolderPrograms,
                                   kFolderArchives,
                                   kFolderMusic,
                                   kFolderVideo,
                                   kSitesRoot,
                                   kNewSiteName,
                                   kTrayTip,
                                   kTrayTipBusy,
                                   kStatusDownloads,
                                   kStatusSpeed,
                                   kAdBar,
                                   kImportFilter,
                                   kLanguageNextStart,
                                   kAskNewVersion,
                                   kAskDeleteSites,
                                   kAskExitRunning,
                                   kAskAddAgain,
                                   kValueOutOfRange,
                                   kSeconds,
                                   kMinutesSeconds,
                                   kHoursMinutes,
                                   kHours,
                                   kCannotCreateFolder,
                                   kScannerFailed,
                                   kCannotOpenFile,
                                   kCannotSaveFile,
                                   kDataFileSetAside,
                                   kHelpFailed,
                                   kPluginFailed,
                                   kUnknownError};
  for (uint32_t number = kColumnName; number <= kColumnLast; ++number) numbers.push_back(number);
  for (uint32_t number = kPeriodFirst; number <= kPeriodLast; ++number) numbers.push_back(number);
  for (uint32_t number : {kPaneDownloads,    kPaneFolders,        kPaneHistory,
                          kPaneExplorer, kFolderRoot, kNewFolderName,         kLogConnecting,
                          kLogStopped,       kLogFailed,          kIndicatorClose,
                          kIndicatorHangup,  kIndicatorShutdown,  kConnectionUp,
                          kConnectionDown,   kAskDeleteDownloads, kAskDeleteFolders,
                          kAskDeleteHistory, kAskDeleteFiles,     kBadFileName,
                          kBadUrl,           kBadFolderName})
    numbers.push_back(number);
  for (uint32_t status = 0; status <= 7; ++status) numbers.push_back(kStatusFirst + status);
  for (uint32_t type = 0; type <= 3; ++type) numbers.push_back(kEntryTypeFirst + type);

  using namespace SystemCode;
  for (uint16_t code : {kInvalidFunction,
                        kFileNotFound,
                        kPathNotFound,
                        kTooManyOpenFiles,
                        kAccessDenied,
                        kInvalidHandle,
                        kNotEnoughMemory,
                        kInvalidData,
                        kWriteProtect,
                        kReadFault,
                        kSharingViolation,
                        kLockViolation,
                        kHandleDiskFull,
                        kNotSupported,
                        kFileExists,
                        kInvalidParameter,
                        kBrokenPipe,
                        kDiskFull,
                        kInvalidName,
                        kDirNotEmpty,
                        kBusy,
                        kAlreadyExists,
                        kFilenameTooLong,
                        kFileTooLarge,
                        kDirectory,
                        kFileInvalid,
                        kIoDevice,
                        kCancelled,
                        kTooManyLinks,
                        kUnrecognizedScheme,
                        kInstanceChannelFailedCode,
                        kUrlBlockFailedCode,
                        kLanguageLoadFailedCode})
    numbers.push_back(kSystemErrorBase + code);

  using namespace SocketCode;
  for (uint16_t code : {kInterrupted,
                        kBadHandle,
                        SocketCode::kAccessDenied,
                        kFault,
                        kInvalidArgument,
                        kTooManySockets,
                        kWouldBlock,
                        kInProgress,
                        kNotSocket,
                        kMessageSize,
                        kAddressFamily,
                        kAddressInUse,
                        kAddressNotAvailable,
                        kNetworkDown,
                        kNetworkUnreachable,
                        kNetworkReset,
                        kConnectionAborted,
                        kConnectionReset,
                        kNoBuffers,
                        kIsConnected,
                        kNotConnected,
                        kShutdown,
                        kTimedOut,
                        kConnectionRefused,
                        kHostDown,
                        kHostUnreachable,
                        kDisconnected,
                        kHostNotFound,
                        kTryAgain,
                        kNoRecovery,
                        kNoData})
    numbers.push_back(code - kSocketErrorOffset);

  for (uint32_t reply : {110, 120, 125, 150, 200, 202, 211, 212, 213, 214, 215, 220, 221, 225,
                         226, 227, 230, 250, 257, 331, 332, 350, 421, 425, 426, 430, 450, 451,
                         452, 500, 501, 502, 503, 504, 530, 532, 550, 551, 552, 553})
    numbers.push_back(kFtpReplyBase + reply);

  for (uint32_t status : {200, 201, 202, 203, 204, 205, 206, 300, 301, 302, 303, 304, 305, 307,
                          308, 400, 401, 402, 403, 404, 405, 406, 407, 408, 409, 410, 411, 412,
                          413, 414, 415, 416, 417, 429, 500, 501, 502, 503, 504, 505})
    numbers.push_back(kHttpStatusBase + status);

  // A SOCKS failure is 700 plus the refusing reply byte read as signed: 699 is "no acceptable
  // method" (0xFF), 700 a reply that is not SOCKS 5, 701..708 the standard reply codes.
  for (uint32_t code = 699; code <= 708; ++code) numbers.push_back(kSocksErrorBase + code);
  for (uint16_t code : {TlsCode::kNotTrusted, TlsCode::kExpired, TlsCode::kWrongHost,
                        TlsCode::kHandshake, TlsCode::kNotYetValid})
    numbers.push_back(kTlsErrorBase + code);
  return numbers;
}

}  // namespace ferrow::Msg
