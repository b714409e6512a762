#include "net/ftp_reply.h"

#include "platform/local_time.h"

namespace ferrow {

namespace {

constexpr uint64_t kUnknownDate = ~uint64_t{0};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int TwoDigits(std::string_view text, size_t at) {
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

}  // namespace

bool ParseReplyCode(std::string_view line, uint32_t& code) {
  if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return false;
  if (line.size() > 3 && line[3] != ' ' && line[3] != '-' && line[3] != '\r' && line[3] != '\n')
    return false;
  code = static_cast<uint32_t>((line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0'));
  return true;
}

bool IsContinuedReplyLine(std::string_view line) {
  return line.size() > 3 && line[3] == '-';
}

bool ParsePassiveReply(std::string_view text, uint32_t& address, uint16_t& port) {
  size_t at = text.find('(');
  if (at == std::string_view::npos) return false;
  uint32_t numbers[6];
  for (int i = 0; i < 6; ++i) {
    // Each number stands behind its separator: "(" for the first, "," for the others.
    if (at >= text.size() || text[at] != (i == 0 ? '(' : ',')) return false;
    ++at;
    while (at < text.size() && text[at] == ' ') ++at;
    uint32_t value = 0;
    size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
      value = value * 10 + static_cast<uint32_t>(text[at] - '0');
      if (++digits > 3 || value > 255) return false;
    }
    if (digits == 0) return false;
    while (at < text.size() && text[at] == ' ') ++at;
    numbers[i] = value;
  }
  address = (numbers[0] << 24) | (numbers[1] << 16) | (numbers[2] << 8) | numbers[3];
  port = static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
  return true;
}

bool ParseSizeReply(std::string_view text, int64_t& size) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i >= text.size() || !IsDigit(text[i])) return false;
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (value > (INT64_MAX - 9) / 10) return false;
    value = value * 10 + (text[i] - '0');
  }
  size = value;
  return true;
}

uint64_t ParseModificationTimeReply(std::string_view text) {
  if (text.size() != 16 || text.substr(14) != "\r\n") return kUnknownDate;
  for (size_t i = 0; i < 14; ++i)
    if (!IsDigit(text[i])) return kUnknownDate;
  LocalDateTime time;
  time.year = TwoDigits(text, 0) * 100 + TwoDigits(text, 2);
  time.month = TwoDigits(text, 4);
  time.day = TwoDigits(text, 6);
  time.hour = TwoDigits(text, 8);
  time.minute = TwoDigits(text, 10);
  time.second = TwoDigits(text, 12);
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (time.year < 1970 || time.month < 1 || time.month > 12 || time.day < 1) return kUnknownDate;
  bool leap = (time.year % 4 == 0 && time.year % 100 != 0) || time.year % 400 == 0;
  int days = kDays[time.month - 1] + (time.month == 2 && leap ? 1 : 0);
  if (time.day > days || time.hour > 23 || time.minute > 59 || time.second > 60)
    return kUnknownDate;
  if (time.second == 60) time.second = 59;  // a leap second names the last second of the minute
  int64_t seconds = 0;
  if (!LocalTimeToUnix(time, seconds) || seconds < 0) return kUnknownDate;
  return static_cast<uint64_t>(seconds);
}

bool IsSafeCommandText(std::wstring_view text) {
  for (wchar_t c : text)
    if (c == L'\r' || c == L'\n' || c == L'\0') return false;
  return true;
}

bool ParseExtendedPassiveReply(std::string_view text, uint16_t& port) {
  const size_t open = text.find('(');
  if (open == std::string_view::npos || open + 5 > text.size()) return false;
  const char delimiter = text[open + 1];
  // RFC 2428: any printable character other than a digit may delimit.
  if (delimiter < 33 || delimiter > 126 || (delimiter >= '0' && delimiter <= '9')) return false;
  if (text[open + 2] != delimiter || text[open + 3] != delimiter) return false;
  uint32_t value = 0;
  size_t at = open + 4;
  size_t digits = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 6; ++at, ++digits)
    value = value * 10 + static_cast<uint32_t>(text[at] - '0');
  if (digits == 0 || value == 0 || value > 65535 || at >= text.size() || text[at] != delimiter)
    return false;
  port = static_cast<uint16_t>(value);
  return true;
}

}  // namespace ferrow
