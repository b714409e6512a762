#include "net/listing_date.h"

#include <array>
#include <chrono>
#include <optional>

#include "platform/local_time.h"

namespace ferrow {

namespace {

constexpr std::int64_t kFutureTolerance = 2 * 24 * 60 * 60;
constexpr std::size_t kMaxTokens = 3;

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}
wchar_t ToLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToLower(a[i]) != ToLower(b[i])) return false;
  }
  return true;
}

// Splits at blank runs; false when there are more words than any known form has.
bool Tokenize(std::wstring_view text, std::array<std::wstring_view, kMaxTokens>& tokens,
              std::size_t& count) {
  count = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos == text.size()) break;
    const std::size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos])) ++pos;
    if (count == kMaxTokens) return false;
    tokens[count++] = text.substr(start, pos - start);
  }
  return true;
}

// All of text must be digits, between one and maxDigits of them.
bool ReadNumber(std::wstring_view text, std::size_t maxDigits, int& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (wchar_t c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - L'0');
  }
  return true;
}

int MonthFromName(std::wstring_view text) {
  static constexpr const wchar_t* kNames[] = {L"January",   L"February", L"March",    L"April",
                                              L"May",       L"June",     L"July",     L"August",
                                              L"September", L"October",  L"November", L"December"};
  for (int month = 0; month < 12; ++month) {
    const std::wstring_view name = kNames[month];
    if (EqualsIgnoringCase(text, name) || EqualsIgnoringCase(text, name.substr(0, 3))) {
      return month + 1;
    }
  }
  return 0;
}

enum class Meridiem { None, Am, Pm };

bool ReadMeridiem(std::wstring_view text, Meridiem& meridiem) {
  if (EqualsIgnoringCase(text, L"AM")) {
    meridiem = Meridiem::Am;
    return true;
  }
  if (EqualsIgnoringCase(text, L"PM")) {
    meridiem = Meridiem::Pm;
    return true;
  }
  return false;
}

// hh:mm or hh:mm:ss, with AM or PM attached or given as the next word.
bool ReadTime(std::wstring_view text, std::optional<std::wstring_view> suffix, LocalDateTime& out) {
  Meridiem meridiem = Meridiem::None;
  if (text.size() > 2 && ReadMeridiem(text.substr(text.size() - 2), meridiem)) {
    text.remove_suffix(2);
  }
  if (suffix) {
    if (meridiem != Meridiem::None || !ReadMeridiem(*suffix, meridiem)) return false;
  }
  const std::size_t first = text.find(L':');
  if (first == std::wstring_view::npos) return false;
  const std::size_t second = text.find(L':', first + 1);
  int hour = 0, minute = 0, secs = 0;
  if (!ReadNumber(text.substr(0, first), 2, hour)) return false;
  const std::wstring_view minutePart = second == std::wstring_view::npos
                                           ? text.substr(first + 1)
                                           : text.substr(first + 1, second - first - 1);
  if (minutePart.size() != 2 || !ReadNumber(minutePart, 2, minute)) return false;
  if (second != std::wstring_view::npos) {
    const std::wstring_view secondPart = text.substr(second + 1);
    if (secondPart.size() != 2 || !ReadNumber(secondPart, 2, secs)) return false;
  }
  if (meridiem != Meridiem::None) {
    if (hour < 1 || hour > 12) return false;
    hour %= 12;
    if (meridiem == Meridiem::Pm) hour += 12;
  }
  out.hour = hour;
  out.minute = minute;
  out.second = secs;
  return true;
}

// mm-dd-yy, mm-dd-yyyy or yyyy-mm-dd; "/" may stand for "-".
bool ReadNumericDate(std::wstring_view text, LocalDateTime& out) {
  const std::size_t first = text.find_first_of(L"-/");
  if (first == std::wstring_view::npos) return false;
  const wchar_t separator = text[first];
  const std::size_t second = text.find(separator, first + 1);
  if (second == std::wstring_view::npos) return false;
  const std::wstring_view a = text.substr(0, first);
  const std::wstring_view b = text.substr(first + 1, second - first - 1);
  const std::wstring_view c = text.substr(second + 1);
  int year = 0, month = 0, day = 0;
  if (a.size() == 4) {
    if (!ReadNumber(a, 4, year) || !ReadNumber(b, 2, month) || !ReadNumber(c, 2, day)) return false;
  } else {
    if (!ReadNumber(a, 2, month) || !ReadNumber(b, 2, day)) return false;
    if (c.size() == 2) {
      if (!ReadNumber(c, 2, year)) return false;
      year += year < 70 ? 2000 : 1900;
    } else if (c.size() != 4 || !ReadNumber(c, 4, year)) {
      return false;
    }
  }
  out.year = year;
  out.month = month;
  out.day = day;
  return true;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsValid(const LocalDateTime& t) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 1900 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const int days = (t.month == 2 && IsLeapYear(t.year)) ? 29 : kDays[t.month - 1];
  return t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
         t.second >= 0 && t.second <= 59;
}

bool Convert(const LocalDateTime& t, std::int64_t& date) {
  return IsValid(t) && LocalTimeToUnix(t, date);
}

// Fills the fields; yearKnown is false for the month-day-time form.
bool ReadFields(std::wstring_view text, LocalDateTime& out, bool& yearKnown) {
  std::array<std::wstring_view, kMaxTokens> tokens;
  std::size_t count = 0;
  if (!Tokenize(text, tokens, count) || count < 2) return false;

  if (IsDigit(tokens[0].front()) && tokens[0].find_first_of(L"-/") != std::wstring_view::npos) {
    yearKnown = true;
    std::optional<std::wstring_view> suffix;
    if (count == 3) suffix = tokens[2];
    return ReadNumericDate(tokens[0], out) && ReadTime(tokens[1], suffix, out);
  }

  if (count != 3) return false;
  int month = MonthFromName(tokens[0]);
  std::wstring_view dayText = tokens[1];
  if (month == 0) {
    month = MonthFromName(tokens[1]);
    dayText = tokens[0];
  }
  if (month == 0 || !ReadNumber(dayText, 2, out.day)) return false;
  out.month = month;
  if (tokens[2].find(L':') != std::wstring_view::npos) {
    yearKnown = false;
    return ReadTime(tokens[2], std::nullopt, out);
  }
  yearKnown = true;
  out.hour = out.minute = out.second = 0;
  return tokens[2].size() == 4 && ReadNumber(tokens[2], 4, out.year);
}

}  // namespace

bool ParseListingDate(std::wstring_view text, std::int64_t& date) {
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return ParseListingDate(text, date, static_cast<std::int64_t>(now.count()));
}

bool ParseListingDate(std::wstring_view text, std::int64_t& date, std::int64_t now) {
  LocalDateTime fields;
  bool yearKnown = false;
  if (!ReadFields(text, fields, yearKnown)) return false;
  if (yearKnown) return Convert(fields, date);

  LocalDateTime today;
  if (!UnixToLocalTime(now, today)) return false;
  fields.year = today.year;
  std::int64_t thisYear = 0;
  const bool thisYearValid = Convert(fields, thisYear);
  if (thisYearValid && thisYear <= now + kFutureTolerance) {
    date = thisYear;
    return true;
  }
  // Ahead of now (or 29 February in a common year): the file is from the year before.
  fields.year = today.year - 1;
  std::int64_t lastYear = 0;
  if (Convert(fields, lastYear)) {
    date = lastYear;
    return true;
  }
  if (thisYearValid) {
    date = thisYear;
    return true;
  }
  return false;
}

}  // namespace ferrow
