#include "net/http_response.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/local_time.h"

namespace ferrow {

namespace {

constexpr uint64_t kUnknownDate = ~uint64_t{0};

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool IsControl(wchar_t c) {
  return (c >= 0 && c < 0x20) || c == 0x7F;
}

void AppendEscaped(std::wstring& out, wchar_t c) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  out += L'%';
  out += kHex[(c >> 4) & 0xF];
  out += kHex[c & 0xF];
}

// Reads a run of decimal digits as a number below 100000; false when there is none or it is
// longer.
bool ReadSmallNumber(std::string_view text, int& value) {
  if (text.empty() || text.size() > 5) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

int MonthNumber(std::string_view word) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  if (word.size() < 3) return 0;
  for (int i = 0; i < 12; ++i)
    if (EqualsNoCase(word.substr(0, 3), kMonths[i])) return i + 1;
  return 0;
}

bool IsWeekday(std::string_view word) {
  static const char* const kDays[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
  if (word.size() < 3) return false;
  for (const char* day : kDays)
    if (EqualsNoCase(word.substr(0, 3), day)) return true;
  return false;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ParseClock(std::string_view token, LocalDateTime& time) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t start = 0;
  while (start <= token.size()) {
    size_t colon = token.find(':', start);
    std::string_view part =
        token.substr(start, colon == std::string_view::npos ? token.size() - start : colon - start);
    if (count == 3 || !ReadSmallNumber(part, parts[count])) return false;
    ++count;
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (count < 2) return false;
  time.hour = parts[0];
  time.minute = parts[1];
  time.second = parts[2];
  return time.hour < 24 && time.minute < 60 && time.second < 60;
}

}  // namespace

size_t FindHeaderLine(std::string_view block, std::string_view name) {
  if (name.empty()) return std::string_view::npos;
  for (size_t lineEnd = block.find('\n'); lineEnd != std::string_view::npos;
       lineEnd = block.find('\n', lineEnd + 1)) {
    size_t begin = lineEnd + 1;
    if (block.size() - begin < name.size()) break;
    if (EqualsNoCase(block.substr(begin, name.size()), name)) return begin;
  }
  return std::string_view::npos;
}

bool FindHeaderValue(std::string_view block, std::string_view name, std::string_view& value) {
  size_t begin = FindHeaderLine(block, name);
  if (begin == std::string_view::npos) return false;
  begin += name.size();
  size_t end = block.find('\n', begin);
  if (end == std::string_view::npos) end = block.size();
  if (end > begin && block[end - 1] == '\r') --end;
  value = block.substr(begin, end - begin);
  return true;
}

uint32_t ParseStatusCode(std::string_view firstLine) {
  if (firstLine.size() <= 9) return 0;
  size_t i = 9;
  while (i < firstLine.size() && (firstLine[i] == ' ' || firstLine[i] == '\t')) ++i;
  uint32_t status = 0;
  int digits = 0;
  for (; i < firstLine.size() && IsDigit(firstLine[i]); ++i) {
    if (++digits > 3) return 0;
    status = status * 10 + static_cast<uint32_t>(firstLine[i] - '0');
  }
  return status;
}

namespace {

bool ParseLengthValue(std::string_view value, int64_t& length) {
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  if (i >= value.size() || !IsDigit(value[i])) return false;
  uint64_t number = 0;
  for (; i < value.size() && IsDigit(value[i]); ++i) {
    number = number * 10 + static_cast<uint64_t>(value[i] - '0');
    if (number > static_cast<uint64_t>(INT64_MAX)) return false;
  }
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  length = negative ? -static_cast<int64_t>(number) : static_cast<int64_t>(number);
  return i == value.size();
}

std::vector<std::string_view> SplitAtCommas(std::string_view value) {
  std::vector<std::string_view> items;
  for (size_t comma; (comma = value.find(',')) != std::string_view::npos;) {
    items.push_back(value.substr(0, comma));
    value.remove_prefix(comma + 1);
  }
  items.push_back(value);
  return items;
}

}  // namespace

bool ParseContentLength(std::string_view block, int64_t& length) {
  static constexpr std::string_view kName = "Content-Length:";
  bool found = false;
  // Every header of the name, so that two of them that disagree are seen.
  for (size_t from = 0;;) {
    std::string_view rest = block.substr(from);
    std::string_view value;
    if (!FindHeaderValue(rest, kName, value)) break;
    // "Content-Length: 5, 5" is one length written twice; "5, 6" are two.
    for (std::string_view item : SplitAtCommas(value)) {
      int64_t number = 0;
      if (!ParseLengthValue(item, number) || (found && number != length)) return false;
      length = number;
      found = true;
    }
    from += FindHeaderLine(rest, kName) + kName.size();
  }
  return found;
}

bool IsChunked(std::string_view block) {
  std::string_view value;
  if (!FindHeaderValue(block, "Transfer-Encoding:", value)) return false;
  for (size_t i = 0; i + 7 <= value.size(); ++i)
    if (EqualsNoCase(value.substr(i, 7), "chunked")) return true;
  return false;
}

bool ParseContentRangeTotal(std::string_view block, int64_t& total) {
  std::string_view range;
  if (!FindHeaderValue(block, "Content-Range:", range)) return false;
  size_t slash = range.find('/');
  if (slash == std::string_view::npos) return false;
  std::string_view value = range.substr(slash + 1);
  return ParseLengthValue(value, total) && total >= 0;
}

bool FindEntityTag(std::string_view block, std::string& tag) {
  std::string_view value;
  if (!FindHeaderValue(block, "ETag:", value)) return false;
  size_t begin = value.find_first_not_of(" \t");
  size_t end = value.find_last_not_of(" \t");
  tag.assign(begin == std::string_view::npos ? std::string_view()
                                             : value.substr(begin, end - begin + 1));
  return !tag.empty();
}

uint64_t ParseLastModified(std::string_view block) {
  static constexpr std::string_view kName = "Last-Modified:";
  size_t begin = FindHeaderLine(block, kName);
  if (begin == std::string_view::npos) return kUnknownDate;
  size_t behindColon = begin + kName.size();
  if (block.size() - behindColon < 29) return kUnknownDate;
  int64_t seconds = 0;
  if (!ParseEnglishDateTime(block.substr(behindColon + 5, 20), seconds) || seconds < 0)
    return kUnknownDate;
  return static_cast<uint64_t>(seconds);
}

bool ParseEnglishDateTime(std::string_view text, int64_t& seconds) {
  LocalDateTime time;
  int month = 0;
  std::vector<std::string_view> numbers;
  bool sawClock = false;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == ',' || text[i] == '\t') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != ',' && text[end] != '\t') ++end;
    std::string_view token = text.substr(i, end - i);
    i = end;
    if (token.find(':') != std::string_view::npos) {
      if (sawClock || !ParseClock(token, time)) return false;
      sawClock = true;
    } else if (IsDigit(token[0])) {
      numbers.push_back(token);
    } else if (int m = MonthNumber(token); m != 0 && month == 0) {
      month = m;
    } else if (!IsWeekday(token) && !EqualsNoCase(token, "GMT") && !EqualsNoCase(token, "UTC")) {
      return false;
    }
  }
  if (month == 0 || numbers.size() != 2) return false;
  int first = 0;
  int second = 0;
  if (!ReadSmallNumber(numbers[0], first) || !ReadSmallNumber(numbers[1], second)) return false;
  // The day has at most two digits; the year is the other number (a two-digit year only
  // after a day).
  bool firstShort = numbers[0].size() <= 2;
  bool secondShort = numbers[1].size() <= 2;
  if (!firstShort && !secondShort) return false;
  int day = firstShort ? first : second;
  int year = firstShort ? second : first;
  if (year < 100) year += year < 70 ? 2000 : 1900;
  if (year < 1970 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return false;
  time.year = year;
  time.month = month;
  time.day = day;
  return LocalTimeToUnix(time, seconds);
}

