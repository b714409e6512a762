#include "platform/power_off.h"

#include "platform/process_launcher.h"

namespace ferrow {

bool RequestPowerOff() {
  if (CProcessLauncher::Start({L"systemctl", L"poweroff"}).Started()) return true;
  return CProcessLauncher::Start({L"shutdown", L"-P", L"now"}).Started();
}

}  // namespace ferrow
