#pragma once
// How the log views word one line of a transfer's or the site explorer's log: "> " before a
// command sent, "< " before a reply, "* " before a notice of our own; the explorer's start,
// stop and failure lines by the language file (1500 to 1502). Control characters and
// direction overrides from a server are shown escaped.
#include <string>

#include "net/log_info.h"

namespace ferrow {

class CResourceManager;

std::wstring FormatLogLine(const CLogInfo& line, const CResourceManager& resources);

}  // namespace ferrow
