#pragma once
// The two shapes of remote directory listing lines and how their parts become an entry.
#include <cstdint>
#include <string_view>

#include "net/entry_info.h"

namespace ferrow {

// Unix long listing: permissions, link count, owner, group (may be empty), size, a three-word
// date, name (a link's name followed by " -> " and its target). The permissions take the
// sticky and set-id letters (t T s S) and one trailing mark of an ACL (+) or a security
// context (.), which servers show on ordinary folders such as /tmp.
inline constexpr wchar_t kUnixListingPattern[] =
    L"^{[ldrwxsStT\\-]+[+.]?}\\b+\\z\\b+{\\a+}\\b+{\\a*}\\b+{\\z}\\b+{.*?\\b+.*?\\b+.*?}\\b+{.*}";
// DOS listing: a two-word date, "<DIR>" or a size, name.
inline constexpr wchar_t kDosListingPattern[] = L"^{.*?\\b+.*?}\\b+{.*}\\b+{.*}";

// Spaces, CR and LF around a line carry nothing; tabs are kept (they may be part of a name).
std::wstring_view TrimListingLine(std::wstring_view line);

// Each reads one line into entry, with now (seconds since 1970 UTC) deciding the year of dates
// that show none. False leaves entry unchanged.
bool ParseUnixListingLine(std::wstring_view line, CEntryInfo& entry, std::int64_t now);
bool ParseDosListingLine(std::wstring_view line, CEntryInfo& entry, std::int64_t now);

}  // namespace ferrow
