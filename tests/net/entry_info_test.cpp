#include "net/entry_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "net/file_listing.h"
#include "net/listing_parser.h"
#include "platform/text.h"
#include "tests/net/zone_fixture.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

// 2026-12-08 15:00 UTC.
constexpr std::int64_t kNow = 1796742000;

// What the FTP client does with each line: parse, drop what fails and the dot entries.
bool ParseAt(std::wstring_view line, CEntryInfo& entry) {
  return ParseUnixListingLine(line, entry, kNow) || ParseDosListingLine(line, entry, kNow);
}

CFileListing ParseCapture(const char* fileName) {
  const std::string bytes =
      test::ReadFileBytes(test::SourceDir() / "tests/net/listing_data" / fileName);
  CFileListing listing;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    CEntryInfo entry;
    if (ParseAt(Utf8ToWide(bytes.substr(pos, end - pos)), entry) && !entry.IsDotEntry()) {
      listing.Add(entry);
    }
    pos = end + 2;
  }
  return listing;
}

struct Expected {
  const wchar_t* name;
  std::int32_t type;
  std::int64_t size;
  const wchar_t* owner;
  const wchar_t* group;
};

void ExpectListing(const CFileListing& listing, const std::vector<Expected>& expected) {
  ASSERT_EQ(listing.GetCount(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const CEntryInfo& entry = listing.GetAt(i);
    EXPECT_EQ(entry.GetName(), expected[i].name) << i;
    EXPECT_EQ(entry.GetType(), expected[i].type) << expected[i].name;
    EXPECT_EQ(entry.GetSize(), expected[i].size) << expected[i].name;
    EXPECT_EQ(entry.GetOwner(), expected[i].owner) << expected[i].name;
    EXPECT_EQ(entry.GetGroup(), expected[i].group) << expected[i].name;
    EXPECT_NE(entry.GetDate(), CEntryInfo::kUnknown) << expected[i].name;
  }
}

constexpr std::int32_t kFile = CEntryInfo::kTypeFile;
constexpr std::int32_t kDir = CEntryInfo::kTypeDirectory;
constexpr std::int32_t kLink = CEntryInfo::kTypeLink;

class EntryInfoTest : public test::CentralEuropeanZoneTest {};

TEST_F(EntryInfoTest, UnixDirectoryWithABlankInItsName) {
  CEntryInfo entry;
  ASSERT_TRUE(ParseAt(L"drwxr-xr-x 2 user staff 4096 Jan 12 09:55 My Folder", entry));
  EXPECT_EQ(entry.GetName(), L"My Folder");
  EXPECT_EQ(entry.GetType(), kDir);
  EXPECT_EQ(entry.GetOwner(), L"user");
  EXPECT_EQ(entry.GetGroup(), L"staff");
  EXPECT_EQ(entry.GetSize(), 4096);
  EXPECT_EQ(entry.GetDate(), 1768208100);  // 2026-01-12 09:55 local
}

TEST_F(EntryInfoTest, UnixColumnsThatVaryBetweenServers) {
  CEntryInfo link;
  ASSERT_TRUE(ParseAt(L"lrwxrwxrwx 1 user staff 7 Jan 12 09:55 bin -> usr/bin", link));
  EXPECT_EQ(link.GetName(), L"bin");
  EXPECT_EQ(link.GetType(), kLink);

  CEntryInfo noGroup;
  ASSERT_TRUE(ParseAt(L"-rw-r--r-- 1 user  4096 Jan 12 09:55 notes.txt", noGroup));
  EXPECT_EQ(noGroup.GetOwner(), L"user");
  EXPECT_EQ(noGroup.GetGroup(), L"");
  EXPECT_EQ(noGroup.GetSize(), 4096);
  EXPECT_EQ(noGroup.GetName(), L"notes.txt");

  CEntryInfo padded;
  ASSERT_TRUE(ParseAt(L"-rw-r--r-- 1 user staff 1 Jan  5 09:55 a", padded));
  EXPECT_EQ(padded.GetDate(), 1767603300);  // 2026-01-05 09:55 local

  CEntryInfo old;
  ASSERT_TRUE(ParseAt(L"-rw-r--r--\t1\tuser\tstaff\t123\tMar 07  2019\tdata.bin", old));
  EXPECT_EQ(old.GetDate(), 1551913200);
  EXPECT_EQ(old.GetName(), L"data.bin");

  // Permission letters other than -, d and l leave the type as it was.
  CEntryInfo socket(L"", CEntryInfo::kTypeUnknown);
  ASSERT_TRUE(ParseAt(L"srwxr-xr-x 1 user staff 0 Jan 12 09:55 sock", socket));
  EXPECT_EQ(socket.GetType(), CEntryInfo::kTypeUnknown);
}

TEST_F(EntryInfoTest, DosDirectoriesAndFilesKeepNamesWithBlanksWhole) {
  CEntryInfo games;
  ASSERT_TRUE(ParseAt(L"12-01-07  10:30AM       <DIR>          Games", games));
  EXPECT_EQ(games.GetName(), L"Games");
  EXPECT_EQ(games.GetType(), kDir);
  EXPECT_EQ(games.GetSize(), 0);
  EXPECT_EQ(games.GetDate(), 1196501400);
  EXPECT_EQ(games.GetOwner(), L"");

  CEntryInfo readme;
  ASSERT_TRUE(ParseAt(L"12-01-07  10:30AM                 1024 readme.txt", readme));
  EXPECT_EQ(readme.GetName(), L"readme.txt");
  EXPECT_EQ(readme.GetType(), kFile);
  EXPECT_EQ(readme.GetSize(), 1024);

  CEntryInfo spaced;
  ASSERT_TRUE(ParseAt(L"12-01-07 10:30AM 1024 my  old file.txt", spaced));
  EXPECT_EQ(spaced.GetName(), L"my  old file.txt");
  EXPECT_EQ(spaced.GetSize(), 1024);

  // A size column that is neither "<DIR>" nor a number: the last word is the name.
  CEntryInfo odd;
  ASSERT_TRUE(ParseAt(L"12-01-07 10:30AM <JUNCTION> Link Target", odd));
  EXPECT_EQ(odd.GetName(), L"Target");
  EXPECT_EQ(odd.GetType(), kFile);
  EXPECT_EQ(odd.GetSize(), 0);
}

TEST_F(EntryInfoTest, SurroundingSpacesAndLineEndsDoNotMatterButALeadingTabDoes) {
  const std::wstring line = L"drwxr-xr-x 2 user staff 4096 Jan 12 09:55 My Folder";
  CEntryInfo plain, wrapped;
  ASSERT_TRUE(ParseAt(line, plain));
  ASSERT_TRUE(ParseAt(L"  \r\n " + line + L"  \r\n", wrapped));
  EXPECT_EQ(wrapped, plain);

  CEntryInfo tabbed;
  EXPECT_FALSE(ParseAt(L"\t" + line, tabbed));
  CEntryInfo dos;
  ASSERT_TRUE(ParseAt(L" 12-01-07  10:30AM       <DIR>          Games \r\n", dos));
  EXPECT_EQ(dos.GetName(), L"Games");
}

TEST_F(EntryInfoTest, LinesNeitherShapeUnderstandsAreDroppedAndLeaveTheEntryAlone) {
  CEntryInfo entry(L"keep", kFile);
  entry.SetSize(7);
  const CEntryInfo before = entry;
  for (const wchar_t* line : {
           L"", L"total 24",
           L"-rw-r--r-- 1 my_user staff 10 Jan 12 09:55 a.txt",     // owner is not letters/digits
           L"-rw-r--r-- 1 user 4096 Jan 12 09:55 a.txt",            // one blank: no group column
           L"-rw-r--r-- 1 user staff 10 Foo 12 09:55 a.txt",        // date unreadable either way
           L"drwxrwxrwx+. 9 root root 4096 Jan 12 09:55 tmp",       // two trailing marks
           L"drwxrwxrwq 9 root root 4096 Jan 12 09:55 tmp",         // no such letter
           L"-rw-r--r-- 1 user staff 10 Jan 12 09:55 ../../etc/x",  // a path, not a name
           L"12-01-07 10:30AM 12 sub/dir",
           L"-rw-r--r-- 1 user staff 10 Jan 12 09:55\t",  // no name at all
       }) {
    EXPECT_FALSE(entry.ParseLine(line)) << line;
    EXPECT_EQ(entry, before) << line;
  }
}

TEST_F(EntryInfoTest, StickySetIdAndTrailingMarksKeepTheEntry) {
  struct Case {
    const wchar_t* line;
    const wchar_t* name;
    std::int32_t type;
  };
  for (const Case& c : {
           Case{L"drwxrwxrwt 9 root root 4096 Jan 12 09:55 tmp", L"tmp", kDir},
           Case{L"drwxrwxrwT 2 root root 4096 Jan 12 09:55 drop", L"drop", kDir},
           Case{L"-rwSr--r-- 1 user staff 10 Jan 12 09:55 setuid", L"setuid", kFile},
           Case{L"-rwxr-sr-x 1 user staff 10 Jan 12 09:55 setgid", L"setgid", kFile},
           Case{L"drwxr-xr-x+ 2 user staff 4096 Jan 12 09:55 acl", L"acl", kDir},
           Case{L"-rw-r--r--. 1 user staff 10 Jan 12 09:55 selinux", L"selinux", kFile},
           Case{L"lrwxrwxrwx. 1 user staff 7 Jan 12 09:55 bin -> usr/bin", L"bin", kLink},
       }) {
    CEntryInfo entry;
    ASSERT_TRUE(ParseAt(c.line, entry)) << c.line;
    EXPECT_EQ(entry.GetName(), c.name) << c.line;
    EXPECT_EQ(entry.GetType(), c.type) << c.line;
    EXPECT_EQ(entry.GetOwner().empty(), false) << c.line;
  }
}

TEST_F(EntryInfoTest, DotEntriesAreRecognisedByNameOnly) {
  CEntryInfo dot;
  ASSERT_TRUE(ParseAt(L"drwxr-xr-x 3 root root 4096 Dec 08 14:59 ..", dot));
  EXPECT_TRUE(dot.IsDotEntry());
  EXPECT_TRUE(CEntryInfo(L".", kDir).IsDotEntry());
  EXPECT_FALSE(CEntryInfo(L"...", kDir).IsDotEntry());
  EXPECT_FALSE(CEntryInfo(L".profile", kFile).IsDotEntry());
}

TEST_F(EntryInfoTest, SizesBeyondSixtyFourBitsAreNotKnown) {
  CEntryInfo entry;
  ASSERT_TRUE(ParseAt(L"-rw-r--r-- 1 u g 99999999999999999999 Jan 12 09:55 big", entry));
  EXPECT_EQ(entry.GetSize(), CEntryInfo::kUnknown);
  ASSERT_TRUE(ParseAt(L"-rw-r--r-- 1 u g 9223372036854775807 Jan 12 09:55 big", entry));
  EXPECT_EQ(entry.GetSize(), INT64_MAX);
  ASSERT_TRUE(ParseAt(L"12-01-07 10:30AM 5368709120 disk.iso", entry));
  EXPECT_EQ(entry.GetSize(), 5368709120);
}

TEST_F(EntryInfoTest, ParseLineUsesTheClockForDatesWithoutAYear) {
  CEntryInfo entry;
  ASSERT_TRUE(entry.ParseLine(L"-rw-r--r-- 1 user staff 4 Jan 12 09:55 a"));
  EXPECT_GT(entry.GetDate(), 1767222000);  // not before 2026
  EXPECT_EQ(entry.GetName(), L"a");
}

TEST_F(EntryInfoTest, ListingCapturedFromPyftpdlib) {
  // The server reports the file owned by "_apt"; such an owner can't be read and is dropped.
  const CFileListing listing = ParseCapture("unix_pyftpdlib.txt");
  ExpectListing(listing, {{L"My Notes.txt", kFile, 1, L"root", L"root"},
                          {L"Old Folder", kDir, 4096, L"root", L"root"},
                          {L"data.bin", kFile, 123456, L"root", L"root"},
                          {L"link-to-readme", kLink, 10, L"root", L"root"},
                          {L"readme.txt", kFile, 6, L"root", L"root"},
                          {L"sub", kDir, 4096, L"root", L"root"},
                          {L"sub link", kLink, 3, L"root", L"root"}});
  EXPECT_EQ(listing.GetAt(2).GetDate(), 1551913200);  // Mar 07  2019
  EXPECT_EQ(listing.GetAt(4).GetDate(), 1796112300);  // Dec 01 09:05 this year
}

TEST_F(EntryInfoTest, ListingCapturedFromVsftpdWithDotEntries) {
  const CFileListing listing = ParseCapture("unix_vsftpd_all.txt");
  ExpectListing(listing, {{L"My Notes.txt", kFile, 1, L"root", L"root"},
                          {L"Old Folder", kDir, 4096, L"root", L"root"},
                          {L"apt-owned.txt", kFile, 4, L"42", L"nogroup"},
                          {L"data.bin", kFile, 123456, L"root", L"root"},
                          {L"link-to-readme", kLink, 10, L"root", L"root"},
                          {L"readme.txt", kFile, 6, L"root", L"root"},
                          {L"sub", kDir, 4096, L"root", L"root"},
                          {L"sub link", kLink, 3, L"root", L"root"}});
}

TEST_F(EntryInfoTest, ListingsInTheLayoutOfWindowsServers) {
  const CFileListing listing = ParseCapture("dos_iis.txt");
  ExpectListing(listing, {{L"Games", kDir, 0, L"", L""},
                          {L"iisstart.htm", kFile, 689, L"", L""},
                          {L"My Documents", kDir, 0, L"", L""},
                          {L"archive 2019.zip", kFile, 123456789, L"", L""},
                          {L"empty.log", kFile, 0, L"", L""},
                          {L"disk image.iso", kFile, 5368709120, L"", L""}});
  EXPECT_EQ(listing.GetAt(3).GetDate(), 944002740);  // 11-30-99 11:59PM
  const CFileListing longDates = ParseCapture("dos_iis_long_dates.txt");
  ExpectListing(longDates,
                {{L"Games", kDir, 0, L"", L""}, {L"iisstart.htm", kFile, 689, L"", L""}});
  EXPECT_EQ(longDates.GetAt(0).GetDate(), 1196501400);
}

TEST_F(EntryInfoTest, LongLinesOfTheRightShapeParseAndHostileOnesEndQuickly) {
  const std::wstring longName(60000, L'n');
  CEntryInfo entry;
  ASSERT_TRUE(ParseAt(L"-rw-r--r-- 1 u g 5 Jan 12 09:55 " + longName, entry));
  EXPECT_EQ(entry.GetName(), longName);

  // 64 KiB lines of blanks and letters shaped to make each pattern backtrack over every way of
  // splitting the blank run: refused once the step budget is spent, not hung on.
  const std::wstring blanks(65536, L' ');
  EXPECT_FALSE(entry.ParseLine(L"drwxr-xr-x 1 a" + blanks + L"x"));
  EXPECT_FALSE(entry.ParseLine(L"a" + blanks + L"b"));
}

// Valid lines with random words replaced, inserted and removed, so most stay nearly valid. Run
// under the sanitizers this is the line parser's bounds check; the fuzz target goes further.
TEST_F(EntryInfoTest, MutatedLinesNeverBreakTheParser) {
  static const std::vector<std::wstring> kLines[] = {
      {L"drwxr-xr-x", L" ", L"2", L" ", L"user", L"  ", L"staff", L" ", L"4096", L" ", L"Jan",
       L"  ", L"5", L" ", L"09:55", L" ", L"My", L" ", L"Folder"},
      {L"lrwxrwxrwx", L" ", L"1", L" ", L"u", L" ", L"g", L" ", L"7", L" ", L"Mar", L" ", L"07",
       L"  ", L"2019", L" ", L"bin", L" -> ", L"usr/bin"},
      {L"12-01-07", L"  ", L"10:30AM", L"       ", L"<DIR>", L"          ", L"Games"},
      {L"12-01-07", L" ", L"10:30PM", L" ", L"1024", L" ", L"read", L" ", L"me.txt"}};
  static const std::wstring_view kPieces[] = {L" ",        L"  ",
                                              L"\t",       L"\r",
                                              L"\n",       L"drwxr-xr-x",
                                              L"-",        L"l",
                                              L"1",        L"4096",
                                              L"user",     L"",
                                              L"Jan",      L"31",
                                              L"09:55",    L"2008",
                                              L"12-01-07", L"10:30AM",
                                              L"<DIR>",    L" -> ",
                                              L"name",     L".",
                                              L"..",       L"/",
                                              L"_",        std::wstring_view(L"\0", 1),
                                              L"\u00e9",   L"99999999999999999999"};
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> pickLine(0, std::size(kLines) - 1);
  std::uniform_int_distribution<std::size_t> pickPiece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> pickEdits(0, 3);
  int understood = 0;
  for (int i = 0; i < 20000; ++i) {
    std::vector<std::wstring> words = kLines[pickLine(random)];
    for (int edits = pickEdits(random); edits > 0; --edits) {
      const std::size_t at = std::uniform_int_distribution<std::size_t>(0, words.size())(random);
      switch (std::uniform_int_distribution<int>(0, 2)(random)) {
        case 0:
          words.insert(words.begin() + at, std::wstring(kPieces[pickPiece(random)]));
          break;
        case 1:
          if (at < words.size()) words[at] = kPieces[pickPiece(random)];
          break;
        default:
          if (at < words.size()) words.erase(words.begin() + at);
          break;
      }
    }
    std::wstring line;
    for (const std::wstring& word : words) line += word;
    CEntryInfo entry;
    if (!entry.ParseLine(line)) continue;
    ++understood;
    EXPECT_FALSE(entry.GetName().empty()) << WideToUtf8(line);
    EXPECT_EQ(entry.GetName().find_first_of(std::wstring_view(L"/\0", 2)), std::wstring::npos)
        << WideToUtf8(line);
    EXPECT_NE(entry.GetDate(), CEntryInfo::kUnknown) << WideToUtf8(line);
    EXPECT_GE(entry.GetType(), CEntryInfo::kTypeFile) << WideToUtf8(line);
  }
  EXPECT_GT(understood, 5000);
}

}  // namespace
}  // namespace ferrow
