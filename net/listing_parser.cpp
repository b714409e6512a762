#include "net/listing_parser.h"

#include <limits>
#include <string>
#include <vector>

#include "net/listing_date.h"
#include "net/listing_pattern.h"

namespace ferrow {

namespace {

const CListingPattern& UnixPattern() {
  static const CListingPattern pattern = [] {
    CListingPattern compiled;
    compiled.Compile(kUnixListingPattern);
    return compiled;
  }();
  return pattern;
}

const CListingPattern& DosPattern() {
  static const CListingPattern pattern = [] {
    CListingPattern compiled;
    compiled.Compile(kDosListingPattern);
    return compiled;
  }();
  return pattern;
}

// Lines of either shape match in a few steps per character; a hostile line that makes the
// matcher backtrack is given up on after this many, so a listing costs time in proportion to
// its length whatever the server sends.
constexpr std::size_t kBaseSteps = 100000;
constexpr std::size_t kStepsPerCharacter = 32;

CListingPattern::MatchResult MatchLine(const CListingPattern& pattern, std::wstring_view line,
                                       std::vector<std::wstring_view>& groups) {
  return pattern.Match(line, groups, kBaseSteps + kStepsPerCharacter * line.size());
}

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}
bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// The leading decimal digits as a size; none give 0, a number beyond 64 bits is not known.
std::int64_t ReadLeadingSize(std::wstring_view text) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (wchar_t c : text) {
    if (!IsDigit(c)) break;
    const int digit = c - L'0';
    if (value > (kMax - digit) / 10) return CEntryInfo::kUnknown;
    value = value * 10 + digit;
  }
  return value;
}

// A name must stand for something inside the listed folder: the address and the local file
// name are built from it, so an empty name, a path or a NUL from a broken or hostile server is
// refused.
bool IsUsableName(std::wstring_view name) {
  return !name.empty() && name.find(L'/') == std::wstring_view::npos &&
         name.find(L'\0') == std::wstring_view::npos;
}

}  // namespace

std::wstring_view TrimListingLine(std::wstring_view line) {
  const auto trimmed = [](wchar_t c) { return c == L' ' || c == L'\r' || c == L'\n'; };
  while (!line.empty() && trimmed(line.front())) line.remove_prefix(1);
  while (!line.empty() && trimmed(line.back())) line.remove_suffix(1);
  return line;
}

bool ParseUnixListingLine(std::wstring_view line, CEntryInfo& entry, std::int64_t now) {
  line = TrimListingLine(line);
  std::vector<std::wstring_view> groups;
  if (MatchLine(UnixPattern(), line, groups) != CListingPattern::MatchResult::Matched) return false;
  std::int64_t date = 0;
  if (!ParseListingDate(groups[4], date, now)) return false;

  std::wstring_view name = groups[5];
  // A link lists as "name -> target"; only the name is an entry of this folder.
  const std::size_t arrow = name.find(L" -> ");
  if (arrow != std::wstring_view::npos) name = name.substr(0, arrow);
  if (!IsUsableName(name)) return false;

  switch (groups[0].front()) {
    case L'-':
      entry.SetType(CEntryInfo::kTypeFile);
      break;
    case L'd':
      entry.SetType(CEntryInfo::kTypeDirectory);
      break;
    case L'l':
      entry.SetType(CEntryInfo::kTypeLink);
      break;
    default:
      break;
  }
  entry.SetDate(date);
  entry.SetSize(ReadLeadingSize(groups[3]));
  entry.SetOwner(std::wstring(groups[1]));
  entry.SetGroup(std::wstring(groups[2]));
  entry.SetName(std::wstring(name));
  return true;
}

bool ParseDosListingLine(std::wstring_view line, CEntryInfo& entry, std::int64_t now) {
  line = TrimListingLine(line);
  std::vector<std::wstring_view> groups;
  if (MatchLine(DosPattern(), line, groups) != CListingPattern::MatchResult::Matched) return false;
  std::int64_t date = 0;
  if (!ParseListingDate(groups[0], date, now)) return false;

  const std::wstring_view sizeText = groups[1];
  const bool directory = sizeText.starts_with(L"<DIR>");
  // The name is everything after the "<DIR>" or size column, so names with blanks stay whole.
  // Anything else in that column leaves the last word as the name, as the shape gives it.
  std::wstring_view name = groups[2];
  if (directory || (!sizeText.empty() && IsDigit(sizeText.front()))) {
    const std::size_t columnStart = static_cast<std::size_t>(sizeText.data() - line.data());
    std::size_t pos = columnStart;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    name = line.substr(pos);
  }
  if (!IsUsableName(name)) return false;

  entry.SetDate(date);
  entry.SetType(directory ? CEntryInfo::kTypeDirectory : CEntryInfo::kTypeFile);
  entry.SetSize(directory ? 0 : ReadLeadingSize(sizeText));
  entry.SetName(std::wstring(name));
  return true;
}

}  // namespace ferrow
