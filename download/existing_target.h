#pragma once
// What a download does about a file that is already at its target, once the server has told
// the file's size: go on, count the download as already there, take a free name, or take the
// file over as the download's first bytes. Runs on the worker thread before the temporary file
// is prepared; says what it did in the transfer log.
#include <cstdint>
#include <string>

#include "download/transfer_options.h"

namespace ferrow {

class CClientContext;

class CExistingTarget {
 public:
  // The transfer log's notices, numbered for the language files (the argument holds the texts
  // for the message's "%s", separated by "/", which no file name contains).
  enum Notice : uint32_t {
    kAlreadyThereNotice = 12020,  // name
    kNewNameNotice = 12021,       // name, the free name
    kLeftAloneNotice = 12022,     // name
    kLongerNotice = 12023,        // name, its length, the server's
    kNoOffsetsNotice = 12024,     // name
    kContinuingNotice = 12025,    // name, its length
    kFolderNotice = 12026,        // name
  };

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
  static Outcome AlreadyThere(CClientContext& context, Notice notice, const std::wstring& name);
  static void Say(CClientContext& context, Notice notice, const std::wstring& arguments);
};

}  // namespace ferrow
