#include "download/existing_target.h"

#include <string>

#include "download/resume_block.h"
#include "net/client_context.h"
#include "net/log_info.h"
#include "net/transfer_info.h"
#include "platform/file.h"

namespace ferrow {
namespace {

// How many numbered names are tried before the download gives up on finding a free one.
constexpr int kMaxNumberedNames = 9999;

std::wstring BaseName(const std::wstring& path) {
  const size_t slash = path.rfind(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void SetTarget(CTransferInfo& master, const std::wstring& file) {
  master.SetFile(file);
  master.SetTemporaryFile(file + L".fr");
}

// A finish cut short between its rename and its cut leaves the whole download at the target
// with its block still after the data. Only such a block (this download, valid, every byte
// done) makes the target count as finished; the cut is then all that was left to do.
bool CompletesAnUncutFinish(const CTransferInfo& master, uint64_t length) {
  if (length != CResumeBlock::FileLength(master.Size()) ||
      GetEntryKind(master.TemporaryFile()) != EntryKind::kNone) {
    return false;
  }
  CResumeBlock block;
  if (block.OpenExisting(master.File()) != 0 ||
      block.Compare(master.Url(), master.Size(), master.Date(), master.EntityTag()) !=
          CResumeBlock::Fit::kMatches) {
    return false;
  }
  for (int32_t i = 0; i < block.Parts(); ++i)
    if (block.PartDone(i) < block.PartLength(i)) return false;
  block.Close();
  CFile file;
  return file.Open(master.File(), CFile::Mode::kReadWriteOwned) == 0 &&
         file.SetLength(master.Size()) == 0;
}

}  // namespace

std::wstring CExistingTarget::NumberedName(const std::wstring& path, int number) {
  const size_t slash = path.rfind(L'/');
  const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  size_t dot = path.rfind(L'.');
  // A leading dot (".profile") is no extension.
  if (dot == std::wstring::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + L"." + std::to_wstring(number) + path.substr(dot);
}

void CExistingTarget::Say(CClientContext& context, Notice notice, const std::wstring& arguments) {
  context.AddLogLine(LogKind::kNotice, notice, arguments, 0);
}

CExistingTarget::Outcome CExistingTarget::AlreadyThere(CClientContext& context, Notice notice,
                                                       const std::wstring& name) {
  CTransferInfo& master = *context.Transfer();
  Say(context, notice, name);
  master.SetDone(master.Size());
  context.ReportStatus(DownloadStatus::kCompleted);
  return Outcome::kAlreadyThere;
}

CExistingTarget::Outcome CExistingTarget::TakeOver(CClientContext& context, uint64_t length) {
  CTransferInfo& master = *context.Transfer();
  const std::wstring file = master.File();
  const std::wstring temporary = master.TemporaryFile();
  if (master.GetResumeMode() != ResumeMode::kResumable) {
    Say(context, kNoOffsetsNotice, BaseName(file));
    context.ReportError(MakeError(kCategorySystem, SystemCode::kNotSupported));
    return Outcome::kFailed;
  }
  if (ErrorValue error = RenameFile(file, temporary)) {
    context.ReportError(error);
    return Outcome::kFailed;
  }
  CResumeBlock block;
  if (ErrorValue error = block.CreateOver(temporary, master.Url(), master.Size(), master.Date(),
                                          master.Parts(), master.EntityTag(), length)) {
    // Back under its own name, as it was.
    block.Close();
    RenameFile(temporary, file);
    context.ReportError(error);
    return Outcome::kFailed;
  }
  Say(context, kContinuingNotice, BaseName(file) + L"/" + std::to_wstring(length));
  return Outcome::kProceed;
}

CExistingTarget::Outcome CExistingTarget::Resolve(CClientContext& context,
                                                  const TransferOptions& options) {
  CTransferInfo& master = *context.Transfer();
  if (options.output != nullptr) return Outcome::kProceed;
  const std::wstring file = master.File();
  const uint64_t size = master.Size();
  uint64_t length = 0;
  const EntryKind kind = GetEntryKind(file, &length);
  if (kind == EntryKind::kOwnedFile && size != kUnknownSize &&
      CompletesAnUncutFinish(master, length)) {
    return AlreadyThere(context, kAlreadyThereNotice, BaseName(file));
  }
  // Replacing is what the windowed program does: the target is only looked at when finishing.
  if (options.existing == ExistingFile::kReplace && !options.continuePlain)
    return Outcome::kProceed;
  // An interrupted download of our own goes on as always, whatever is at the target.
  const bool ownTemporary = GetEntryKind(master.TemporaryFile()) != EntryKind::kNone;
  if (kind == EntryKind::kFolder) {
    Say(context, kFolderNotice, BaseName(file));
    context.ReportError(MakeError(kCategorySystem, SystemCode::kDirectory));
    return Outcome::kFailed;
  }
  if (kind == EntryKind::kNone) return Outcome::kProceed;
  if (options.existing == ExistingFile::kKeep)
    return AlreadyThere(context, kLeftAloneNotice, BaseName(file));
  if (options.continuePlain && !ownTemporary && kind == EntryKind::kOwnedFile) {
    if (length == size) return AlreadyThere(context, kAlreadyThereNotice, BaseName(file));
    if (length > size) {
      Say(context, kLongerNotice,
          BaseName(file) + L"/" + std::to_wstring(length) + L"/" + std::to_wstring(size));
      context.ReportError(MakeError(kCategorySystem, SystemCode::kFileExists));
      return Outcome::kFailed;
    }
    return TakeOver(context, length);
  }
  if (options.existing == ExistingFile::kReplace || options.continuePlain) return Outcome::kProceed;

  // Keep what is there: the first name that is free, or one that holds the file already.
  for (int number = 0; number <= kMaxNumberedNames; ++number) {
    const std::wstring candidate = number == 0 ? file : NumberedName(file, number);
    uint64_t candidateLength = 0;
    const EntryKind candidateKind = GetEntryKind(candidate, &candidateLength);
    if (candidateKind == EntryKind::kNone) {
      if (number != 0) {
        SetTarget(master, candidate);
        Say(context, kNewNameNotice, BaseName(file) + L"/" + BaseName(candidate));
      }
      return Outcome::kProceed;
    }
    if (candidateKind == EntryKind::kOwnedFile && candidateLength == size)
      return AlreadyThere(context, kAlreadyThereNotice, BaseName(candidate));
  }
  context.ReportError(MakeError(kCategorySystem, SystemCode::kFileExists));
  return Outcome::kFailed;
}

}  // namespace ferrow
