#pragma once
// The protocol trace: every HTTP request and response header and every FTP command and reply
// line. It goes to standard error only when the environment variable FERROW_DEBUG is set to a
// non-empty value, and is silent otherwise (see docs/debugging.md).
#include <string_view>

namespace ferrow {

// Whether FERROW_DEBUG was set when the program first asked.
bool DebugOutputEnabled();
// Writes the text as one block. Control characters other than line feed and tab are shown as
// "\xNN", so bytes from a server cannot drive the terminal, and credentials as "****"
// (MaskCredentials).
void DebugOutput(std::string_view text);
// The text with the value of every "Authorization:" and "Proxy-Authorization:" header line
// after its scheme word, the argument of every FTP "PASS" line and the password of every
// "scheme://user:password@" address replaced by "****".
std::string MaskCredentials(std::string_view text);

}  // namespace ferrow
