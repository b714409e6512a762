#include "download/transfer_operations.h"

#include <algorithm>
#include <array>
#include <memory>

#include "download/log_info.h"
#include "download/resume_block.h"
#include "download/transfer_info.h"
#include "net/event_list.h"
#include "net/internet_client.h"
#include "net/speed_limit.h"
#include "net/transfer_settings.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/thread.h"

namespace ferrow {

namespace {

constexpr ErrorValue kRangeIgnoredError = MakeError(kCategorySystem, kRangeIgnoredCode);
// A download of unknown length cannot be laid out in parts or resumed; see PrepareFile.
constexpr ErrorValue kUnknownSizeError = MakeError(kCategorySystem, SystemCode::kNotSupported);

// Creates every missing folder along the file's path, one level at a time.
bool CreateFolders(const std::wstring& file) {
  size_t end = file.find_last_of(L'/');
  if (end == std::wstring::npos || end == 0) return true;
  for (size_t slash = file.find(L'/', 1); slash != std::wstring::npos && slash <= end;
       slash = file.find(L'/', slash + 1)) {
    std::wstring folder = file.substr(0, slash);
    if (!DirectoryExists(folder) && CreateDirectoryAt(folder) != 0) return false;
  }
  return true;
}

// Copies the block's part table into the descriptions. Parts beyond the table are emptied, so
// a layout with fewer parts than an earlier one leaves nothing behind.
void CopyPartTable(const CResumeBlock& block, CTransferInfo* master) {
  int32_t parts = block.Parts();
  master->SetParts(parts);
  for (int32_t i = 0; i < kMaxParts; ++i) {
    CTransferInfo* part = CTransferOperations::PartOf(master, i);
    bool used = i < parts;
    part->SetStart(used ? block.PartStart(i) : 0);
    part->SetSize(used ? block.PartLength(i) : 0);
    part->SetDone(used ? block.PartDone(i) : 0);  // the master's Done follows
  }
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

// One owner per temporary file: the lock is taken before any block is mapped, and the
// master's client holds it until the worker ends. A second transfer of the same target, in
// this process or another, stops here without touching the file.
bool LockTemporaryFile(CInternetClient& client, const std::wstring& temporary) {
  CFile& held = client.HeldTemporaryFile();
  if (held.IsOpen()) return true;
  if (!CreateFolders(temporary)) {
    client.ReportError(MakeError(kCategorySystem, SystemCode::kPathNotFound));
    return false;
  }
  CFile file;
  ErrorValue error = file.Open(temporary, CFile::Mode::kOpenOrCreateOwned);
  if (error == 0) error = file.TryLock();
  if (error != 0) {
    client.ReportError(error);
    return false;
  }
  held = std::move(file);
  return true;
}

int32_t RetryAttempts(const CInternetClient& client) {
  return client.Settings() != nullptr ? client.Settings()->GetRetryAttempts() : 0;
}

uint32_t RetryDelayMilliseconds(const CInternetClient& client) {
  int32_t seconds = client.Settings() != nullptr ? client.Settings()->GetRetryDelay() : 0;
  if (seconds <= 0) return 0;
  // Stay below the "no limit" value of the waits.
  return static_cast<uint32_t>(std::min<int64_t>(int64_t{seconds} * 1000, kWaitForever - 1));
}

uint32_t SpeedLimitBytes(const CInternetClient& client) {
  uint32_t kib = client.Settings() != nullptr ? client.Settings()->GetSpeedLimit() : 0;
  return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{kib} * 1024, 0xFFFFFFFFu));
}

// Starts a thread for each part that is not complete and waits for them all. Returns whether
// a part found that the server ignores ranges.
bool RunParts(CInternetClient& client) {
  CTransferInfo* master = client.Transfer();
  int32_t parts = master->Parts();
  std::array<std::unique_ptr<CInternetClient>, kMaxParts> clients;
  std::array<CThread, kMaxParts> threads;
  for (int32_t i = 0; i < parts; ++i) {
    CTransferInfo* part = CTransferOperations::PartOf(master, i);
    if (part->Done() >= part->Size()) continue;
    part->SetUrl(master->Url());
    part->SetTemporaryFile(master->TemporaryFile());
    part->SetResumeMode(master->GetResumeMode());
    part->SetIndex(i);
    part->SetAttempts(0);
    part->ClearError();
    clients[i] = client.Clone(client.WithTransfer(part));
    if (!clients[i]) {
      part->SetError(MakeError(kCategorySystem, SystemCode::kNotEnoughMemory));
      continue;
    }
    CInternetClient* partClient = clients[i].get();
    if (!threads[i].Start([partClient] { CTransferOperations::RunPart(*partClient); })) {
      part->SetError(MakeError(kCategorySystem, SystemCode::kNotEnoughMemory));
      clients[i].reset();
    }
  }
  client.ReportStatus(DownloadStatus::kDownloading);
  bool rangeIgnored = false;
  bool changed = false;
  for (int32_t i = 0; i < parts; ++i) {
    threads[i].Wait();
    clients[i].reset();
    CTransferInfo* part = CTransferOperations::PartOf(master, i);
    ErrorValue error = part->Error();
    if (part->Done() >= part->Size() || error == 0) continue;
    if (error == kRangeIgnoredError) {
      rangeIgnored = true;
      continue;
    }
    changed = changed || error == kFileChangedError;
    // The last failing part in index order wins. Its attempts count for the whole download,
    // so that "RetryAttempts" limits the attempts in all rather than per level.
    client.ReportError(error);
    master->SetAttempts(std::max(master->Attempts(), part->Attempts()));
  }
  // A changed file outweighs every other failure: resuming would mix the two versions.
  if (changed) client.ReportError(kFileChangedError);
  return rangeIgnored;
}

}  // namespace

