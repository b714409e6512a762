#include "shell/command_line.h"

namespace ferrow {

void CCommandLine::Parse(const std::vector<std::wstring>& arguments) {
  m_hasUrl = false;
  m_urlText.clear();
  m_silent = false;
  if (arguments.size() < 2) return;
  std::wstring joined;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (i > 1) joined += L' ';
    joined += argument;
    const size_t found = argument.find(L"/url");
    if (found == std::wstring::npos) continue;
    m_hasUrl = true;
    const size_t begin = found + 5;  // behind "/url="
    m_urlText = begin < argument.size() ? argument.substr(begin, kMaxUrlText) : std::wstring();
  }
  // The program's own path stays out: on this system a folder such as "/silent-apps/" could
  // otherwise switch the option on.
  m_silent = joined.find(L"/silent") != std::wstring::npos;
}

std::vector<std::wstring> CCommandLine::SplitUrls(const std::wstring& text) {
  std::vector<std::wstring> urls;
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find(L'|', begin);
    if (end == std::wstring::npos) end = text.size();
    if (end > begin) urls.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return urls;
}

}  // namespace ferrow
