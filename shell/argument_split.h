#pragma once
// Splits an argument text the way a POSIX shell splits words, without anything else a shell
// does: spaces and tabs separate words; single quotes keep everything up to the next single
// quote; double quotes keep everything, a backslash escaping only '"', '\', '$' and '`';
// outside quotes a backslash takes the next character as it is. Nothing is expanded or run:
// "$HOME", "*" and "$(cmd)" stay text. An unclosed quote runs to the end of the text.
#include <string>
#include <vector>

namespace ferrow {

std::vector<std::wstring> SplitArguments(const std::wstring& text);

}  // namespace ferrow
