#pragma once
// A descriptor that another thread can make readable, to end a wait in poll: the way a thread
// blocked on a socket is told to stop.
namespace ferrow {

class CWakeFd {
 public:
  CWakeFd();
  ~CWakeFd();
  CWakeFd(const CWakeFd&) = delete;
  CWakeFd& operator=(const CWakeFd&) = delete;

  // Makes the descriptor readable until Clear; callable from any thread.
  void Signal();
  // True when it had been signalled since the last Clear.
  bool Clear();
  // Waits until signalled, at most milliseconds (negative: no limit); true when signalled. The
  // signal stays until Clear.
  bool Wait(int milliseconds) const;
  bool IsValid() const { return m_fd >= 0; }
  int Fd() const { return m_fd; }

 private:
  int m_fd = -1;
};

}  // namespace ferrow
