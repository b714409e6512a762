#include "platform/terminal.h"

#include <errno.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

namespace ferrow {
namespace {

std::atomic<int> g_interrupt{0};
std::atomic<bool> g_resized{false};

void OnResize(int) {
  g_resized.store(true);
}

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

int GetTerminalRows() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0) return size.ws_row;
  return 24;
}

void InstallResizeFlag() {
  struct sigaction action {};
  action.sa_handler = OnResize;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGWINCH, &action, nullptr);
}

bool TakeResized() {
  return g_resized.exchange(false);
}

bool WriteStandardOutput(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
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
