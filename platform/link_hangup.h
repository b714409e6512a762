#pragma once
// Ends a dial-up or mobile link by the name of its interface. A PPP link is ended by sending
// SIGTERM to its pppd, found through the pid file pppd writes ("/run/<name>.pid", else
// "/var/run/<name>.pid"); the process is signalled only when it really is a pppd, so a stale
// file can never hit another program. Otherwise NetworkManager is asked to disconnect the
// device ("nmcli device disconnect <name>", started directly and not waited for).
#include <string>

namespace ferrow {

// True when a hang-up was requested by either way.
bool HangUpLink(const std::string& interfaceName);

}  // namespace ferrow
