#pragma once
// How the new-download dialogs name the file of a URL and compose its target path: a file name
// from the URL that can never leave the chosen folder, and a path that no other download in the
// list uses.
#include <functional>
#include <string>

namespace ferrow {

// The last segment of the URL's path, percent-decoded, without query or fragment; separators,
// NUL and other control characters become "_"; "index.html" when nothing usable is left (no
// segment, ".", "..").
std::wstring ProposeFileName(const std::wstring& url);
// A name the user typed: not empty, no separator or NUL, not "." or "..".
bool IsValidFileName(const std::wstring& name);
// The folder's directory and the file name joined with one separator.
std::wstring ComposeTargetPath(const std::wstring& directory, const std::wstring& fileName);
// The path itself when taken(path) is false; else the first of "name (2).ext", "name (3).ext",
// ... that is free.
std::wstring UniqueTargetPath(const std::wstring& path,
                              const std::function<bool(const std::wstring&)>& taken);

}  // namespace ferrow
