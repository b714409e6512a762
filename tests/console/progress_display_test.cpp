#include "console/progress_display.h"

#include <gtest/gtest.h>

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

TEST(ProgressDisplayTest, RowFitsTheTerminalAndKeepsBothEndsOfALongName) {
  ProgressRow row{.name = std::string(100, 'a') + "-end.iso",
                  .status = DownloadStatus::kDownloading,
                  .done = 512 << 20,
                  .size = 1024ull << 20,
                  .speed = 3 << 20,
                  .left = 170,
                  .connections = 4};
  const std::string line = CProgressDisplay::FormatRow(row, 100);
  EXPECT_EQ(line.size(), 99u);
  EXPECT_NE(line.find("-end.iso"), std::string::npos);
  EXPECT_NE(line.find(" 50%"), std::string::npos);
  EXPECT_NE(line.find("512.0 MiB"), std::string::npos);
  EXPECT_NE(line.find("3.0 MiB/s"), std::string::npos);
  EXPECT_NE(line.find("2:50"), std::string::npos);
  EXPECT_NE(line.find(" 4 conn"), std::string::npos);

  // Plain lines for a file or a pipe are not padded to a width.
  const std::string plain = CProgressDisplay::FormatRow(row, 0);
  EXPECT_EQ(plain.rfind(row.name + " ", 0), 0u) << plain;
  EXPECT_NE(plain.back(), ' ');

  // Unknown size: no per cent, "???" for the total.
  row.size = UINT64_MAX;
  EXPECT_NE(CProgressDisplay::FormatRow(row, 120).find("  0%"), std::string::npos);
  EXPECT_NE(CProgressDisplay::FormatRow(row, 120).find("???"), std::string::npos);
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
