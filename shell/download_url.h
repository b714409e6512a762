#pragma once
// The main program's URL tests: whether a text counts as a downloadable URL (clipboard
// monitoring and the new-download dialog), and the URL lists that Import reads and Export
// writes. Plain functions over text; the windowed program does the file and clipboard work.
#include <string>
#include <vector>

namespace ferrow {

// True when the text begins with "ftp://" or "http://" (letter case counts), holds a "/" that
// is not its last character, and either has no "." at all or ends, behind its last ".", in a
// type of the space-separated list (letter case ignored; an entry with "*" compares only the
// characters before it). The list ends at its first empty entry; an empty list accepts nothing.
// Unlike the browser plug-ins' test, the last "." may lie before the last "/".
bool IsDownloadUrl(const std::wstring& text, const std::wstring& extensionList);

// The URLs of an imported text file: every line that, with spaces, tabs, CR and LF cut from
// both ends, begins with "ftp://" or "http://" (small letters only), in file order.
std::vector<std::wstring> ParseUrlList(const std::wstring& text);

// The exported list: each URL followed by a line break.
std::wstring FormatUrlList(const std::vector<std::wstring>& urls);

}  // namespace ferrow
