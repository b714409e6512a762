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

// Makes the description of part index ready for a run of it.
void PreparePart(CTransferInfo* master, int32_t index) {
  CTransferInfo* part = CSegmentPlan::PartOf(master, index);
  part->SetUrl(master->Url());
  part->SetTemporaryFile(master->TemporaryFile());
  part->SetResumeMode(master->GetResumeMode());
  part->SetIndex(index);
  part->SetAttempts(0);
  part->ClearError();
}

// One part thread: runs its part, then, while there is a range worth taking over, the next.
// The part that starts at byte 0 reads the query's open body when there is one.
void RunPartsFrom(CInternetClient& prototype, CSegmentPlan& plan, int32_t index,
                  bool takesOpenData) {
  CTransferInfo* master = prototype.Transfer();
  while (index >= 0) {
    CTransferInfo* part = CSegmentPlan::PartOf(master, index);
    std::unique_ptr<CInternetClient> client = prototype.Clone(prototype.WithTransfer(part));
    if (!client) {
      part->SetError(MakeError(kCategorySystem, SystemCode::kNotEnoughMemory));
      return;
    }
    if (takesOpenData) client->AdoptOpenData(prototype);
    takesOpenData = false;
    plan.SetWorking(index, true);
    const CTransferOperations::PartEnd end = CTransferOperations::RunPart(*client, plan);
    client.reset();
    // A range given back is the plan's now, no longer this thread's.
    if (end == CTransferOperations::PartEnd::kGivenBack) return;
    if (end != CTransferOperations::PartEnd::kComplete || part->Done() < part->Size() ||
        prototype.WaitForStop(0)) {
      plan.SetWorking(index, false);
      return;
    }
    index = plan.TakeOver(index);
    if (index >= 0) PreparePart(master, index);
  }
}

