#include "gui/core_driver.h"

#include <algorithm>

#include "app/ferrow_app.h"

namespace ferrow {

CCoreDriver::CCoreDriver(CFerrowApp& app, QObject* parent) : QObject(parent), m_app(app) {
  m_timer.setSingleShot(true);
  m_timer.setTimerType(Qt::PreciseTimer);
  connect(&m_timer, &QTimer::timeout, this, &CCoreDriver::OnTimeout);
}

void CCoreDriver::Start() {
  m_stopped = false;
  const int wake = m_app.WakeDescriptor();
  if (wake >= 0 && !m_wake) {
    m_wake = std::make_unique<QSocketNotifier>(wake, QSocketNotifier::Read);
    connect(m_wake.get(), &QSocketNotifier::activated, this, [this] {
      // Poll clears the descriptor; until then it would keep firing.
      m_wake->setEnabled(false);
      PollSoon();
    });
  }
  if (m_wake) m_wake->setEnabled(true);
  ScheduleNext();
}

void CCoreDriver::Stop() {
  m_stopped = true;
  m_timer.stop();
  if (m_wake) m_wake->setEnabled(false);
}

void CCoreDriver::PollSoon() {
  if (m_stopped) return;
  m_timer.start(0);
}

void CCoreDriver::OnTimeout() {
  if (m_stopped) return;
  if (m_polling) {
    // A window opened a local loop inside the last Poll: try again a little later.
    m_timer.start(static_cast<int>(CFerrowApp::kPollMilliseconds));
    return;
  }
  m_polling = true;
  QElapsedTimer elapsed;
  elapsed.start();
  m_app.Poll();
  m_pollNanoseconds += elapsed.nsecsElapsed();
  ++m_pollCount;
  m_polling = false;
  // After an exit the core's descriptor is gone.
  if (m_wake && m_app.WakeDescriptor() < 0) m_wake.reset();
  if (m_wake) m_wake->setEnabled(true);
  if (m_afterPoll) m_afterPoll();
  ScheduleNext();
}

void CCoreDriver::ScheduleNext() {
  if (m_stopped) return;
  const int64_t next = m_app.MillisecondsToNext();
  // Before a start or after an exit the core has no timer: look again now and then, for the
  // completions of an exit that was asked not to block.
  const int64_t wait =
      next < 0 ? CFerrowApp::kPollMilliseconds : std::clamp<int64_t>(next, 0, 1000);
  m_timer.start(static_cast<int>(wait));
}

}  // namespace ferrow
