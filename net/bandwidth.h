#pragma once
// A node of the bandwidth tree: the process at the root, a download below it, its connections
// below that. Each limited node is a token bucket refilled continuously from the clock and
// holding at most a short burst; a connection draws from every limited node above it before a
// receive and gives back what the receive did not use, so bytes a slow connection leaves go to
// the others. A draw is a share of the burst, divided evenly level by level among the hungry
// children (those that received at least half of their last grant: a connection the server
// trickles does not count), and connections that wait for their share are served in turn, so
// a large share is not starved by small ones.
//
// One lock guards the whole tree: it belongs to the root and every node of the tree takes it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/clock.h"

namespace ferrow {

class CBandwidth {
 public:
  // A root; the clock must outlive it.
  explicit CBandwidth(const IClock* clock);
  // A node below parent, which must outlive it. It counts among the parent's active children
  // while it is entered (a connection) or has active children itself (a download).
  explicit CBandwidth(CBandwidth* parent);
  ~CBandwidth();
  CBandwidth(const CBandwidth&) = delete;
  CBandwidth& operator=(const CBandwidth&) = delete;

  // The root shared by every download of the process, on the system clock.
  static CBandwidth& Process();
  CBandwidth& Root() { return *m_root; }

  // Bytes per second through this node and all below it; 0 = no limit of its own. Takes effect
  // at once for every connection below.
  void SetLimit(uint32_t bytesPerSecond);
  uint32_t Limit() const;

  // A connection's lifetime in the tree: from Enter it takes part in the shares.
  void Enter();
  void Leave();

  // Takes up to maximum (> 0) bytes from every limited node from here to the root and returns
  // how many: never more than maximum, never 0. With nothing left it still grants a small step
  // on credit (the nodes go below zero), since a receive of 0 bytes would read as the end of the
  // data; the next Delay() pays that back.
  int Grant(int maximum);
  // Gives back bytes granted but not received; called after every receive (with 0 when it
  // used the whole grant).
  void Refund(int bytes);
  // Milliseconds until this node's next share (no more than its last Grant asked for) is
  // available on every limited node above it; 0 when it is now or nothing above is limited.
  uint32_t Delay();

  // The share one draw of this node takes; 0 when nothing above is limited. For tests.
  int64_t Share();
  // Active children (entered connections, or nodes with active children).
  int ActiveChildren() const;
  // Connections waiting in turn for this node's bucket. For tests.
  size_t Waiting() const;

  // The most a bucket holds, as time at its rate, and its floor in bytes for low limits.
  static constexpr int64_t kBurstMilliseconds = 40;
  static constexpr int64_t kMinimumBurst = 2048;
  // The least a draw takes when the buckets allow it, so that low shares do not turn into
  // receives of a few bytes.
  static constexpr int64_t kMinimumShare = 1024;

 private:
  double Capacity() const;
  // Brings this node's bucket up to now. Tree lock held.
  void Refill(int64_t now);
  // The share of one draw from this node, with its path refilled. Tree lock held.
  double ShareLocked(int64_t now);
  // Counts one more (or one less) active child, passing the change up when this node becomes
  // active (or idle). Tree lock held.
  void AddActiveChild();
  void RemoveActiveChild();
  void AddHungryChild();
  void RemoveHungryChild();
  void SetHungry(bool hungry);
  // The step of one draw of a connection, or infinity without a limit above. Tree lock held.
  double StepLocked(int64_t now);
  // Takes the connection out of every queue from here up. Tree lock held.
  void LeaveQueues(CBandwidth* connection);

  CBandwidth* const m_parent;
  CBandwidth* const m_root;
  const IClock* const m_clock;
  // The tree's lock, used through m_root by every node.
  mutable std::mutex m_treeLock;
  uint32_t m_limit = 0;
  double m_tokens = 0;
  int64_t m_lastRefill = 0;
  int m_activeChildren = 0;
  int m_hungryChildren = 0;
  bool m_entered = false;
  bool m_hungry = false;
  int m_lastGrant = 0;
  // Connections waiting for this bucket, first served first.
  std::deque<CBandwidth*> m_queue;
  // The maximum of the last Grant: a receive buffer smaller than the share is all it waits for.
  int m_lastAsk = 65536;
};

}  // namespace ferrow
