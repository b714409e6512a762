#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/argument_split.h"

namespace ferrow {
namespace {

struct LineCase {
  std::vector<std::wstring> arguments;
  bool hasUrl;
  std::wstring url;
  bool silent;
};

TEST(CommandLineTest, ParsingRules) {
  const std::wstring longUrl = L"http://h/" + std::wstring(3000, L'a');
  const std::vector<LineCase> cases = {
      {{L"ferrow"}, false, L"", false},
      {{L"ferrow", L"/url=A|B|C"}, true, L"A|B|C", false},
      // The last "/url" wins; the text starts five characters behind "/url".
      {{L"ferrow", L"/url=first", L"x/url=second"}, true, L"second", false},
      {{L"ferrow", L"/url"}, true, L"", false},
      {{L"ferrow", L"/url=" + longUrl}, true, longUrl.substr(0, CCommandLine::kMaxUrlText), false},
      {{L"ferrow", L"/SILENT", L"/URL=x"}, false, L"", false},
      {{L"ferrow", L"/silent", L"/url=x"}, true, L"x", true},
      // The whole line is searched: a URL that holds "/silent" sets it.
      {{L"ferrow", L"/url=http://h/silent/file"}, true, L"http://h/silent/file", true},
      // Not the program's own path.
      {{L"/opt/silent-apps/ferrow"}, false, L"", false},
  };
  for (const LineCase& c : cases) {
    CCommandLine line;
    line.Parse(c.arguments);
    SCOPED_TRACE(c.arguments.back().substr(0, 40));
    EXPECT_EQ(line.HasUrl(), c.hasUrl);
    EXPECT_EQ(line.GetUrlText(), c.url);
    EXPECT_EQ(line.IsSilent(), c.silent);
  }
  EXPECT_EQ(CCommandLine::SplitUrls(L"A|B||C|"), (std::vector<std::wstring>{L"A", L"B", L"C"}));
  EXPECT_TRUE(CCommandLine::SplitUrls(L"").empty());
}

TEST(ArgumentSplitTest, SplitsLikeAShellWithoutExpandingAnything) {
  using Words = std::vector<std::wstring>;
  EXPECT_EQ(SplitArguments(L"  --scan   -r\t"), (Words{L"--scan", L"-r"}));
  EXPECT_EQ(SplitArguments(L"'a b' \"c d\" e\\ f"), (Words{L"a b", L"c d", L"e f"}));
  EXPECT_EQ(SplitArguments(L"\"say \\\"hi\\\" \\n\" 'it'\\''s'"),
            (Words{L"say \"hi\" \\n", L"it's"}));
  EXPECT_EQ(SplitArguments(L"$HOME * $(touch x) `id` a;b"),
            (Words{L"$HOME", L"*", L"$(touch", L"x)", L"`id`", L"a;b"}));
  EXPECT_EQ(SplitArguments(L"'' \"\" x"), (Words{L"", L"", L"x"}));
  EXPECT_EQ(SplitArguments(L"'unclosed rest"), (Words{L"unclosed rest"}));
}

}  // namespace
}  // namespace ferrow
