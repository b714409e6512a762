#include "net/debug_output.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ferrow {

namespace {

bool StartsWithNoCase(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

// Where the secret of a line begins, or npos: behind the scheme word of an authorization
// header ("Basic "), behind "PASS " of an FTP command.
size_t SecretStart(std::string_view line) {
  for (std::string_view header : {"authorization:", "proxy-authorization:"}) {
    if (!StartsWithNoCase(line, header)) continue;
    size_t at = line.find_first_not_of(' ', header.size());
    if (at == std::string_view::npos) return std::string_view::npos;
    size_t space = line.find(' ', at);
    // "Basic xxx": the scheme stays; a value without a scheme is masked whole.
    return space == std::string_view::npos ? at : space + 1;
  }
  if (StartsWithNoCase(line, "pass ")) return 5;
  return std::string_view::npos;
}

// Every "scheme://user:password@" in the line with the password as "****" (a Location header,
// a request target).
std::string MaskAddressPasswords(std::string_view line) {
  std::string masked;
  size_t from = 0;
  for (size_t scheme = line.find("://"); scheme != std::string_view::npos;
       scheme = line.find("://", from)) {
    const size_t authority = scheme + 3;
    size_t end = line.find_first_of("/?# \t\r\n", authority);
    if (end == std::string_view::npos) end = line.size();
    const size_t at = line.rfind('@', end);
    const size_t colon = line.find(':', authority);
    if (at != std::string_view::npos && at >= authority && colon < at) {
      masked += line.substr(from, colon + 1 - from);
      masked += "****";
      from = at;
    } else {
      masked += line.substr(from, end - from);
      from = end;
    }
  }
  masked += line.substr(from);
  return masked;
}

}  // namespace

std::string MaskCredentials(std::string_view text) {
  std::string masked;
  masked.reserve(text.size());
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
    text.remove_prefix(line.size());
    const size_t secret = SecretStart(line);
    if (secret == std::string_view::npos || secret >= line.size()) {
      masked += MaskAddressPasswords(line);
      continue;
    }
    size_t ending = line.size();
    while (ending > secret && (line[ending - 1] == '\n' || line[ending - 1] == '\r')) --ending;
    masked += line.substr(0, secret);
    masked += "****";
    masked += line.substr(ending);
  }
  return masked;
}

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
  const std::string masked = MaskCredentials(text);
  std::string shown;
  shown.reserve(masked.size() + 1);
  for (char ch : masked) {
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
