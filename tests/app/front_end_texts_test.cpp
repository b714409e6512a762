// What the windows show and check that is not window work: figures as text, the settings
// pages' ranges, the file a new download gets, the history's periods and log lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

#include "app/display_text.h"
#include "app/download_log_book.h"
#include "app/history_periods.h"
#include "app/log_text.h"
#include "app/new_download.h"
#include "app/settings.h"
#include "app/settings_ranges.h"
#include "l10n/resource_manager.h"
#include "platform/local_time.h"
#include "platform/unknown_size.h"
#include "sites/site_explorer.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

CResourceManager& English() {
  static CResourceManager texts;
  static const bool loaded = [] {
    setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
    return texts.Load(L"Languages/English.lng");
  }();
  EXPECT_TRUE(loaded);
  return texts;
}

TEST(DisplayTextTest, TimesSizesAndUnknownValues) {
  const CResourceManager& texts = English();
  EXPECT_EQ(FormatDuration(-1, texts), L"???");
  EXPECT_EQ(FormatDuration(0, texts), L"0 sec");
  EXPECT_EQ(FormatDuration(59, texts), L"59 sec");
  EXPECT_EQ(FormatDuration(60, texts), L"1 min 00 sec");
  EXPECT_EQ(FormatDuration(3599, texts), L"59 min 59 sec");
  EXPECT_EQ(FormatDuration(3600 + 5 * 60 + 9, texts), L"1 h 05 min");
  EXPECT_EQ(FormatDuration(86399, texts), L"23 h 59 min");
  EXPECT_EQ(FormatDuration(3 * 86400 + 7200, texts), L"74 h");

  EXPECT_EQ(FormatSize(kUnknownSize), L"???");
  EXPECT_EQ(FormatSize(0), L"0 B");
  EXPECT_EQ(FormatSize(1023), L"1023 B");
  EXPECT_EQ(FormatSize(1024), L"1.0 KB");
  EXPECT_EQ(FormatSize(1536), L"1.5 KB");
  EXPECT_EQ(FormatSize(1024 * 1024 - 1), L"1.0 MB");  // never "1024.0 KB"
  EXPECT_EQ(FormatSize(uint64_t{5} << 40), L"5.0 TB");
  EXPECT_EQ(FormatSize(kUnknownSize - 1), L"16.0 EB");
  EXPECT_EQ(FormatSpeed(2048), L"2.0 KB/s");
  EXPECT_EQ(FormatSpeed(-1), L"???");
  EXPECT_EQ(FormatDateTime(-1), L"???");
  EXPECT_EQ(FormatDateTime(static_cast<int64_t>(kUnknownSize)), L"???");

  EXPECT_EQ(FormatStatus(DownloadStatus::kCompleted, texts), L"Completed");
  EXPECT_EQ(FormatStatus(DownloadStatus::kNeverStarted, texts), L"");
  EXPECT_EQ(FormatStatus(StatusFromNumber(8), texts), L"");  // from a newer program
}

TEST(SettingsRangesTest, BoundsAreAcceptedAndTheFirstValueOutsideIsNamed) {
  CSettings settings;
  settings.SetDefaults();
  EXPECT_EQ(FindValueOutOfRange(settings), nullptr);
  for (const SettingRange& range : SettingRanges()) {
    SCOPED_TRACE(std::wstring(range.key));
    CSettings edited = settings;
    edited.*range.field = range.lower;
    EXPECT_EQ(FindValueOutOfRange(edited), nullptr);
    edited.*range.field = range.upper;
    EXPECT_EQ(FindValueOutOfRange(edited), nullptr);
    edited.*range.field = range.lower - 1;
    EXPECT_EQ(FindValueOutOfRange(edited), &range);
    edited.*range.field = range.upper + 1;
    EXPECT_EQ(FindValueOutOfRange(edited), &range);
    EXPECT_EQ(FindSettingRange(range.key), &range);
  }
  const SettingRange* threads = FindSettingRange(L"MaxThreads");
  ASSERT_NE(threads, nullptr);
  EXPECT_EQ(threads->lower, 1);
  EXPECT_EQ(threads->upper, 64);
  EXPECT_EQ(threads->stepUpper, 16);
  EXPECT_EQ(FindSettingRange(L"RetryDelay")->lower, 5);
  EXPECT_EQ(FindSettingRange(L"SpeedLimit")->upper, 100000);
  EXPECT_EQ(FindSettingRange(L"AutoRun"), nullptr);
  // Two values out of range: the first in table order is named.
  settings.m_retryDelay = 1;
  settings.m_maxDownloads = 0;
  EXPECT_EQ(FindValueOutOfRange(settings), FindSettingRange(L"MaxDownloads"));
  EXPECT_EQ(English().FormatMessage(2306, {1, 100}), L"Please enter a number between 1 and 100.");
}

