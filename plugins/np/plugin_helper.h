#pragma once
// Rumex's two operations, in 8-bit text: read "AppPath" afresh and start the main program.
#include <string>

namespace ferrow::np {

class CPluginHelper {
 public:
  // The machine's "AppPath" in the locale's character set; empty when it is missing, not a
  // string, or longer than 259 bytes.
  std::string ReadAppPath() const;
  // Starts "<AppPath>ferrow" with "/silent" and "/url=" + url, the command line cut at 32767
  // bytes; does not wait. The pid, or -1.
  int LaunchMainProgram(const std::string& url) const;
};

CPluginHelper& PluginHelper();

}  // namespace ferrow::np