// Starts a thread for each part that is not complete and waits for them all. Returns whether
// a range that a server did not serve from its offset stayed unfetched.
bool RunParts(CInternetClient& client, CTransferFile& file) {
  CTransferInfo* master = client.Transfer();
  CSegmentPlan plan(master);
  if (file.Output() != nullptr) {
    plan.OpenOutput(*file.Output());
  } else if (ErrorValue error = file.HasBlock()        ? plan.Open(file.TakeBlock())
                                 : file.Held().IsOpen() ? plan.Open(file.Held())
                                                        : plan.Open(master->TemporaryFile())) {
    client.ReportError(error);
    return false;
  }
  std::array<CThread, kMaxParts> threads;
  const std::vector<int32_t> unfinished = CSegmentPlan::UnfinishedParts(master);
  int32_t fromStart = -1;
  for (int32_t i : unfinished) {
    const CTransferInfo* part = CSegmentPlan::PartOf(master, i);
    if (part->Start() == 0 && part->Done() == 0) fromStart = i;
  }
  // An open body nobody reads would hold a connection for nothing.
  if (client.HasOpenData() && fromStart < 0) client.Disconnect();
  const bool openData = client.HasOpenData();
  // All count as working before any thread runs, so that one refused at once can give its
  // range to the others.
  for (int32_t i : unfinished) plan.SetWorking(i, true);
  if (unfinished.size() == 1) {
    // One part alone never has a range to take over: it runs on this thread, which a small
    // file would otherwise spend more time starting than fetching.
    const int32_t only = unfinished.front();
    PreparePart(master, only);
    client.ReportStatus(DownloadStatus::kDownloading);
    RunPartsFrom(client, plan, only, openData && only == fromStart);
  } else {
    for (int32_t i : unfinished) {
      PreparePart(master, i);
      const bool takes = openData && i == fromStart;
      if (!threads[i].Start([&client, &plan, i, takes] { RunPartsFrom(client, plan, i, takes); })) {
        plan.SetWorking(i, false);
        CSegmentPlan::PartOf(master, i)->SetError(
            MakeError(kCategorySystem, SystemCode::kNotEnoughMemory));
      }
    }
    client.ReportStatus(DownloadStatus::kDownloading);
  }
  for (CThread& thread : threads) thread.Wait();
  plan.Close();
  bool rangeIgnored = false;
  bool changed = false;
  const int32_t parts = master->Parts();
  for (int32_t i = 0; i < parts; ++i) {
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
  if (RunParts(client, file) && master->Error() == 0) {
    // The server answered a later offset with the whole file. What the parts wrote is only
    // trusted from byte 0, so the download starts again as one part from the start, which
    // never asks for an offset.
    master->SetResumeMode(ResumeMode::kNotResumable);
    if (!file.LayOutSinglePart(client)) return false;
    if (client.WaitForStop(0)) return false;
    RunParts(client, file);
    CTransferInfo* only = CSegmentPlan::PartOf(master, 0);
    if (master->Error() == 0 && only->Done() < only->Size()) client.ReportError(kRangeIgnoredError);
  }
  return master->Error() == 0;
}

bool CTransferOperations::ReceivePart(CInternetClient& client, CSegmentPlan& plan) {
  CTransferInfo* part = client.Transfer();
  COrderedOutput* output = plan.Output();
  CPartWriter writer;
  if (output != nullptr) {
    writer.OpenOutput(plan, *output, part->Index());
  } else if (ErrorValue error = writer.Open(plan, part->Index())) {
    client.ReportError(error);
    return false;
  }
  // Without ranges every attempt starts from byte 0 again.
  if (part->GetResumeMode() == ResumeMode::kNotResumable && writer.Done() != 0) {
    writer.Restart();
  }
  if (writer.Remaining() == 0) {
    part->ClearError();
    client.ReportStatus(DownloadStatus::kCompleted);
    return true;
  }
  for (;;) {
    if (output != nullptr &&
        !output->WaitForRoom(writer.Offset(), [&client] { return client.WaitForStop(0); })) {
      if (part->Error() == 0)
        client.ReportError(MakeError(kCategorySystem, SystemCode::kBrokenPipe));
      return false;
    }
    bool beyondWindow = false;
    if (!ReceiveRange(client, plan, writer, beyondWindow)) return false;
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

bool CTransferOperations::ReceiveRange(CInternetClient& client, CSegmentPlan& plan,
                                       CPartWriter& writer, bool& beyondWindow) {
  CTransferInfo* part = client.Transfer();
  const uint64_t offset = writer.Offset();
  // Asking for the range only (not to the end of the file) lets the connection be reused
  // once the range is read.
  const uint64_t end = plan.End(part->Index());
  const CTransferInfo* master = part->Master();
  const bool bounded = master != nullptr && end < master->Size();
  client.SetDataEnd(bounded ? static_cast<int64_t>(end) : -1);
  CProxySocket* data = client.OpenData(static_cast<int64_t>(offset));
  if (data == nullptr) {
    if (part->Error() == 0) client.ReportError(MakeError(kCategoryHttp, 500));
    return false;
  }
  if (offset != 0 && part->GetResumeMode() == ResumeMode::kNotResumable) {
    // The body starts at byte 0, not at the offset asked for: none of it belongs here. The
    // range goes back to the plan, where the part before it may take it over.
    data->Close();
    if (CTransferInfo* master = part->Master()) master->SetResumeMode(ResumeMode::kNotResumable);
    plan.GiveBack(part->Index());
    client.ReportError(kRangeIgnoredError);
    return false;
  }
  char* buffer = client.Buffer();
  CSpeedLimit limit(*part);
  int64_t lastProgress = SystemClock().WallSeconds();
  bool failed = false;
  for (;;) {
    if (writer.Remaining() == 0) {
      // A stream that runs on past the range may take the given-back range after it (only at
      // a receive's boundary: bytes of a receive past the end are dropped once it ends here).
      if (data->BodyLeft() != 0 && plan.Extend(part->Index())) continue;
      break;
    }
    if (data->BodyLeft() == 0) break;  // the answer ended before the range
    // Read every time, so a changed limit reaches running connections at once.
    limit.SetLimit(SpeedLimitBytes(client));
    int received = limit.Receive(*data, buffer, kClientBufferSize);
    if (received <= 0) break;
    size_t written = 0;
    ErrorValue error = writer.Write(buffer, static_cast<size_t>(received), written);
    // A receive that runs past the range's end: the stream goes on into the given-back range
    // after it when that can be joined, so the rest of this receive belongs there.
    while (error == 0 && written < static_cast<size_t>(received) && plan.Extend(part->Index())) {
      size_t more = 0;
      error = writer.Write(buffer + written, static_cast<size_t>(received) - written, more);
      written += more;
    }
    if (error == MakeError(kCategorySystem, SystemCode::kBusy)) {
      beyondWindow = true;
      data->Close();
      return true;
    }
    if (error != 0) {
      client.ReportError(error);
      failed = true;
      break;
    }
    int64_t now = SystemClock().WallSeconds();
    if (now - lastProgress >= 1) {
      client.QueueEvent(TransferEvent::kProgress);
      lastProgress = now;
    }
    if (writer.Remaining() == 0) continue;
    if (limit.Pause(client)) {
      failed = true;
      break;
    }
  }
  // A connection that still holds bytes of this body is never used again.
  if (data->BodyLeft() != 0) data->Close();
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
                                                          CSegmentPlan& plan) {
  CTransferInfo* part = client.Transfer();
  PartEnd end = PartEnd::kFailed;
  for (;;) {
    if (client.WaitForStop(0)) break;
    part->ClearError();
    client.Open(part->Url());
    if (client.Connect() && client.Login() && ReceivePart(client, plan)) {
      end = PartEnd::kComplete;
      break;
    }
    client.Disconnect();
    if (client.WaitForStop(0)) break;
    // Neither is helped by another attempt: the download as a whole must start again.
    if (part->Error() == kRangeIgnoredError || part->Error() == kFileChangedError) break;
    if (client.IsBusyRefusal(part->Error()) && plan.GiveBack(part->Index())) {
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

}  // namespace ferrow
