#pragma once
// Asks the system to switch the computer off: "systemctl poweroff", which goes to logind and
// its polkit rules for a user of the active session, or "shutdown -P now" where there is no
// systemctl. Both are started directly, never through a shell, and not waited for.
namespace ferrow {

// True when one of the two commands could be started.
bool RequestPowerOff();

}  // namespace ferrow
