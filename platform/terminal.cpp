#include "platform/terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

namespace ferrow {
namespace {

std::atomic<int> g_interrupt{0};

void OnInterrupt(int signal) {
  if (g_interrupt.exchange(signal) != 0) {
    // A second interrupt while stopping: the user insists.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
}

}  // namespace

bool IsErrorTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

int GetTerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void InstallInterruptFlag() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

int GetInterruptSignal() {
  return g_interrupt.load();
}

}  // namespace ferrow
