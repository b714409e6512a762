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
  if (m_limit == 0) m_queue.clear();
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
  // A new connection counts as hungry until its receives say otherwise.
  SetHungry(true);
}

void CBandwidth::Leave() {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  assert(m_entered);
  SetHungry(false);
  LeaveQueues(this);
  m_entered = false;
  m_parent->RemoveActiveChild();
}

void CBandwidth::SetHungry(bool hungry) {
  if (hungry == m_hungry) return;
  m_hungry = hungry;
  if (hungry) {
    m_parent->AddHungryChild();
  } else {
    m_parent->RemoveHungryChild();
  }
}

void CBandwidth::AddHungryChild() {
  if (++m_hungryChildren == 1 && m_parent != nullptr && !m_entered) m_parent->AddHungryChild();
}

void CBandwidth::RemoveHungryChild() {
  assert(m_hungryChildren > 0);
  if (--m_hungryChildren == 0 && m_parent != nullptr && !m_entered) {
    m_parent->RemoveHungryChild();
  }
}

void CBandwidth::LeaveQueues(CBandwidth* connection) {
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    auto& queue = node->m_queue;
    queue.erase(std::remove(queue.begin(), queue.end(), connection), queue.end());
  }
}

size_t CBandwidth::Waiting() const {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  return m_queue.size();
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
  m_tokens = std::min(m_tokens + static_cast<double>(m_limit) * static_cast<double>(ticks) /
                                     static_cast<double>(m_clock->CounterFrequency()),
                      Capacity());
}

double CBandwidth::ShareLocked(int64_t now) {
  Refill(now);
  double share = kUnlimited;
  if (m_parent != nullptr) {
    share = m_parent->ShareLocked(now) / std::max(m_parent->m_hungryChildren, 1);
  }
  if (m_limit != 0) share = std::min(share, Capacity());
  return share;
}

double CBandwidth::StepLocked(int64_t now) {
  const double share = ShareLocked(now);
  if (share == kUnlimited) return kUnlimited;
  return std::min(std::max(share, static_cast<double>(kMinimumShare)),
                  static_cast<double>(m_lastAsk));
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
  LeaveQueues(this);
  const double step = StepLocked(m_clock->Counter());
  m_lastGrant = maximum;
  if (step == kUnlimited) return maximum;
  double available = kUnlimited;
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit != 0) available = std::min(available, node->m_tokens);
  }
  double grant = step;
  // Less than a step left: take what is there, or a small step on credit when that is little.
  if (available < grant) grant = std::max(std::floor(available), std::min(grant, 512.0));
  const int granted = std::max(static_cast<int>(grant), 1);
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit != 0) node->m_tokens -= granted;
  }
  m_lastGrant = granted;
  return granted;
}

void CBandwidth::Refund(int bytes) {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  // A connection that got less than half of its grant waits for its server, not for the
  // limit: its siblings share without it.
  if (m_entered) SetHungry(2 * (int64_t{m_lastGrant} - bytes) >= m_lastGrant);
  if (bytes <= 0) return;
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit != 0) node->m_tokens = std::min(node->m_tokens + bytes, node->Capacity());
  }
}

uint32_t CBandwidth::Delay() {
  std::lock_guard<std::mutex> lock(m_root->m_treeLock);
  const double step = StepLocked(m_clock->Counter());
  if (step == kUnlimited) return 0;
  double milliseconds = 0;
  for (CBandwidth* node = this; node != nullptr; node = node->m_parent) {
    if (node->m_limit == 0) continue;
    const double need = std::min(step, node->Capacity());
    auto& queue = node->m_queue;
    auto place = std::find(queue.begin(), queue.end(), this);
    if (place == queue.end()) {
      if (queue.empty() && node->m_tokens >= need) continue;
      queue.push_back(this);
      place = queue.end() - 1;
    }
    // Those ahead in the queue are served first; each takes about one such step.
    const auto ahead = static_cast<double>(place - queue.begin());
    if (ahead == 0 && node->m_tokens >= need) continue;
    const double missing = std::max(need * (ahead + 1) - node->m_tokens, 1.0);
    milliseconds = std::max(milliseconds, missing * 1000 / node->m_limit);
  }
  return static_cast<uint32_t>(std::min(std::ceil(milliseconds), 1000.0));
}

}  // namespace ferrow
