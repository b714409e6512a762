#pragma once
// The main program's command line: "/url=" with one URL or several joined by "|", and
// "/silent". The browser plug-ins start the program with "/silent /url=..." and the autostart
// entry with "/silent".
#include <cstddef>
#include <string>
#include <vector>

namespace ferrow {

class CCommandLine {
 public:
  // The longest URL text kept: what the 4096-byte URL block holds.
  static constexpr size_t kMaxUrlText = 2046;

  // arguments[0] is the program. Every later argument is searched (letter case counts) for
  // "/url"; the text five characters behind its start is the URL text, and a later such
  // argument replaces an earlier one. "/silent" is searched in all arguments after the
  // program's name joined by spaces, so a URL holding "/silent" sets it too.
  void Parse(const std::vector<std::wstring>& arguments);

  bool HasUrl() const { return m_hasUrl; }
  const std::wstring& GetUrlText() const { return m_urlText; }
  bool IsSilent() const { return m_silent; }

  // The URLs of a URL text: the parts between the vertical bars, empty parts left out.
  static std::vector<std::wstring> SplitUrls(const std::wstring& text);

 private:
  bool m_hasUrl = false;
  std::wstring m_urlText;
  bool m_silent = false;
};

}  // namespace ferrow
