#include "shell/argument_split.h"

namespace ferrow {

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
  std::vector<std::wstring> words;
  std::wstring word;
  bool inWord = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\r') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == L'\'') {
      const size_t end = text.find(L'\'', i + 1);
      const size_t stop = end == std::wstring::npos ? text.size() : end;
      word.append(text, i + 1, stop - i - 1);
      i = stop;
    } else if (c == L'"') {
      for (++i; i < text.size() && text[i] != L'"'; ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() &&
            std::wstring(L"\"\\$`").find(text[i + 1]) != std::wstring::npos)
          ++i;
        word += text[i];
      }
    } else if (c == L'\\') {
      if (i + 1 < text.size()) word += text[++i];
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

}  // namespace ferrow
