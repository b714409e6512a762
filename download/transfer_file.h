#pragma once
// The temporary file of one download as its worker sees it: taken for this transfer alone, laid
// out afresh or resumed from its block, laid out again as one part, emptied for a new start, and
// at the end renamed to the target and cut to Size. One per transfer, used by its worker thread
// only; failures are recorded on the master description through the worker's context.
//
// One owner per temporary file: an exclusive lock is taken before any block is mapped and held
// until the transfer ends (across the final rename), so a second transfer of the same target, in
// this process or another, stops without touching the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/resume_block.h"
#include "platform/error_code.h"
#include "platform/file.h"
#include "platform/unknown_size.h"

namespace ferrow {

class CClientContext;
class COrderedOutput;

class CTransferFile {
 public:
  // For a download into a folder (File ends with "/"): the server's name for the file, made
  // safe, becomes File and its temporary file. A file already there under that name is
  // CExistingTarget's business, as for any other target.
  void ChooseName(CClientContext& context);
  // Before Prepare: the bytes go to this stream and no file is used at all. The parts are laid
  // out in memory; a second Prepare keeps their progress (the stream cannot take bytes back).
  void SetOutput(COrderedOutput* output) { m_output = output; }
  COrderedOutput* Output() const { return m_output; }
  // The handle held (and locked) on the temporary file since Prepare; closed before.
  const CFile& Held() const { return m_held; }
  // The block Prepare resumed or laid out, still mapped, for the parts' plan to take over;
  // closed when it has been taken or the file was not prepared.
  bool HasBlock() const { return m_block.IsOpen(); }
  CResumeBlock TakeBlock() { return std::move(m_block); }

  // Locks the temporary file (busy elsewhere: kLockViolation, nothing changed), then resumes a
  // block that matches the download or lays the file out afresh, saying in the transfer log why
  // an old block is not used. A download of unknown Size is refused before anything is touched.
  bool Prepare(CClientContext& context);
  // For a body of unknown length: the temporary file holds the bytes alone (no block, no
  // parts), emptied at every start; the transfer log says why when it held bytes before.
  bool PrepareStream(CClientContext& context);
  // Appends received bytes of such a body.
  ErrorValue Append(const char* data, size_t size);
  uint64_t Appended() const { return m_appended; }
  // Lays the parts out again as one part from byte 0 (the server ignored a range).
  bool LayOutSinglePart(CClientContext& context);
  // Throws the content away (the download starts again from byte 0), keeping the lock.
  void Discard(CClientContext& context);
  // Deletes an existing target, renames the temporary file to it and cuts it to Size. On a
  // failure the data stays (or goes back) under the temporary name.
  bool Finish(CClientContext& context);

 private:
  bool Lock(CClientContext& context, const std::wstring& temporary);

  bool PrepareInMemory(CClientContext& context);

  CFile m_held;
  CResumeBlock m_block;
  uint64_t m_appended = 0;
  COrderedOutput* m_output = nullptr;
  uint64_t m_laidOutSize = kUnknownSize;  // with an output: the Size the parts were laid out for
};

}  // namespace ferrow
