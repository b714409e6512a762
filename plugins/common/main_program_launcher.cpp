#include "plugins/common/main_program_launcher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <mutex>

extern char** environ;

namespace ferrow::plugin {
namespace {

// The children started by this module; only their own pids are ever waited for.
std::mutex g_childrenLock;
std::vector<pid_t> g_children;

size_t ByteUnits(const std::string& text) {
  return text.size();
}

std::string ByteCut(const std::string& text, size_t units) {
  return text.substr(0, units);
}

// Reaps at unload, so that a browser which unloads the library keeps no zombies of ours.
struct ReapAtUnload {
  ~ReapAtUnload() { ReapEndedChildren(); }
} g_reapAtUnload;

}  // namespace

std::vector<std::string> MainProgramArguments(const std::string& folder, const std::string& urls,
                                              size_t (*unitsOf)(const std::string&),
                                              std::string (*cutTo)(const std::string&, size_t)) {
  const std::string program = folder + kMainProgramName;
  const std::string prefix = program + " /silent /url=";
  const size_t used = unitsOf(prefix);
  std::string text = urls;
  if (used >= kMaxCommandLine)
    text.clear();
  else if (used + unitsOf(text) > kMaxCommandLine)
    text = cutTo(text, kMaxCommandLine - used);
  return {program, "/silent", "/url=" + text};
}

std::vector<std::string> MainProgramArguments(const std::string& folder, const std::string& urls) {
  return MainProgramArguments(folder, urls, ByteUnits, ByteCut);
}

int StartDetached(const std::vector<std::string>& argv) {
  ReapEndedChildren();
  if (argv.empty() || argv[0].empty()) return -1;
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  // No descriptor of the browser or the host lives on in the main program.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The browser may block signals on its threads or ignore some (ignoring survives exec); the
  // main program starts with none blocked and the usual ones at their defaults.
  sigset_t none, usual;
  sigemptyset(&none);
  sigemptyset(&usual);
  for (int sig : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2})
    sigaddset(&usual, sig);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &usual);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const bool search = argv[0].find('/') == std::string::npos;
  int rc = search ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
                  : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  std::lock_guard<std::mutex> lock(g_childrenLock);
  g_children.push_back(pid);
  return pid;
}

void ReapEndedChildren() {
  std::lock_guard<std::mutex> lock(g_childrenLock);
  std::erase_if(g_children, [](pid_t pid) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    // Ended and reaped, or no longer ours (someone else reaped it).
    return done == pid || done < 0;
  });
}

}  // namespace ferrow::plugin
