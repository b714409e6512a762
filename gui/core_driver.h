#pragma once
// Runs the application core from Qt's event loop: a single-shot timer fires CFerrowApp::Poll
// and is set again for the core's next due timer (MillisecondsToNext), so the loop sleeps
// between the core's 100 ms steps instead of spinning. The core's wake descriptor (a transfer
// has finished) polls at once, so the next queued download starts without waiting for a step. A
// Poll never runs inside another one: a window that opens a local event loop from a core call (a
// message box) only delays the next step.
#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

namespace ferrow {

class CFerrowApp;

class CCoreDriver : public QObject {
  Q_OBJECT

 public:
  explicit CCoreDriver(CFerrowApp& app, QObject* parent = nullptr);

  void Start();
  void Stop();
  // Polls at once (after a command whose effect should show without waiting).
  void PollSoon();
  // Called after every Poll, on the same thread (SIGTERM, exit completion).
  void SetAfterPoll(std::function<void()> afterPoll) { m_afterPoll = std::move(afterPoll); }

  // What the refresh costs the thread: time spent in Poll and the number of polls.
  int64_t GetPollNanoseconds() const { return m_pollNanoseconds; }
  int64_t GetPollCount() const { return m_pollCount; }

 private:
  void OnTimeout();
  void ScheduleNext();

  CFerrowApp& m_app;
  QTimer m_timer;
  std::unique_ptr<QSocketNotifier> m_wake;
  bool m_polling = false;
  bool m_stopped = true;
  std::function<void()> m_afterPoll;
  int64_t m_pollNanoseconds = 0;
  int64_t m_pollCount = 0;
};

}  // namespace ferrow
