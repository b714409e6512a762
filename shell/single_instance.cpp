#include "shell/single_instance.h"

#include <cassert>
#include <chrono>
#include <thread>

#include "platform/runtime_folder.h"
#include "platform/text.h"
#include "platform/unix_connection.h"
#include "shell/command_line.h"

namespace ferrow {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CSingleInstance::CSingleInstance(InstanceNames names) : m_names(std::move(names)) {}

CSingleInstance::~CSingleInstance() {
  m_server.Stop();
  m_lock.Release();
}

ErrorValue CSingleInstance::PrepareFolder() {
  ErrorValue error = 0;
  m_folder = GetRuntimeFolder(&error);
  return error;
}

bool CSingleInstance::CreateBlock() {
  return m_block.Create(m_names.urlBlock, InstanceNames::kUrlBlockSize);
}

InstanceRole CSingleInstance::Detect(const CCommandLine& commandLine, uint32_t answerMilliseconds) {
  switch (m_lock.Acquire(m_folder + LocalToWide(m_names.lockFile))) {
    case LockOutcome::kAcquired:
      return InstanceRole::kFirst;
    case LockOutcome::kFailed:
      return InstanceRole::kFailed;
    case LockOutcome::kHeld:
      break;
  }
  HandOver handOver;
  handOver.activate = !commandLine.IsSilent();
  // Only this start's own URL goes over, never what an earlier start left in the block.
  if (commandLine.HasUrl()) handOver.urlText = commandLine.GetUrlText();
  const bool send = handOver.activate || !handOver.urlText.empty();
  return HandOverTo(handOver, send, answerMilliseconds) ? InstanceRole::kHandedOver
                                                        : InstanceRole::kNoAnswer;
}

bool CSingleInstance::HandOverTo(const HandOver& handOver, bool send, uint32_t answerMilliseconds) {
  const std::wstring socketPath = m_folder + LocalToWide(m_names.socketFile);
  const int64_t deadline = NowMs() + answerMilliseconds;
  // The running instance may still be starting: try until the time is up.
  for (;;) {
    const int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    CUnixConnection connection;
    std::string answer;
    if (connection.Connect(socketPath, static_cast<uint32_t>(left))) {
      const auto remaining = [&] {
        const int64_t rest = deadline - NowMs();
        return static_cast<uint32_t>(rest > 0 ? rest : 0);
      };
      if (!connection.Send(InstanceMessage::Identify(), remaining()) ||
          !connection.ReceiveLine(answer, InstanceMessage::kMaxLineLength, remaining()) ||
          !InstanceMessage::IsAnswer(answer))
        return false;
      if (!send) return true;
      return connection.Send(InstanceMessage::FormatHandOver(handOver), remaining()) &&
             connection.ReceiveLine(answer, InstanceMessage::kMaxLineLength, remaining()) &&
             InstanceMessage::IsAnswer(answer);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

ErrorValue CSingleInstance::Listen() {
  // Only the lock holder may replace a socket file it finds at the path.
  assert(m_lock.IsHeld());
  return m_server.Start(m_folder + LocalToWide(m_names.socketFile));
}

}  // namespace ferrow
