#include "console/progress_display.h"

#include <gtest/gtest.h>

#include <clocale>

namespace ferrow {
namespace {

TEST(ProgressDisplayTest, FormatsBytesAndDurations) {
  EXPECT_EQ(CProgressDisplay::FormatBytes(0), "0 B");
  EXPECT_EQ(CProgressDisplay::FormatBytes(1023), "1023 B");
  EXPECT_EQ(CProgressDisplay::FormatBytes(1536), "1.5 KiB");
  EXPECT_EQ(CProgressDisplay::FormatBytes(5ull << 30), "5.0 GiB");
  EXPECT_EQ(CProgressDisplay::FormatBytes(UINT64_MAX), "???");
  EXPECT_EQ(CProgressDisplay::FormatDuration(-1), "--:--");
  EXPECT_EQ(CProgressDisplay::FormatDuration(65), "1:05");
  EXPECT_EQ(CProgressDisplay::FormatDuration(3725), "1:02:05");
  EXPECT_EQ(CProgressDisplay::FormatDuration(90000), "1d01h");
}

ProgressRow Running(std::string name) {
  return ProgressRow{.name = std::move(name),
                     .status = DownloadStatus::kDownloading,
                     .done = 512 << 20,
                     .size = 1024ull << 20,
                     .speed = 3 << 20,
                     .left = 170,
                     .connections = 4};
}

// Every width from the narrowest terminal up: the row never reaches the last column (measured
// in display columns, wide characters count two), the name keeps both ends, a bar comes where
// there is room.
TEST(ProgressDisplayTest, RowsNeverReachTheTerminalsWidth) {
  const char* locale = std::setlocale(LC_CTYPE, "C.UTF-8");
  ASSERT_NE(locale, nullptr);
  for (const std::string& name :
       {std::string(100, 'a') + "-end.iso", std::string("\xe6\x97\xa5\xe6\x9c\xac") + "-x.bin",
        std::string("short")}) {
    for (int columns = 20; columns <= 200; ++columns) {
      const std::string line = CProgressDisplay::FormatRow(Running(name), columns);
      EXPECT_EQ(CProgressDisplay::DisplayWidth(line), columns - 1) << columns << ": " << line;
    }
  }
  const std::string wide =
      CProgressDisplay::FormatRow(Running(std::string(100, 'a') + "-end.iso"), 120);
  EXPECT_NE(wide.find("-end.iso"), std::string::npos);
  EXPECT_NE(wide.find("~"), std::string::npos);
  EXPECT_NE(wide.find(" 50%"), std::string::npos);
  EXPECT_NE(wide.find("[#"), std::string::npos);
  EXPECT_NE(wide.find("3.0 MiB/s"), std::string::npos);
  EXPECT_NE(wide.find("2:50"), std::string::npos);
  // At 80 columns the figures that matter stay.
  const std::string narrow = CProgressDisplay::FormatRow(Running("file.bin"), 80);
  EXPECT_NE(narrow.find(" 50%"), std::string::npos) << narrow;
  EXPECT_NE(narrow.find("3.0 MiB/s"), std::string::npos) << narrow;

  // Not measured yet: no speed, no time left; unknown size: no per cent.
  ProgressRow fresh = Running("f");
  fresh.speed = -1;
  fresh.left = -1;
  fresh.size = UINT64_MAX;
  const std::string first = CProgressDisplay::FormatRow(fresh, 120);
  EXPECT_EQ(first.find("0 B/s"), std::string::npos) << first;
  EXPECT_NE(first.find("--:--"), std::string::npos) << first;
  EXPECT_EQ(first.find("0%"), std::string::npos) << first;
  std::setlocale(LC_CTYPE, "C");

  // Plain lines for a file or a pipe are not padded to a width.
  const ProgressRow row = Running("plain.bin");
  const std::string plain = CProgressDisplay::FormatRow(row, 0);
  EXPECT_EQ(plain.rfind(row.name + " ", 0), 0u) << plain;
  EXPECT_NE(plain.find(" 4 conn"), std::string::npos) << plain;
  EXPECT_NE(plain.back(), ' ');
}

// More downloads than lines: the running ones, then one line for the rest.
TEST(ProgressDisplayTest, ABlockNeverHasMoreLinesThanTheTerminal) {
  std::vector<ProgressRow> rows;
  for (int i = 0; i < 40; ++i) {
    ProgressRow row = Running("f" + std::to_string(i));
    row.status = i < 25   ? DownloadStatus::kCompleted
                 : i < 27 ? DownloadStatus::kFailed
                 : i < 30 ? DownloadStatus::kDownloading
                          : DownloadStatus::kQueued;
    rows.push_back(row);
  }
  std::string others;
  std::vector<ProgressRow> shown = CProgressDisplay::ChooseRows(rows, 24, others);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].name, "f27");
  EXPECT_EQ(others, "  10 waiting, 25 done, 2 failed");
  shown = CProgressDisplay::ChooseRows(rows, 4, others);  // 1 row + others + total + cursor
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(others.find("2 more running"), std::string::npos) << others;
  rows.resize(5);
  EXPECT_EQ(CProgressDisplay::ChooseRows(rows, 24, others).size(), 5u);
  EXPECT_TRUE(others.empty());
}

TEST(ProgressDisplayTest, TotalCountsEveryDownload) {
  std::vector<ProgressRow> rows = {
      {.name = "a", .status = DownloadStatus::kCompleted, .done = 100, .size = 100},
      {.name = "b", .status = DownloadStatus::kDownloading, .done = 50, .size = 200, .speed = 1024},
      {.name = "c", .status = DownloadStatus::kFailed, .done = 0, .size = UINT64_MAX},
  };
  const std::string total = CProgressDisplay::FormatTotal(rows);
  EXPECT_NE(total.find("1 of 3 done, 1 running, 1 failed"), std::string::npos) << total;
  EXPECT_NE(total.find("150 B / ???"), std::string::npos) << total;
  EXPECT_NE(total.find("1.0 KiB/s"), std::string::npos) << total;
}

}  // namespace
}  // namespace ferrow
