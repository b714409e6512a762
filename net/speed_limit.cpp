#include "net/speed_limit.h"

#include <atomic>

#include "net/proxy_socket.h"

namespace ferrow {

namespace {

std::atomic<int> g_liveLimiters{0};

}  // namespace

CSpeedLimit::CSpeedLimit(const IClock* clock) : m_clock(clock) {
  g_liveLimiters.fetch_add(1, std::memory_order_relaxed);
}

CSpeedLimit::~CSpeedLimit() {
  g_liveLimiters.fetch_sub(1, std::memory_order_relaxed);
}

int CSpeedLimit::LiveCount() {
  return g_liveLimiters.load(std::memory_order_relaxed);
}

void CSpeedLimit::SetLimit(uint32_t bytesPerSecond) {
  int live = LiveCount();
  uint32_t quota = live > 1 ? bytesPerSecond / static_cast<uint32_t>(live) : bytesPerSecond;
  // With more connections than bytes a quota would round to 0, which means "no limit".
  if (bytesPerSecond != 0 && quota == 0) quota = 1;
  m_quota = quota;
}

int CSpeedLimit::Allowance(int maximum) {
  if (m_secondStart == 0) m_secondStart = m_clock->Counter();
  if (m_quota == 0) return maximum;
  // A quota lowered below what this second used already still lets one byte through, since
  // an empty receive would read as the end of the data; Delay() then asks for the pause.
  uint32_t room = m_quota > m_used ? m_quota - m_used : 1;
  return room < static_cast<uint32_t>(maximum) ? static_cast<int>(room) : maximum;
}

void CSpeedLimit::Account(int received) {
  if (m_quota != 0 && received > 0) m_used += static_cast<uint32_t>(received);
}

int CSpeedLimit::Receive(CProxySocket& socket, char* buffer, int maximum) {
  int received = socket.Receive(buffer, Allowance(maximum), 0);
  Account(received);
  return received;
}

int CSpeedLimit::ReceiveUntilEnd(CProxySocket& socket, char* buffer, int maximum) {
  int received = socket.ReceiveUntilEnd(buffer, Allowance(maximum));
  Account(received);
  return received;
}

uint32_t CSpeedLimit::Delay() {
  if (m_quota == 0 || m_used < m_quota) return 0;
  int64_t ticks = m_clock->Counter() - m_secondStart;
  int64_t frequency = m_clock->CounterFrequency();
  int64_t milliseconds = ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
  m_used = 0;
  m_secondStart = 0;
  if (milliseconds >= 1000 || milliseconds < 0) return 0;
  return static_cast<uint32_t>(1000 - milliseconds);
}

}  // namespace ferrow
