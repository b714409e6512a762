#pragma once
// A file name that came from outside (a server's Content-Disposition, the last segment of an
// address) made fit to stand in the user's download folder: it can never name another folder,
// a hidden path, a device or a terminal command.
#include <string>

namespace ferrow {

// The longest name kept, in bytes of UTF-8, leaving room for the ".fr" of the temporary file
// within the 255 bytes most file systems allow.
constexpr size_t kMaxSafeNameBytes = 240;

// Only what follows the last "/" or "\" is kept; control characters (C0, DEL, C1) and the
// bidirectional overrides become "_"; spaces and dots at the ends go; a name longer than
// kMaxSafeNameBytes is cut in its stem, keeping a short extension. Empty when nothing usable
// is left (an empty name, "..", only dots and spaces).
std::wstring MakeSafeFileName(const std::wstring& suggested);

// The name an address suggests: its path's last segment, percent-decoded, without query and
// fragment, made safe. Empty when it has none.
std::wstring FileNameOfUrl(const std::wstring& url);

}  // namespace ferrow
