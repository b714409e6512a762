#include "net/bandwidth.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace ferrow {

namespace {

constexpr double kUnlimited = std::numeric_limits<double>::infinity();

}  // namespace

CBandwidth::CBandwidth(const IClock* clock) : m_parent(nullptr), m_root(this), m_clock(clock) {
  assert(clock != nullptr);
}

CBandwidth::CBandwidth(CBandwidth* parent)
    : m_parent(parent), m_root(parent->m_root), m_clock(parent->m_clock) {}

CBandwidth::~CBandwidth() {
  if (m_entered) Leave();
  assert(m_activeChildren == 0 && "a node outlived by its children");
}

CBandwidth& CBandwidth::Process() {
  // Never destroyed: transfers may still be unwinding while static objects go.
  static CBandwidth* const process = new CBandwidth(&SystemClock());
  return *process;
}

void CBandwidth::SetLimit(uint32_t bytesPerSecond) {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  if (bytesPerSecond == m_limit) return;
  const int64_t now = m_clock->Counter();
  Refill(now);
  const bool wasLimited = m_limit != 0;
  m_limit = bytesPerSecond;
  m_lastRefill = now;
  // A new limit starts with a full bucket; a changed one keeps what it holds (and any debt),
  // cut to the new burst.
  m_tokens = wasLimited ? std::min(m_tokens, Capacity()) : Capacity();
}

uint32_t CBandwidth::Limit() const {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  return m_limit;
}

void CBandwidth::Enter() {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  assert(!m_entered && m_parent != nullptr);
  m_entered = true;
  m_parent->AddActiveChild();
}

void CBandwidth::Leave() {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  assert(m_entered);
  m_entered = false;
  m_parent->RemoveActiveChild();
}

void CBandwidth::AddActiveChild() {
  if (++m_activeChildren == 1 && m_parent != nullptr && !m_entered) m_parent->AddActiveChild();
}

void CBandwidth::RemoveActiveChild() {
  assert(m_activeChildren > 0);
  if (--m_activeChildren == 0 && m_parent != nullptr && !m_entered) {
    m_parent->RemoveActiveChild();
  }
}

int CBandwidth::ActiveChildren() const {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  return m_activeChildren;
}

double CBandwidth::Capacity() const {
  assert(m_limit != 0);
  return static_cast<double>(
      std::max<int64_t>(int64_t{m_limit} * kBurstMilliseconds / 1000, kMinimumBurst));
}

void CBandwidth::Refill(int64_t now) {
  if (m_limit == 0) {
    m_lastRefill = now;
    return;
  }
  const int64_t ticks = now - m_lastRefill;
  if (ticks <= 0) return;
  m_lastRefill = now;
  m_tokens = std::min(
      m_tokens + static_cast<double>(m_limit) * static_cast<double>(ticks) /
                     static_cast<double>(m_clock->CounterFrequency()),
      Capacity());
}

double CBandwidth::ShareLocked(int64_t now) {
  Refill(now);
  double share = kUnlimited;
  if (m_parent != nullptr) {
    share = m_parent->ShareLocked(now) / std::max(m_parent->m_activeChildren, 1);
  }
  if (m_limit != 0) share = std::min(share, Capacity());
  return share;
}

int64_t CBandwidth::Share() {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  const double share = ShareLocked(m_clock->Counter());
  if (share == kUnlimited) return 0;
  return std::max(static_cast<int64_t>(share), kMinimumShare);
}

int CBandwidth::Grant(int maximum) {
  assert(maximum > 0);
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  m_lastAsk = maximum;
  const double share = ShareLocked(m_clock->Counter());
  if (share == kUnlimited) return maximum;
  double available = kUnlimited;
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit != 0) available = std::min(available, node->m_tokens);
  }
  const double step = std::max(share, static_cast<double>(kMinimumShare));
  double grant = std::min(static_cast<double>(maximum), step);
  // Less than a step left: take what is there, or a small step on credit when that is little.
  if (available < grant) grant = std::max(std::floor(available), std::min(grant, 512.0));
  const int granted = std::max(static_cast<int>(grant), 1);
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit != 0) node->m_tokens -= granted;
  }
  return granted;
}

void CBandwidth::Refund(int bytes) {
  if (bytes <= 0) return;
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit != 0) node->m_tokens = std::min(node->m_tokens + bytes, node->Capacity());
  }
}

uint32_t CBandwidth::Delay() {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  const double share = ShareLocked(m_clock->Counter());
  if (share == kUnlimited) return 0;
  const double step =
      std::min(std::max(share, static_cast<double>(kMinimumShare)), static_cast<double>(m_lastAsk));
  double milliseconds = 0;
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit == 0) continue;
    const double missing = std::min(step, node->Capacity()) - node->m_tokens;
    if (missing > 0) milliseconds = std::max(milliseconds, missing * 1000 / node->m_limit);
  }
  return static_cast<uint32_t>(std::min(std::ceil(milliseconds), 1000.0));
}

}  // namespace ferrow
