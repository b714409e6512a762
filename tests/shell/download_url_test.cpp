#include "shell/download_url.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"

namespace ferrow {
namespace {

TEST(DownloadUrlTest, TheMainProgramsOwnRules) {
  const std::wstring list = CSettings::kDefaultExtensionList;
  struct Case {
    const wchar_t* text;
    bool expected;
  };
  for (const Case& c : {
           Case{L"http://example.org/files/setup.exe", true},
           Case{L"ftp://example.org/pub/ARCHIVE.Zip", true},
           Case{L"http://example.org/part.r01", true},  // "R0*" compares "R0" only
           Case{L"http://example.org/part.r", false},
           Case{L"http://example.org/page.html", false},
           // The scheme must be written in small letters; no other scheme counts.
           Case{L"HTTP://example.org/setup.exe", false},
           Case{L"https://example.org/setup.exe", false},
           Case{L"file:///tmp/setup.exe", false},
           // A folder URL (its last "/" ends it) opens nothing.
           Case{L"http://example.org/files/", false},
           // No dot at all: taken as listed.
           Case{L"http://localhost/setup", true},
           // The last dot may lie before the last "/": its text then is no listed type.
           Case{L"http://example.org/setup", false},
       }) {
    EXPECT_EQ(IsDownloadUrl(c.text, list), c.expected) << c.text;
  }
  // The list ends at its first empty entry; an empty list accepts nothing with a dot.
  EXPECT_TRUE(IsDownloadUrl(L"http://h/a.exe", L"EXE  ZIP"));
  EXPECT_FALSE(IsDownloadUrl(L"http://h/a.zip", L"EXE  ZIP"));
  EXPECT_FALSE(IsDownloadUrl(L"http://h/a.exe", L""));
  EXPECT_TRUE(IsDownloadUrl(L"http://h/anything", L""));
}

TEST(DownloadUrlTest, ImportTakesTrimmedLinesWithTheSchemeInSmallLettersAndExportWritesLines) {
  const std::wstring text =
      L"  http://a.example/x.zip \r\n"
      L"\tftp://b.example/y.iso\r\n"
      L"FTP://c.example/skipped\n"
      L"https://d.example/skipped\n"
      L"see http://e.example/skipped\n"
      L"\n"
      L"http://f.example/last";
  const std::vector<std::wstring> urls = ParseUrlList(text);
  EXPECT_EQ(urls, (std::vector<std::wstring>{L"http://a.example/x.zip", L"ftp://b.example/y.iso",
                                             L"http://f.example/last"}));
  EXPECT_EQ(FormatUrlList(urls),
            L"http://a.example/x.zip\nftp://b.example/y.iso\n"
            L"http://f.example/last\n");
  EXPECT_EQ(ParseUrlList(FormatUrlList(urls)), urls);
  EXPECT_TRUE(ParseUrlList(L"").empty());
}

}  // namespace
}  // namespace ferrow
