#pragma once
// Reading FTP reply lines and the values some replies carry. Plain functions on the bytes the
// FTP client received, so they can be fed anything in tests.
#include <cstdint>
#include <string>
#include <string_view>

namespace ferrow {

// A numbered reply line begins with three digits followed by a space, a "-" or the line end.
// True with the code for such a line; inner lines of a multi-line reply may be anything.
bool ParseReplyCode(std::string_view line, uint32_t& code);
// Whether a numbered line opens (or continues) a multi-line reply: its fourth character is "-".
bool IsContinuedReplyLine(std::string_view line);

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": the reply text from "(" on. False when
// "(" or one of the six numbers is missing or a number is above 255.
bool ParsePassiveReply(std::string_view text, uint32_t& address, uint16_t& port);

// "229 Entering Extended Passive Mode (|||6446|)": the port between the delimiters. False when
// the form or the port (1..65535) is wrong.
bool ParseExtendedPassiveReply(std::string_view text, uint16_t& port);

// "213 <size>": a signed 64-bit decimal number after optional spaces. False when there is
// none, it is negative or it does not fit.
bool ParseSizeReply(std::string_view text, int64_t& size);

// "213 YYYYMMDDhhmmss": exactly 14 digits followed by the line end (16 characters in all),
// read as local time. All ones for any other text or an impossible date.
uint64_t ParseModificationTimeReply(std::string_view text);

// Whether a command argument can be sent: no carriage return, line feed or NUL that would end
// the command early and start another.
bool IsSafeCommandText(std::wstring_view text);

}  // namespace ferrow
