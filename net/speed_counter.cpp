#include "net/speed_counter.h"

#include <limits>

namespace ferrow {

namespace {

constexpr int64_t kWindowSeconds = 5;

int32_t ClampToInt32(uint64_t value) {
  constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(value > kMax ? kMax : value);
}

int32_t SecondsBetween(int64_t from, int64_t to) {
  return to > from ? ClampToInt32(static_cast<uint64_t>(to - from)) : 0;
}

}  // namespace

CSpeedCounter::CSpeedCounter(const IClock* clock) : m_clock(clock) {}

void CSpeedCounter::Start() {
  int64_t now = m_clock->WallSeconds();
  m_running = true;
  m_left = -1;
  // A restart measures only the new run.
  m_speed = 0;
  m_elapsed = 0;
  m_runBytes = 0;
  m_windowBytes = 0;
  m_startTime = m_windowStart = m_lastRefresh = now;
}

void CSpeedCounter::Stop() {
  int64_t now = m_clock->WallSeconds();
  m_running = false;
  m_stopTime = now;
  m_windowBytes = 0;
  m_elapsed = SecondsBetween(m_startTime, now);
  m_speed = m_elapsed == 0 ? 0 : ClampToInt32(m_runBytes / static_cast<uint64_t>(m_elapsed));
  if (m_done == m_total) m_left = 0;
}

void CSpeedCounter::Add(uint64_t bytes) {
  m_runBytes += bytes;
  m_done += bytes;
  m_windowBytes += bytes;
}

void CSpeedCounter::Refresh() {
  if (!m_running) return;
  int64_t now = m_clock->WallSeconds();
  if (now - m_windowStart >= kWindowSeconds) {
    m_speed = ClampToInt32(m_windowBytes / kWindowSeconds);
    m_windowBytes = 0;
    m_windowStart += kWindowSeconds;
  }
  if (now > m_lastRefresh) {
    m_elapsed = SecondsBetween(m_startTime, now);
    m_left = ComputeLeft();
    m_lastRefresh = now;
  }
}

int32_t CSpeedCounter::ComputeLeft() const {
  if (m_total == kUnknownSize || m_speed <= 0) return -1;
  if (m_done >= m_total) return 0;
  return ClampToInt32((m_total - m_done) / static_cast<uint64_t>(m_speed));
}

int32_t CSpeedCounter::Speed() {
  Refresh();
  return m_speed;
}

int32_t CSpeedCounter::Elapsed() {
  Refresh();
  return m_elapsed;
}

int32_t CSpeedCounter::Left() {
  Refresh();
  return m_left;
}

}  // namespace ferrow
