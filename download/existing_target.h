#pragma once
// What a download does about a file that is already at its target, once the server has told
// the file's size: go on, count the download as already there, take a free name, or take the
// file over as the download's first bytes. Runs on the worker thread before the temporary file
// is prepared; says what it did in the transfer log.
#include <string>

#include "download/transfer_options.h"

namespace ferrow {

class CClientContext;

class CExistingTarget {
 public:
  enum class Outcome {
    kProceed,       // download into the master's File (which may have become a free name)
    kAlreadyThere,  // a complete file is there: nothing to fetch (recorded as completed)
    kFailed,        // the error is recorded
  };

  static Outcome Resolve(CClientContext& context, const TransferOptions& options);

  // "name.ext" with the number before the last extension: "name.1.ext"; "name.1" without one.
  static std::wstring NumberedName(const std::wstring& path, int number);

 private:
  // Turns the plain file at the target into the temporary file with a block that has its bytes
  // done; Prepare then resumes it like any other.
  static Outcome TakeOver(CClientContext& context, uint64_t length);
  static Outcome AlreadyThere(CClientContext& context, const std::wstring& why);
};

}  // namespace ferrow