CTransferInfo* CTransferOperations::PartOf(CTransferInfo* master, int32_t index) {
  return master + 1 + index;
}

int32_t CTransferOperations::ClampParts(int32_t maxThreads) {
  return std::clamp(maxThreads, 1, kMaxParts);
}

bool CTransferOperations::PrepareFile(CInternetClient& client) {
  CTransferInfo* master = client.Transfer();
  std::wstring url = master->Url();
  std::wstring temporary = master->TemporaryFile();
  uint64_t size = master->Size();
  uint64_t date = master->Date();
  // Without a length there is nothing to split, no place for the block and no way to tell a
  // complete file from a cut one, so such a download is refused before anything is written.
  if (size == kUnknownSize) {
    client.ReportError(kUnknownSizeError);
    return false;
  }
  if (!LockTemporaryFile(client, temporary)) return false;
  bool resumable = master->GetResumeMode() == ResumeMode::kResumable;
  std::wstring entityTag = master->EntityTag();
  CResumeBlock block;
  if (resumable && block.OpenExisting(temporary) == 0) {
    CResumeBlock::Fit fit = block.Compare(url, size, date, entityTag);
    if (fit == CResumeBlock::Fit::kMatches) {
      CopyPartTable(block, master);
      return true;
    }
    if (const wchar_t* reason = DiscardReason(fit)) client.AddLogLine(LogKind::kNotice, reason);
  }
  block.Close();
  // A server that cannot continue at an offset gets a single part.
  int32_t parts = resumable ? ClampParts(master->Parts()) : 1;
  if (ErrorValue error = block.Create(temporary, url, size, date, parts, entityTag)) {
    client.ReportError(error);
    DeleteFileAt(temporary);
    return false;
  }
  CopyPartTable(block, master);
  return true;
}

bool CTransferOperations::Download(CInternetClient& client) {
  CTransferInfo* master = client.Transfer();
  if (RunParts(client) && master->Error() == 0) {
    // The server answered a later offset with the whole file. What the parts wrote is only
    // trusted from byte 0, so the download starts again as one part from the start, which
    // never asks for an offset.
    master->SetResumeMode(ResumeMode::kNotResumable);
    CResumeBlock block;
    if (ErrorValue error = block.OpenExisting(master->TemporaryFile())) {
      client.ReportError(error);
      return false;
    }
    block.LayOut(1);
    CopyPartTable(block, master);
    block.Close();
    if (client.WaitForStop(0)) return false;
    RunParts(client);
    if (master->Error() == 0 && PartOf(master, 0)->Done() < PartOf(master, 0)->Size()) {
      client.ReportError(kRangeIgnoredError);
    }
  }
  return master->Error() == 0;
}

