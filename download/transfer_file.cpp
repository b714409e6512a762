#include "download/transfer_file.h"

#include "download/ordered_output.h"
#include "download/resume_block.h"
#include "download/segment_plan.h"
#include "net/client_context.h"
#include "net/log_info.h"
#include "net/safe_file_name.h"
#include "net/transfer_errors.h"
#include "net/transfer_info.h"
#include "platform/assert.h"

namespace ferrow {

namespace {

// A download of unknown length cannot be laid out in parts or resumed; see Prepare.
constexpr ErrorValue kUnknownSizeError = MakeError(kCategorySystem, SystemCode::kNotSupported);

// Creates every missing folder along the file's path, one level at a time.
bool CreateFolders(const std::wstring& file) {
  size_t end = file.find_last_of(L'/');
  if (end == std::wstring::npos || end == 0) return true;
  // Mostly the folder is there already: one look instead of one at every level.
  if (DirectoryExists(file.substr(0, end))) return true;
  for (size_t slash = file.find(L'/', 1); slash != std::wstring::npos && slash <= end;
       slash = file.find(L'/', slash + 1)) {
    std::wstring folder = file.substr(0, slash);
    if (!DirectoryExists(folder) && CreateDirectoryAt(folder) != 0) return false;
  }
  return true;
}

// Why an old temporary file is not resumed, for the transfer log; none when nothing is said.
const wchar_t* DiscardReason(CResumeBlock::Fit fit) {
  switch (fit) {
    case CResumeBlock::Fit::kDamaged:
      return L"The temporary file's resume information is damaged; the download starts again "
             L"from the beginning.";
    case CResumeBlock::Fit::kChanged:
      return L"The file on the server is not the one the temporary file was started with (its "
             L"size, date or entity tag changed); the download starts again from the beginning.";
    default:
      return nullptr;
  }
}

// The parts of a download that has no temporary file: split afresh, nothing done.
void LayOutInMemory(CTransferInfo* master, int32_t parts) {
  uint64_t starts[kMaxParts] = {};
  uint64_t lengths[kMaxParts] = {};
  CSegmentPlan::SplitParts(master->Size(), parts, starts, lengths);
  master->SetParts(parts);
  for (int32_t i = 0; i < kMaxParts; ++i) {
    CTransferInfo* part = CSegmentPlan::PartOf(master, i);
    part->SetStart(i < parts ? starts[i] : 0);
    part->SetSize(i < parts ? lengths[i] : 0);
    part->SetDone(0);
  }
}

}  // namespace

void CTransferFile::ChooseName(CClientContext& context) {
  CTransferInfo* master = context.Transfer();
  const std::wstring folder = master->File();
  if (folder.empty() || folder.back() != L'/') return;
  std::wstring name = MakeSafeFileName(master->ServerFileName());
  if (name.empty()) name = L"index.html";
  master->SetFile(folder + name);
  master->SetTemporaryFile(folder + name + L".fr");
}

bool CTransferFile::Lock(CClientContext& context, const std::wstring& temporary) {
  if (m_held.IsOpen()) return true;
  if (!CreateFolders(temporary)) {
    context.ReportError(MakeError(kCategorySystem, SystemCode::kPathNotFound));
    return false;
  }
  CFile file;
  ErrorValue error = file.Open(temporary, CFile::Mode::kOpenOrCreateOwned);
  if (error == 0) error = file.TryLock();
  if (error != 0) {
    context.ReportError(error);
    return false;
  }
  m_held = std::move(file);
  return true;
}

bool CTransferFile::PrepareInMemory(CClientContext& context) {
  CTransferInfo* master = context.Transfer();
  const uint64_t size = master->Size();
  if (m_laidOutSize == size) return true;
  if (m_laidOutSize != kUnknownSize) {
    // Bytes of the other file have gone out already.
    context.ReportError(kFileChangedError);
    return false;
  }
  m_laidOutSize = size;
  const bool resumable = master->GetResumeMode() == ResumeMode::kResumable;
  LayOutInMemory(master, resumable ? CSegmentPlan::ClampParts(master->Parts()) : 1);
  return true;
}

bool CTransferFile::Prepare(CClientContext& context) {
  CTransferInfo* master = context.Transfer();
  FERROW_ASSERT(master != nullptr && master->Master() == nullptr);
  std::wstring url = master->Url();
  std::wstring temporary = master->TemporaryFile();
  uint64_t size = master->Size();
  uint64_t date = master->Date();
  // Without a length there is nothing to split and no place for the block: a server that can
  // continue at an offset must say how long the file is.
  if (size == kUnknownSize) {
    if (master->GetResumeMode() != ResumeMode::kResumable) return PrepareStream(context);
    context.ReportError(kUnknownSizeError);
    return false;
  }
  if (m_output != nullptr) return PrepareInMemory(context);
  if (!Lock(context, temporary)) return false;
  bool resumable = master->GetResumeMode() == ResumeMode::kResumable;
  std::wstring entityTag = master->EntityTag();
  CResumeBlock& block = m_block;
  block.Close();
  // A file just made (empty) holds no block to look at.
  uint64_t heldLength = 0;
  const bool empty = m_held.GetLength(heldLength) == 0 && heldLength == 0;
  if (resumable && !empty && block.OpenExisting(m_held) == 0) {
    CResumeBlock::Fit fit = block.Compare(url, size, date, entityTag);
    if (fit == CResumeBlock::Fit::kMatches) {
      CSegmentPlan::CopyPartTable(block, master);
      return true;
    }
    if (const wchar_t* reason = DiscardReason(fit)) context.AddLogLine(LogKind::kNotice, reason);
  }
  block.Close();
  // A server that cannot continue at an offset gets a single part.
  int32_t parts = resumable ? CSegmentPlan::ClampParts(master->Parts()) : 1;
  if (ErrorValue error = block.Create(m_held, url, size, date, parts, entityTag)) {
    context.ReportError(error);
    DeleteFileAt(temporary);
    return false;
  }
  CSegmentPlan::CopyPartTable(block, master);
  return true;
}

bool CTransferFile::PrepareStream(CClientContext& context) {
  CTransferInfo* master = context.Transfer();
  m_appended = 0;
  master->SetParts(1);
  master->SetDone(0);
  // To a stream: again from byte 0, whose bytes the stream already has are dropped by it.
  if (m_output != nullptr) return true;
  if (!Lock(context, master->TemporaryFile())) return false;
  uint64_t length = 0;
  if (m_held.GetLength(length) == 0 && length != 0) {
    context.AddLogLine(LogKind::kNotice,
                       L"The server does not tell the file's length, so the download cannot go on "
                       L"where it stopped; it starts again from the beginning.");
  }
  if (ErrorValue error = m_held.SetLength(0)) {
    context.ReportError(error);
    return false;
  }
  return true;
}

ErrorValue CTransferFile::Append(const char* data, size_t size) {
  if (m_output != nullptr) {
    // The stream's next bytes are always taken; only a closed pipe refuses them.
    if (m_output->Put(m_appended, data, size) == COrderedOutput::PutResult::kWriteFailed)
      return MakeError(kCategorySystem, SystemCode::kBrokenPipe);
    m_appended += size;
    return 0;
  }
  FERROW_ASSERT(m_held.IsOpen());
  ErrorValue error = m_held.WriteAt(m_appended, data, size);
  if (error == 0) m_appended += size;
  return error;
}

bool CTransferFile::LayOutSinglePart(CClientContext& context) {
  CTransferInfo* master = context.Transfer();
  if (m_output != nullptr) {
    // What went out already is dropped when the single part sends it again.
    LayOutInMemory(master, 1);
    return true;
  }
  if (!m_block.IsOpen()) {
    if (ErrorValue error = m_block.OpenExisting(master->TemporaryFile())) {
      context.ReportError(error);
      return false;
    }
  }
  CResumeBlock& block = m_block;
  block.LayOut(1);
  CSegmentPlan::CopyPartTable(block, master);
  return true;
}

void CTransferFile::Discard(CClientContext& context) {
  if (m_output != nullptr) return;
  m_block.Close();
  if (m_held.IsOpen()) {
    m_held.SetLength(0);
  } else {
    DeleteFileAt(context.Transfer()->TemporaryFile());
  }
}

bool CTransferFile::Finish(CClientContext& context) {
  CTransferInfo* master = context.Transfer();
  if (m_output != nullptr) {
    FERROW_ASSERT(m_output->Written() == master->Size());
    context.ReportStatus(DownloadStatus::kCompleted);
    return true;
  }
  m_block.Close();
  std::wstring target = master->File();
  std::wstring temporary = master->TemporaryFile();
  if (FileExists(target)) {
    if (ErrorValue error = DeleteFileAt(target)) {
      context.ReportError(error);
      return false;
    }
  }
  if (ErrorValue error = RenameFile(temporary, target)) {
    context.ReportError(error);
    return false;
  }
  // The cut goes through the handle held since Prepare (the same file under its new name), so
  // it can never reach whatever a link at the target's name points to.
  CFile opened;
  CFile* file = &m_held;
  ErrorValue error = 0;
  if (!file->IsOpen()) {
    error = opened.Open(target, CFile::Mode::kReadWriteOwned);
    file = &opened;
  }
  if (error == 0) error = file->SetLength(master->Size());
  if (error != 0) {
    // Put the file back under its temporary name with its block intact, so that the next
    // start finds every part complete and only finishes again.
    RenameFile(target, temporary);
    context.ReportError(error);
    return false;
  }
  context.ReportStatus(DownloadStatus::kCompleted);
  return true;
}

}  // namespace ferrow
