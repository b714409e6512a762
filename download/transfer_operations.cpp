#include "download/transfer_operations.h"

#include <algorithm>
#include <array>
#include <memory>

#include "download/ordered_output.h"
#include "download/part_writer.h"
#include "download/segment_plan.h"
#include "download/transfer_file.h"
#include "net/event_list.h"
#include "net/internet_client.h"
#include "net/log_info.h"
#include "net/speed_limit.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "platform/clock.h"
#include "platform/manual_reset_event.h"
#include "platform/thread.h"

namespace ferrow {

namespace {

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
bool RunParts(CInternetClient& client, COrderedOutput* output) {
  CTransferInfo* master = client.Transfer();
  const int32_t parts = master->Parts();
  std::array<std::unique_ptr<CInternetClient>, kMaxParts> clients;
  std::array<CThread, kMaxParts> threads;
  // Every thread that uses it is joined below, before it goes.
  CPartHandBack handBack;
  for (int32_t i : CSegmentPlan::UnfinishedParts(master)) {
    CTransferInfo* part = CSegmentPlan::PartOf(master, i);
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
    handBack.Join();
    if (!threads[i].Start([partClient, &client, output, &handBack] {
          CTransferOperations::RunPartThread(*partClient, client, output, handBack);
        })) {
      handBack.End();
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
    CTransferInfo* part = CSegmentPlan::PartOf(master, i);
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
  // Never a file with a hole reported complete: a range given back that nobody took (its
  // takers failed) is fetched by the next attempt.
  if (master->Error() == 0 && !rangeIgnored && !CSegmentPlan::UnfinishedParts(master).empty())
    client.ReportError(MakeError(kCategoryHttp, 503));
  return rangeIgnored;
}

}  // namespace

bool CTransferOperations::Download(CInternetClient& client, CTransferFile& file) {
  CTransferInfo* master = client.Transfer();
  if (master->Size() == kUnknownSize) return ReceiveStream(client, file);
  if (RunParts(client, file.Output()) && master->Error() == 0) {
    // The server answered a later offset with the whole file. What the parts wrote is only
    // trusted from byte 0, so the download starts again as one part from the start, which
    // never asks for an offset.
    master->SetResumeMode(ResumeMode::kNotResumable);
    if (!file.LayOutSinglePart(client)) return false;
    if (client.WaitForStop(0)) return false;
    RunParts(client, file.Output());
    CTransferInfo* only = CSegmentPlan::PartOf(master, 0);
    if (master->Error() == 0 && only->Done() < only->Size()) client.ReportError(kRangeIgnoredError);
  }
  return master->Error() == 0;
}

bool CTransferOperations::ReceivePart(CInternetClient& client, COrderedOutput* output) {
  CTransferInfo* part = client.Transfer();
  CPartWriter writer;
  if (output != nullptr) {
    writer.OpenOutput(*output, part->Start(), part->Size(), part->Done());
  } else if (ErrorValue error = writer.Open(part->TemporaryFile(), part->Index())) {
    client.ReportError(error);
    return false;
  }
  // Without ranges every attempt starts from byte 0 again.
  if (part->GetResumeMode() == ResumeMode::kNotResumable && writer.Done() != 0) {
    writer.Restart();
    part->SetDone(0);
  }
  for (;;) {
    if (output != nullptr &&
        !output->WaitForRoom(writer.Offset(), [&client] { return client.WaitForStop(0); })) {
      if (part->Error() == 0)
        client.ReportError(MakeError(kCategorySystem, SystemCode::kBrokenPipe));
      return false;
    }
    bool beyondWindow = false;
    if (!ReceiveRange(client, writer, beyondWindow)) return false;
    if (!beyondWindow) return true;
    // The stream has not caught up: the connection goes while the part waits for room, and a
    // new one continues where the part stopped (costing no attempt).
    client.Disconnect();
    part->ClearError();
    if (!output->WaitForRoom(writer.Offset(), [&client] { return client.WaitForStop(0); }))
      continue;
    if (!client.Connect() || !client.Login()) return false;
  }
}

bool CTransferOperations::ReceiveRange(CInternetClient& client, CPartWriter& writer,
                                       bool& beyondWindow) {
  CTransferInfo* part = client.Transfer();
  const uint64_t offset = writer.Offset();
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
  CSpeedLimit limit(*part);
  int64_t lastProgress = SystemClock().WallSeconds();
  bool failed = false;
  while (writer.Remaining() > 0) {
    // Read every time, so a changed limit reaches running connections at once.
    limit.SetLimit(SpeedLimitBytes(client));
    int received = limit.Receive(*data, buffer, kClientBufferSize);
    if (received <= 0) break;
    size_t written = 0;
    if (ErrorValue error = writer.Write(buffer, static_cast<size_t>(received), written)) {
      if (error == MakeError(kCategorySystem, SystemCode::kBusy)) {
        beyondWindow = true;
        data->Close();
        return true;
      }
      client.ReportError(error);
      failed = true;
      break;
    }
    part->AddDone(written);
    int64_t now = SystemClock().WallSeconds();
    if (now - lastProgress >= 1) {
      client.QueueEvent(TransferEvent::kProgress);
      lastProgress = now;
    }
    if (writer.Remaining() == 0) break;
    if (limit.Pause(client)) {
      failed = true;
      break;
    }
  }
  data->Close();
  if (writer.Remaining() == 0) {
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

bool CTransferOperations::ReceiveStream(CInternetClient& client, CTransferFile& file) {
  CTransferInfo* master = client.Transfer();
  if (!client.Connect() || !client.Login()) return false;
  CProxySocket* data = client.OpenData(0);
  if (data == nullptr) {
    if (master->Error() == 0) client.ReportError(MakeError(kCategoryHttp, 500));
    return false;
  }
  client.ReportStatus(DownloadStatus::kDownloading);
  char* buffer = client.Buffer();
  CSpeedLimit limit(*master);
  int64_t lastProgress = SystemClock().WallSeconds();
  bool complete = false;
  for (;;) {
    limit.SetLimit(SpeedLimitBytes(client));
    // The end of the body is the end of the data here: the clean close of a body without a
    // length, or the last chunk of a chunked one. Anything else is a failure, recorded.
    const int received = limit.ReceiveUntilEnd(*data, buffer, kClientBufferSize);
    if (received < 0) break;
    if (received == 0) {
      complete = true;
      break;
    }
    if (ErrorValue error = file.Append(buffer, static_cast<size_t>(received))) {
      client.ReportError(error);
      break;
    }
    master->AddDone(static_cast<uint64_t>(received));
    const int64_t now = SystemClock().WallSeconds();
    if (now - lastProgress >= 1) {
      client.QueueEvent(TransferEvent::kProgress);
      lastProgress = now;
    }
    if (limit.Pause(client)) break;
  }
  data->Close();
  if (!complete) {
    if (master->Error() == 0)
      client.ReportError(MakeError(kCategorySocket, SocketCode::kDisconnected));
    return false;
  }
  // Now the length is known: the file is exactly what arrived.
  master->SetSize(file.Appended());
  return true;
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
  // The server's own "Retry-After" outweighs the configured delay.
  const int64_t asked = info->TakeRetryAfter();
  if (!client.IsRetryable(error) || attempts >= RetryAttempts(client)) {
    client.ReportStatus(DownloadStatus::kFailed);
    return true;
  }
  const uint32_t delay = asked >= 0
                             ? static_cast<uint32_t>(std::min<int64_t>(asked, kWaitForever - 1))
                             : RetryDelayMilliseconds(client);
  return client.WaitForStop(delay);
}

CTransferOperations::PartEnd CTransferOperations::RunPart(CInternetClient& client,
                                                          COrderedOutput* output,
                                                          CPartHandBack* handBack) {
  CTransferInfo* part = client.Transfer();
  PartEnd end = PartEnd::kFailed;
  for (;;) {
    if (client.WaitForStop(0)) break;
    part->ClearError();
    client.Open(part->Url());
    if (client.Connect() && client.Login() && ReceivePart(client, output)) {
      end = PartEnd::kComplete;
      break;
    }
    client.Disconnect();
    if (client.WaitForStop(0)) break;
    // Neither is helped by another attempt: the download as a whole must start again.
    if (part->Error() == kRangeIgnoredError || part->Error() == kFileChangedError) break;
    if (handBack != nullptr && client.IsBusyRefusal(part->Error()) &&
        handBack->GiveBack(part->Index())) {
      part->TakeRetryAfter();
      part->ClearError();
      client.AddLogLine(LogKind::kNotice, L"The server refuses one more connection; part " +
                                              std::to_wstring(part->Index() + 1) +
                                              L" is fetched by one of the others when it is done.");
      end = PartEnd::kGivenBack;
      break;
    }
    if (RetryDecision(client)) break;
  }
  client.Disconnect();
  return end;
}

void CTransferOperations::RunPartThread(CInternetClient& first, const CInternetClient& model,
                                        COrderedOutput* output, CPartHandBack& handBack) {
  PartEnd end = RunPart(first, output, &handBack);
  CTransferInfo* master = model.Transfer();
  while (end == PartEnd::kComplete) {
    const int32_t next = handBack.TakeOrEnd();
    if (next < 0) return;
    CTransferInfo* part = CSegmentPlan::PartOf(master, next);
    part->SetAttempts(0);
    part->ClearError();
    std::unique_ptr<CInternetClient> taken = model.Clone(model.WithTransfer(part));
    if (!taken) {
      part->SetError(MakeError(kCategorySystem, SystemCode::kNotEnoughMemory));
      end = PartEnd::kFailed;
      break;
    }
    end = RunPart(*taken, output, &handBack);
  }
  if (end == PartEnd::kFailed) handBack.End();
}

}  // namespace ferrow
