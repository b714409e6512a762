#include "net/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ferrow {

bool DebugOutputEnabled() {
  static const bool enabled = [] {
    const char* value = std::getenv("FERROW_DEBUG");
    return value != nullptr && value[0] != '\0';
  }();
  return enabled;
}

void DebugOutput(std::string_view text) {
  if (!DebugOutputEnabled()) return;
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size() + 1);
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '\r') continue;
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 0xF];
    } else {
      shown += ch;
    }
  }
  if (shown.empty() || shown.back() != '\n') shown += '\n';
  // One write per block, so lines of concurrent connections do not interleave mid-line.
  std::fwrite(shown.data(), 1, shown.size(), stderr);
}

}  // namespace ferrow
