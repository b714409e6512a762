#pragma once
// The steps of a download that join the protocol client to the file: fetching all parts, one
// part's receive loop, and the retry decision. The worker (CFileTransfer) and the part threads
// call them; the client only moves bytes (OpenData gives the stream of a part), the part's
// CPartWriter puts them on disk, and CSegmentPlan says which ranges there are.
//
// Each operation reports failure by its result after recording the error on the client's
// description.
#include <cstdint>

#include "net/transfer_errors.h"

namespace ferrow {

class CInternetClient;
class COrderedOutput;
class CPartWriter;
class CSegmentPlan;
class CTransferFile;

class CTransferOperations {
 public:
  // Runs one thread per unfinished part and waits for them all. A thread whose part is
  // complete takes over the back of a slower part's range (CSegmentPlan::TakeOver) while that
  // is worth it. A server that turned out to ignore ranges gets the file laid out again as one
  // part, fetched from byte 0, unless a running stream could take the rest over.
  static bool Download(CInternetClient& client, CTransferFile& file);
  // Receives the part of the client's description into the temporary file, through the
  // bandwidth limiter, until its range (which may shrink meanwhile) is complete or the
  // connection fails. With the plan's output the bytes go to that stream instead, the part
  // waiting whenever it runs too far ahead.
  static bool ReceivePart(CInternetClient& client, CSegmentPlan& plan);
  // Receives a body of unknown length as one stream from byte 0 on the worker's own client;
  // it is complete only when the body ends as its coding says (the last chunk, or the clean
  // close of a body without a length).
  static bool ReceiveStream(CInternetClient& client, CTransferFile& file);
  // True to give up, false to try again.
  static bool RetryDecision(CInternetClient& client);

  enum class PartEnd { kComplete, kGivenBack, kFailed };
  // The loop of one part's thread: connect, log in and receive the part until it succeeds,
  // a stop comes, or the retry decision gives up. A part that the server refuses as one
  // connection too many (503, 429) gives its range back to the plan while other parts run.
  static PartEnd RunPart(CInternetClient& client, CSegmentPlan& plan);

 private:
  // One request's body into the writer. beyondWindow: the output could not take more yet
  // (the connection was closed, nothing is recorded).
  static bool ReceiveRange(CInternetClient& client, CSegmentPlan& plan, CPartWriter& writer,
                           bool& beyondWindow);
};

}  // namespace ferrow
