#pragma once
// The file operations of a protocol client, shared by every protocol: prepare the temporary
// file, download all parts, receive one part, finish the file, and the retry decision. The
// client's virtual operations of the same names call these; a client only supplies the
// protocol steps (Connect, Login, QueryInformation, ProbeResume, OpenData, Clone).
//
// The master description is the first of the transfer's table of 65 descriptions, and part i
// is element 1 + i of that table (CFileTransfer builds it so). Each operation reports failure
// by its result after recording the error on the client's description.
#include <cstdint>

#include "platform/error_code.h"

namespace ferrow {

class CInternetClient;
class CTransferInfo;

// The server sent the whole file from byte 0 to a request for a later offset (it ignores
// ranges). Category 0, "not supported"; never retried as such: the download goes on as one
// part from the start instead.
constexpr uint16_t kRangeIgnoredCode = 50;

// A part found that the file on the server is no longer the one the download began with. The
// worker starts the download again from the beginning (see CFileTransfer).
constexpr ErrorValue kFileChangedError = MakeError(kCategorySystem, SystemCode::kFileInvalid);

class CTransferOperations {
 public:
  // Part i of the transfer whose master this is.
  static CTransferInfo* PartOf(CTransferInfo* master, int32_t index);
  // The number of parts to use for a "MaxThreads" value: 1..64.
  static int32_t ClampParts(int32_t maxThreads);

  // Locks the temporary file for this transfer (busy elsewhere: kLockViolation, nothing
  // changed), then resumes a matching block or lays the file out afresh, saying why in the
  // transfer log when an old block is not used.
  static bool PrepareFile(CInternetClient& client);
  static bool Download(CInternetClient& client);
  static bool ReceivePart(CInternetClient& client);
  static bool FinishFile(CInternetClient& client);
  // Throws the temporary file's content away (the download starts again from byte 0), keeping
  // the lock.
  static void DiscardFile(CInternetClient& client);
  // True to give up, false to try again.
  static bool RetryDecision(CInternetClient& client);

  // The loop of one part's thread: connect, log in and receive the part until it succeeds,
  // a stop comes, or the retry decision gives up.
  static void RunPart(CInternetClient& client);
};

}  // namespace ferrow
