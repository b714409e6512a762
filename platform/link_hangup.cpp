#include "platform/link_hangup.h"

#include <signal.h>
#include <sys/types.h>

#include <fstream>
#include <string>

#include "platform/process_launcher.h"
#include "platform/text.h"

namespace ferrow {
namespace {

// The pid in the link daemon's pid file, when that process is a pppd.
pid_t FindPppd(const std::string& interfaceName) {
  for (const char* folder : {"/run/", "/var/run/"}) {
    std::ifstream pidFile(folder + interfaceName + ".pid");
    long pid = 0;
    if (!(pidFile >> pid) || pid <= 1) continue;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (std::getline(comm, name) && name == "pppd") return static_cast<pid_t>(pid);
  }
  return 0;
}

bool IsPlainInterfaceName(const std::string& name) {
  if (name.empty() || name.size() > 15 || name[0] == '-') return false;
  for (char c : name)
    if (c == '/' || c == '\0' || static_cast<unsigned char>(c) <= ' ') return false;
  return true;
}

}  // namespace

bool HangUpLink(const std::string& interfaceName) {
  if (!IsPlainInterfaceName(interfaceName)) return false;
  if (const pid_t pppd = FindPppd(interfaceName); pppd > 0 && ::kill(pppd, SIGTERM) == 0)
    return true;
  return CProcessLauncher::Start({L"nmcli", L"device", L"disconnect", LocalToWide(interfaceName)})
      .Started();
}

}  // namespace ferrow