bool ParseRetryAfter(std::string_view block, int64_t& seconds) {
  std::string_view value;
  return FindHeaderValue(block, "Retry-After:", value) && ParseLengthValue(value, seconds) &&
         seconds >= 0;
}

bool ParseLocation(std::string_view block, std::string& value) {
  std::string_view raw;
  if (!FindHeaderValue(block, "Location:", raw)) return false;
  size_t begin = 0;
  auto isTrimmed = [](char c) { return c == '\r' || c == '\n' || c == '\t' || c == ' '; };
  size_t end = raw.size();
  while (end > begin && isTrimmed(raw[end - 1])) --end;
  while (begin < end && isTrimmed(raw[begin])) ++begin;
  value.assign(raw.substr(begin, end - begin));
  return true;
}

bool FindSetCookie(std::string_view block, std::string& value) {
  std::string_view raw;
  if (!FindHeaderValue(block, "Set-Cookie:", raw)) return false;
  value.assign(raw);
  return true;
}

std::wstring EscapeRequestTarget(const std::wstring& target) {
  static const wchar_t kUnsafe[] = L" <>\"#{}|\\^~[]'";
  std::wstring result;
  result.reserve(target.size());
  for (size_t i = 0; i < target.size(); ++i) {
    wchar_t c = target[i];
    if (c == L'%') {
      bool escaped =
          i + 2 < target.size() && IsHexDigit(target[i + 1]) && IsHexDigit(target[i + 2]);
      if (escaped) {
        result += c;
      } else {
        AppendEscaped(result, c);
      }
    } else if (IsControl(c) || (c != L'\0' && std::wcschr(kUnsafe, c) != nullptr)) {
      AppendEscaped(result, c);
    } else {
      result += c;
    }
  }
  return result;
}

std::wstring EscapeControlCharacters(const std::wstring& value) {
  std::wstring result;
  result.reserve(value.size());
  for (wchar_t c : value) {
    if (IsControl(c)) {
      AppendEscaped(result, c);
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace ferrow
