#pragma once
// What a browser hands over beside a URL: the page it came from and the cookies the browser
// would send for that URL. The native messaging host writes one note per handed-over URL; the
// HTTP client sends a note's cookies and referrer with requests for exactly that URL, so that a
// download behind a login works as it did in the browser.
//
// The notes live in one file, "BrowserHandover.txt" in the program's data folder, readable by
// the user only (they hold session cookies), one line per note:
//     <seconds since 1970> TAB <url> TAB <referrer> TAB <cookies>
// No field can hold a tab or a line break (WriteBrowserHandoverNote refuses them). A change
// takes an exclusive lock on "BrowserHandover.lock" beside it and replaces the file atomically;
// readers take no lock. Notes expire after kBrowserHandoverDays; at most kBrowserHandoverNotes
// are kept, the newest.
#include <cstdint>
#include <filesystem>
#include <string>

namespace ferrow {

struct BrowserHandoverNote {
  int64_t time = 0;  // seconds since 1970, when it was written
  std::string url;   // UTF-8, as the browser sent it
  std::string referrer;
  std::string cookies;  // "name=value; name=value"
};

inline constexpr int64_t kBrowserHandoverDays = 7;
inline constexpr size_t kBrowserHandoverNotes = 200;
inline constexpr size_t kBrowserHandoverMaxUrl = 8192;
inline constexpr size_t kBrowserHandoverMaxCookies = 16384;

std::filesystem::path BrowserHandoverPath();

// Whether text can be stored as a field: no control characters, within the limit.
bool IsStorableHandoverField(const std::string& text, size_t limit);

// Adds the note (replacing an older one for the same URL) and drops expired ones. False when a
// field cannot be stored or the file cannot be written.
bool WriteBrowserHandoverNote(const BrowserHandoverNote& note);
// The newest note for exactly this URL that has not expired at now.
bool FindBrowserHandoverNote(const std::string& url, int64_t now, BrowserHandoverNote& note);

}  // namespace ferrow