bool CTransferOperations::ReceivePart(CInternetClient& client) {
  CTransferInfo* part = client.Transfer();
  int32_t index = part->Index();
  CResumeBlock block;
  if (ErrorValue error = block.OpenExisting(part->TemporaryFile())) {
    client.ReportError(error);
    return false;
  }
  if (index < 0 || index >= block.Parts()) {
    client.ReportError(MakeError(kCategorySystem, SystemCode::kInvalidParameter));
    return false;
  }
  const uint64_t start = block.PartStart(index);
  const uint64_t length = block.PartLength(index);
  uint64_t done = block.PartDone(index);
  // Without ranges every attempt starts from byte 0 again.
  if (part->GetResumeMode() == ResumeMode::kNotResumable && done != 0) {
    done = 0;
    block.SetPartDone(index, 0);
    part->SetDone(0);
  }
  CFile file;
  if (ErrorValue error = file.Open(part->TemporaryFile(), CFile::Mode::kReadWriteOwned)) {
    client.ReportError(error);
    return false;
  }
  uint64_t offset = start + done;
  CProxySocket* data = client.OpenData(static_cast<int64_t>(offset));
  if (data == nullptr) {
    if (part->Error() == 0) client.ReportError(MakeError(kCategoryHttp, 500));
    return false;
  }
  if (offset != 0 && part->GetResumeMode() == ResumeMode::kNotResumable) {
    // The body starts at byte 0, not at the offset asked for: none of it belongs here.
    data->Close();
    if (CTransferInfo* master = part->Master()) master->SetResumeMode(ResumeMode::kNotResumable);
    client.ReportError(kRangeIgnoredError);
    return false;
  }
  char* buffer = client.Buffer();
  CSpeedLimit limit;
  int64_t lastProgress = SystemClock().WallSeconds();
  bool failed = false;
  while (done < length) {
    // Read every time, so a changed limit reaches running connections at once.
    limit.SetLimit(SpeedLimitBytes(client));
    int received = limit.Receive(*data, buffer, kClientBufferSize);
    if (received <= 0) break;
    uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(received), length - done);
    if (ErrorValue error = file.WriteAt(start + done, buffer, static_cast<size_t>(count))) {
      client.ReportError(error);
      failed = true;
      break;
    }
    done += count;
    block.SetPartDone(index, done);
    part->AddDone(count);
    int64_t now = SystemClock().WallSeconds();
    if (now - lastProgress >= 1) {
      client.QueueEvent(TransferEvent::kProgress);
      lastProgress = now;
    }
    if (done >= length) break;
    if (uint32_t delay = limit.Delay(); delay != 0 && client.WaitForStop(delay)) {
      failed = true;
      break;
    }
  }
  data->Close();
  if (done == length) {
    part->ClearError();
    client.ReportStatus(DownloadStatus::kCompleted);
    return true;
  }
  // The connection ended early without a recorded cause: a cut-off body.
  if (!failed && part->Error() == 0) {
    client.ReportError(MakeError(kCategorySocket, SocketCode::kDisconnected));
  }
  return false;
}

bool CTransferOperations::FinishFile(CInternetClient& client) {
  CTransferInfo* master = client.Transfer();
  std::wstring target = master->File();
  std::wstring temporary = master->TemporaryFile();
  if (FileExists(target)) {
    if (ErrorValue error = DeleteFileAt(target)) {
      client.ReportError(error);
      return false;
    }
  }
  if (ErrorValue error = RenameFile(temporary, target)) {
    client.ReportError(error);
    return false;
  }
  // The cut goes through the handle held since PrepareFile (the same file under its new name),
  // so it can never reach whatever a link at the target's name points to.
  CFile opened;
  CFile* file = &client.HeldTemporaryFile();
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
    client.ReportError(error);
    return false;
  }
  client.ReportStatus(DownloadStatus::kCompleted);
  return true;
}

void CTransferOperations::DiscardFile(CInternetClient& client) {
  CFile& held = client.HeldTemporaryFile();
  if (held.IsOpen()) {
    held.SetLength(0);
  } else {
    DeleteFileAt(client.Transfer()->TemporaryFile());
  }
}

bool CTransferOperations::RetryDecision(CInternetClient& client) {
  CTransferInfo* info = client.Transfer();
  int32_t attempts = info->AddAttempt();
  client.ReportStatus(DownloadStatus::kRetrying);
  ErrorValue error = info->Error();
  if (client.IsLoginFailure(error)) {
    client.ReportStatus(DownloadStatus::kLoginRequired);
    CTransferInfo* master = info->Master();
    // A part that needs a login must be seen too, or it would wait unanswered.
    if (master != nullptr) master->SetStatus(DownloadStatus::kLoginRequired);
    client.QueueEvent(TransferEvent::kLoginRequired);
    uint32_t answer = client.WaitForResume(kWaitForever);
    if (answer == 0) {
      client.ReportStatus(DownloadStatus::kFailed);
      return true;
    }
    if (client.WaitForStop(0)) return true;
    if (master != nullptr) master->SetStatus(DownloadStatus::kDownloading);
    return false;
  }
  if (!client.IsRetryable(error) || attempts >= RetryAttempts(client)) {
    client.ReportStatus(DownloadStatus::kFailed);
    return true;
  }
  return client.WaitForStop(RetryDelayMilliseconds(client));
}

void CTransferOperations::RunPart(CInternetClient& client) {
  CTransferInfo* part = client.Transfer();
  for (;;) {
    if (client.WaitForStop(0)) break;
    part->ClearError();
    client.Open(part->Url());
    if (client.Connect() && client.Login() && client.ReceivePart()) break;
    client.Disconnect();
    if (client.WaitForStop(0)) break;
    // Neither is helped by another attempt: the download as a whole must start again.
    if (part->Error() == kRangeIgnoredError || part->Error() == kFileChangedError) break;
    if (client.RetryDecision()) break;
  }
  client.Disconnect();
}

}  // namespace ferrow
