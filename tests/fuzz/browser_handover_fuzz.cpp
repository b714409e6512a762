// The browser hand-over notes, which the native messaging host writes and the HTTP client
// reads: the input is the notes file. Notes are looked up for the URLs it names, then a new
// note is written, which rewrites the file. A note found is one for exactly that URL and not
// expired; the rewritten file holds only notes the reader takes back, within the limit of
// notes, the new note among them and, below the limit, every note found before.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/browser_handover.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;

constexpr int64_t kNow = 1796742000;
std::filesystem::path g_folder;

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

bool CheckFound(const std::string& url, BrowserHandoverNote& note) {
  if (!FindBrowserHandoverNote(url, kNow, note)) return false;
  FUZZ_CHECK(note.url == url);
  FUZZ_CHECK(note.time <= kNow + 60 && kNow - note.time < kBrowserHandoverDays * 86400);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  g_folder = std::filesystem::path(base) / ("ferrow-handover-fuzz-" + std::to_string(::getpid()));
  std::atexit(RemoveFolder);
  setenv("XDG_DATA_HOME", g_folder.c_str(), 1);
  std::filesystem::create_directories(BrowserHandoverPath().parent_path());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(BrowserHandoverPath(), std::ios::binary | std::ios::trunc);
    out.write(input.data(), static_cast<std::streamsize>(size));
  }

  // The second field of each line is the URL a note is for.
  std::vector<BrowserHandoverNote> found;
  int lookups = 0;
  for (size_t line = 0; line < size && lookups < 16; ++lookups) {
    const size_t end = std::min(input.find('\n', line), size);
    const std::string_view text = input.substr(line, end - line);
    const size_t tab = text.find('\t');
    BrowserHandoverNote note;
    if (tab != std::string_view::npos &&
        CheckFound(std::string(text.substr(tab + 1, text.find('\t', tab + 1) - tab - 1)), note))
      found.push_back(note);
    line = end + 1;
  }

  const BrowserHandoverNote note{kNow, "http://example.org/file.zip", "http://example.org/",
                                 "session=1"};
  FUZZ_CHECK(WriteBrowserHandoverNote(note));
  BrowserHandoverNote written;
  FUZZ_CHECK(CheckFound(note.url, written) && written.cookies == note.cookies);

  std::ifstream in(BrowserHandoverPath(), std::ios::binary);
  std::string line;
  size_t lines = 0;
  while (std::getline(in, line)) {
    ++lines;
    size_t tabs = 0;
    for (char c : line) tabs += c == '\t';
    FUZZ_CHECK(tabs == 3);
  }
  FUZZ_CHECK(lines >= 1 && lines <= kBrowserHandoverNotes);
  // Below the limit, every note found before is found as it was.
  if (lines == kBrowserHandoverNotes) return 0;
  for (const BrowserHandoverNote& before : found) {
    if (before.url == note.url) continue;
    BrowserHandoverNote after;
    FUZZ_CHECK(CheckFound(before.url, after));
    FUZZ_CHECK(after.time == before.time && after.referrer == before.referrer &&
               after.cookies == before.cookies);
  }
  return 0;
}