TEST(NewDownloadTest, FileNamesNeverLeaveTheFolderAndTargetsAreUnique) {
  EXPECT_EQ(ProposeFileName(L"http://h/pub/setup.exe?x=1#top"), L"setup.exe");
  EXPECT_EQ(ProposeFileName(L"http://h/my%20file.zip"), L"my file.zip");
  EXPECT_EQ(ProposeFileName(L"http://h/a%2Fb%00c"), L"a_b_c");
  EXPECT_EQ(ProposeFileName(L"http://h/%2e%2e"), L"index.html");
  EXPECT_EQ(ProposeFileName(L"http://h/dir/"), L"index.html");
  EXPECT_EQ(ProposeFileName(L"http://h"), L"index.html");
  EXPECT_EQ(ProposeFileName(L"ftp://h/x%1b[31m.txt"), L"x_[31m.txt");

  EXPECT_TRUE(IsValidFileName(L"a b.zip"));
  EXPECT_FALSE(IsValidFileName(L""));
  EXPECT_FALSE(IsValidFileName(L".."));
  EXPECT_FALSE(IsValidFileName(L"../x"));
  EXPECT_FALSE(IsValidFileName(std::wstring(L"a\0b", 3)));

  EXPECT_EQ(ComposeTargetPath(L"/d/Music/", L"a.mp3"), L"/d/Music/a.mp3");
  EXPECT_EQ(ComposeTargetPath(L"/d/Music", L"a.mp3"), L"/d/Music/a.mp3");

  std::set<std::wstring> taken = {L"/d/a.tar.gz", L"/d/a.tar (2).gz", L"/d/.hidden", L"/d.x/f"};
  const auto isTaken = [&taken](const std::wstring& path) { return taken.count(path) != 0; };
  EXPECT_EQ(UniqueTargetPath(L"/d/free.zip", isTaken), L"/d/free.zip");
  EXPECT_EQ(UniqueTargetPath(L"/d/a.tar.gz", isTaken), L"/d/a.tar (3).gz");
  EXPECT_EQ(UniqueTargetPath(L"/d/.hidden", isTaken), L"/d/.hidden (2)");
  EXPECT_EQ(UniqueTargetPath(L"/d.x/f", isTaken), L"/d.x/f (2)");
}

// Days are local calendar days: the day the clocks go forward has 23 hours.
TEST(HistoryPeriodsTest, PeriodsFollowTheLocalCalendar) {
  const char* saved = std::getenv("TZ");
  const std::string savedTz = saved ? saved : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const auto at = [](int month, int day, int hour, int minute) {
    int64_t seconds = 0;
    EXPECT_TRUE(LocalTimeToUnix({2026, month, day, hour, minute, 0}, seconds));
    return seconds;
  };
  // Summer time began on Sunday 29 March 2026 at 02:00.
  const CHistoryPeriods periods(at(3, 30, 10, 0));
  EXPECT_EQ(periods.PeriodOf(at(3, 30, 0, 0)), HistoryPeriod::kToday);
  EXPECT_EQ(periods.PeriodOf(at(4, 2, 0, 0)), HistoryPeriod::kToday);  // a clock that jumped
  EXPECT_EQ(periods.PeriodOf(at(3, 29, 23, 59)), HistoryPeriod::kYesterday);
  EXPECT_EQ(periods.PeriodOf(at(3, 29, 0, 30)), HistoryPeriod::kYesterday);
  EXPECT_EQ(periods.PeriodOf(at(3, 28, 23, 59)), HistoryPeriod::kLastWeek);
  EXPECT_EQ(periods.PeriodOf(at(3, 24, 0, 0)), HistoryPeriod::kLastWeek);
  EXPECT_EQ(periods.PeriodOf(at(3, 23, 23, 59)), HistoryPeriod::kLastMonth);
  EXPECT_EQ(periods.PeriodOf(at(3, 1, 0, 0)), HistoryPeriod::kLastMonth);
  EXPECT_EQ(periods.PeriodOf(at(2, 28, 23, 59)), HistoryPeriod::kOlder);
  EXPECT_EQ(periods.PeriodOf(0), HistoryPeriod::kOlder);
  EXPECT_TRUE(periods.Contains(HistoryPeriod::kAll, 0));
  EXPECT_FALSE(periods.Contains(HistoryPeriod::kToday, 0));
  EXPECT_EQ(English().GetString(HistoryPeriodTextId(HistoryPeriod::kYesterday)), L"Yesterday");
  savedTz.empty() ? unsetenv("TZ") : setenv("TZ", savedTz.c_str(), 1);
  tzset();
}

TEST(LogTextTest, LinesOfTransfersAndOfTheExplorer) {
  const CResourceManager& texts = English();
  EXPECT_EQ(FormatLogLine(CLogInfo(LogKind::kSent, L"USER anonymous\r\n"), texts),
            L"> USER anonymous");
  EXPECT_EQ(FormatLogLine(CLogInfo(LogKind::kReceived, L"230 ok\x1b[2J"), texts),
            L"< 230 ok\\x1b[2J");
  EXPECT_EQ(
      FormatLogLine(CLogInfo(LogKind::kInfo, ExplorerLog::kStart, L"ftp.example", 2121), texts),
      L"Connecting to ftp.example, port 2121...");
  EXPECT_EQ(FormatLogLine(CLogInfo(LogKind::kInfo, ExplorerLog::kStopped, L"", 0), texts),
            L"Disconnected.");
  EXPECT_EQ(FormatLogLine(
                CLogInfo(LogKind::kFailure, ExplorerLog::kFailure, L"", (1u << 16) | 10061), texts),
            L"The connection failed: The connection was refused by the server.");
}

TEST(DownloadLogBookTest, KeepsTheNewestLinesOfEachDownloadUntilItGoes) {
  CDownloadLogBook book;
  const Guid a = Guid::Create();
  const Guid b = Guid::Create();
  std::vector<CLogInfo> many;
  for (size_t i = 0; i < CDownloadLogBook::kMaxLines + 5; ++i)
    many.emplace_back(LogKind::kReceived, std::to_wstring(i));
  book.Append(a, many);
  book.Append(b, {CLogInfo(LogKind::kSent, L"GET")});
  const std::vector<CLogInfo> kept = book.Lines(a);
  ASSERT_EQ(kept.size(), CDownloadLogBook::kMaxLines);
  EXPECT_EQ(kept.front().Text(), L"5");
  EXPECT_EQ(book.TotalAppended(a), CDownloadLogBook::kMaxLines + 5);
  book.Forget(a);
  EXPECT_TRUE(book.Lines(a).empty());
  EXPECT_EQ(book.Lines(b).size(), 1u);
}

}  // namespace
}  // namespace ferrow
