#include "shell/instance_server.h"

#include "platform/text.h"
#include "platform/unix_connection.h"

namespace ferrow {

CInstanceServer::~CInstanceServer() {
  Stop();
}

ErrorValue CInstanceServer::Start(const std::wstring& socketPath) {
  if (m_thread.IsRunning()) return 0;
  if (const ErrorValue error = m_listener.Listen(socketPath)) return error;
  if (!m_thread.Start([this] { Run(); })) {
    m_listener.Close();
    return MakeError(kCategorySystem, SystemCode::kNotEnoughMemory);
  }
  return 0;
}

void CInstanceServer::Stop() {
  m_listener.Interrupt();
  m_thread.Wait();
  m_listener.Close();
}

bool CInstanceServer::Take(HandOver& handOver) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_queue.empty()) return false;
  handOver = std::move(m_queue.front());
  m_queue.pop_front();
  return true;
}

void CInstanceServer::SetWakeup(std::function<void()> wakeup) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_wakeup = std::move(wakeup);
}

void CInstanceServer::Run() {
  CUnixConnection connection;
  while (m_listener.Accept(connection)) {
    Serve(connection);
    connection.Close();
  }
}

void CInstanceServer::Serve(CUnixConnection& connection) {
  // The socket lies in a private folder; the check keeps it so should the folder be opened up.
  if (!connection.PeerIsSameUser()) return;
  std::string line;
  if (!connection.ReceiveLine(line, InstanceMessage::kMaxLineLength, kPeerMilliseconds) ||
      !InstanceMessage::IsIdentify(line) ||
      !connection.Send(InstanceMessage::Answer(), kPeerMilliseconds))
    return;
  // A peer that only wanted to know whether we run closes here.
  HandOver handOver;
  size_t length = 0;
  std::string text;
  if (!connection.ReceiveLine(line, InstanceMessage::kMaxLineLength, kPeerMilliseconds) ||
      !InstanceMessage::ParseHandOverHeader(line, handOver, length) ||
      !connection.ReceiveExact(text, length, kPeerMilliseconds))
    return;
  handOver.urlText = Utf8ToWide(text);
  std::function<void()> wakeup;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_queue.push_back(std::move(handOver));
    wakeup = m_wakeup;
  }
  // Answered once queued: the sender may end, its URL is safe here.
  connection.Send(InstanceMessage::Answer(), kPeerMilliseconds);
  if (wakeup) wakeup();
}

}  // namespace ferrow
