#include "platform/process_launcher.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/text.h"

extern char** environ;

namespace ferrow {
namespace {

LaunchResult Failure(int err) {
  LaunchResult result;
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      result.failure = LaunchFailure::kNotFound;
      break;
    case EACCES:
    case ENOEXEC:
    case EISDIR:
      result.failure = LaunchFailure::kNotAProgram;
      break;
    default:
      result.failure = LaunchFailure::kOther;
      break;
  }
  result.error = MakeError(kCategorySystem, SystemCodeFromErrno(err == ENOEXEC ? EACCES : err));
  return result;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// The path execve gets: a name with a slash as it is, a bare name from PATH. Resolved before
// the fork, since the child may only make async-signal-safe calls.
bool ResolveProgram(const std::string& name, std::string& path) {
  if (name.find('/') != std::string::npos) {
    path = name;
    return true;
  }
  const char* env = std::getenv("PATH");
  const std::string search = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t begin = 0;
  while (begin <= search.size()) {
    size_t end = search.find(':', begin);
    if (end == std::string::npos) end = search.size();
    // Appended piece by piece: g++ 12 draws a false -Wrestrict from string temporaries.
    std::string candidate = end == begin ? std::string(".") : search.substr(begin, end - begin);
    candidate += '/';
    candidate += name;
    if (IsExecutableFile(candidate)) {
      path = candidate;
      return true;
    }
    begin = end + 1;
  }
  return false;
}

void WriteErrno(int fd, int err) {
  ssize_t ignored = ::write(fd, &err, sizeof err);
  (void)ignored;
}

// Runs in the grandchild, between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecChild(const char* path, char* const* argv, int errorFd, int nullFd) {
  ::setsid();  // a Ctrl+C meant for us does not reach it
  if (nullFd >= 0) ::dup2(nullFd, STDIN_FILENO);
  // Descriptors a library opened without close-on-exec stay ours.
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  // Signals we ignore or block must not stay ignored or blocked in the program.
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &defaultAction, nullptr);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execve(path, argv, environ);
  WriteErrno(errorFd, errno);
  ::_exit(127);
}

}  // namespace

LaunchResult CProcessLauncher::Start(const std::vector<std::wstring>& argv) {
  if (argv.empty() || argv[0].empty()) return Failure(ENOENT);
  std::vector<std::string> bytes;
  bytes.reserve(argv.size());
  for (const std::wstring& argument : argv) {
    // A NUL would silently cut the argument short.
    if (argument.find(L'\0') != std::wstring::npos) return Failure(EINVAL);
    bytes.push_back(WideToLocal(argument));
  }
  std::string path;
  if (!ResolveProgram(bytes[0], path)) return Failure(ENOENT);
  std::vector<char*> pointers;
  for (std::string& argument : bytes) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return Failure(errno);
  const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

  // Two forks: the middle process ends at once, so the program is adopted by init (or the
  // nearest subreaper) and we never have to wait for it.
  const pid_t middle = ::fork();
  if (middle < 0) {
    const int err = errno;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    if (nullFd >= 0) ::close(nullFd);
    return Failure(err);
  }
  if (middle == 0) {
    ::close(pipeFds[0]);
    const pid_t program = ::fork();
    if (program == 0) ExecChild(path.c_str(), pointers.data(), pipeFds[1], nullFd);
    if (program < 0) WriteErrno(pipeFds[1], errno);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  if (nullFd >= 0) ::close(nullFd);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // The write end closes at the exec (close-on-exec): nothing read means the program runs.
  int childErrno = 0;
  ssize_t got;
  while ((got = ::read(pipeFds[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
  }
  ::close(pipeFds[0]);
  if (got == static_cast<ssize_t>(sizeof childErrno)) return Failure(childErrno);
  return LaunchResult{};
}

}  // namespace ferrow
