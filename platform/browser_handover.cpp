#include "platform/browser_handover.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <sstream>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace ferrow {
namespace {

constexpr size_t kMaxFileBytes = 8 << 20;
constexpr int64_t kLifetime = kBrowserHandoverDays * 24 * 60 * 60;

std::vector<BrowserHandoverNote> ReadNotes(const std::filesystem::path& path) {
  std::vector<BrowserHandoverNote> notes;
  std::string bytes;
  if (ReadWholeFile(path, bytes, kMaxFileBytes) != ReadFileResult::kRead) return notes;
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() != 4 || fields[1].empty()) continue;  // not ours: skipped
    BrowserHandoverNote note;
    char* end = nullptr;
    note.time = std::strtoll(fields[0].c_str(), &end, 10);
    if (fields[0].empty() || *end != '\0') continue;
    note.url = fields[1];
    note.referrer = fields[2];
    note.cookies = fields[3];
    notes.push_back(std::move(note));
  }
  return notes;
}

bool Fresh(const BrowserHandoverNote& note, int64_t now) {
  return note.time <= now + 60 && now - note.time < kLifetime;
}

}  // namespace

std::filesystem::path BrowserHandoverPath() {
  return std::filesystem::path(WideToLocal(GetAppDataFolderPath())) / "BrowserHandover.txt";
}

bool IsStorableHandoverField(const std::string& text, size_t limit) {
  if (text.size() > limit) return false;
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

bool WriteBrowserHandoverNote(const BrowserHandoverNote& note) {
  if (note.url.empty() || !IsStorableHandoverField(note.url, kBrowserHandoverMaxUrl) ||
      !IsStorableHandoverField(note.referrer, kBrowserHandoverMaxUrl) ||
      !IsStorableHandoverField(note.cookies, kBrowserHandoverMaxCookies))
    return false;
  const std::filesystem::path path = BrowserHandoverPath();
  if (!CreateFolderChain(LocalToWide(path.parent_path().string()))) return false;
  const std::string lockPath = path.string() + ".lock";
  int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock < 0) return false;
  int rc;
  do rc = ::flock(lock, LOCK_EX);
  while (rc != 0 && errno == EINTR);
  bool ok = false;
  if (rc == 0) {
    std::vector<BrowserHandoverNote> kept;
    for (auto& old : ReadNotes(path))
      if (old.url != note.url && Fresh(old, note.time)) kept.push_back(std::move(old));
    kept.push_back(note);
    if (kept.size() > kBrowserHandoverNotes)
      kept.erase(kept.begin(), kept.end() - kBrowserHandoverNotes);
    std::string text;
    for (const auto& n : kept)
      text += std::to_string(n.time) + "\t" + n.url + "\t" + n.referrer + "\t" + n.cookies + "\n";
    ok = WriteFileAtomically(path, text, FileAccess::kOwnerOnly);
    ::flock(lock, LOCK_UN);
  }
  ::close(lock);
  return ok;
}

bool FindBrowserHandoverNote(const std::string& url, int64_t now, BrowserHandoverNote& note) {
  const std::filesystem::path path = BrowserHandoverPath();
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return false;
  bool found = false;
  for (auto& candidate : ReadNotes(path)) {
    if (candidate.url == url && Fresh(candidate, now) && (!found || candidate.time >= note.time)) {
      note = std::move(candidate);
      found = true;
    }
  }
  return found;
}

}  // namespace ferrow
