#pragma once
// How the site explorer moves between remote folders. Paths are absolute, "/"-separated and
// taken as the server shows them (not escaped).
#include <string>

namespace ferrow {

// The folder reached from path by the name: ".." goes up one level (never above "/"), a plain
// name goes down into that folder, and a name that begins with "/" is a path of its own (so "/"
// is the top). An empty name stays where it is. Trailing "/" characters of the path are dropped
// first.
std::wstring NextFolderPath(const std::wstring& path, const std::wstring& name);

// False for text that must never reach a command line of the server: line breaks and NUL would
// end the command early and let the rest be read as another command.
bool IsSafeFolderText(const std::wstring& text);

}  // namespace ferrow
