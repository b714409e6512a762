#pragma once
// The live view of ferrow-get. On a terminal one line per download (name, per cent, bytes,
// speed, time left, connections) and a total line, redrawn in place; otherwise plain lines at
// a slower pace that read well in a log file.
#include <cstdint>
#include <string>
#include <vector>

#include "net/download_status.h"

namespace ferrow {

// What one line shows; filled by the program from the download record and its transfer.
struct ProgressRow {
  std::string name;
  DownloadStatus status = DownloadStatus::kNeverStarted;
  uint64_t done = 0;
  uint64_t size = UINT64_MAX;  // unknown
  int32_t speed = 0;           // bytes per second
  int32_t left = -1;           // seconds, -1 unknown
  int32_t connections = 0;
};

class CProgressDisplay {
 public:
  CProgressDisplay(bool terminal, int columns);

  // Redraws the block (terminal) or prints one line per running download (plain).
  void Show(const std::vector<ProgressRow>& rows);
  // A line that stays (completion, failure), printed above the live block.
  void Print(const std::string& line);
  // Leaves the last drawn block on screen and moves below it.
  void Finish();

  // Formatting, shared with the tests.
  static std::string FormatBytes(uint64_t bytes);
  static std::string FormatDuration(int32_t seconds);
  // A row fitted to `columns`; 0 gives a plain line (name, then the figures, no padding).
  static std::string FormatRow(const ProgressRow& row, int columns);
  static std::string FormatTotal(const std::vector<ProgressRow>& rows);
  static const char* StatusWord(DownloadStatus status);

 private:
  void Erase();

  bool m_terminal;
  int m_columns;
  int m_drawnLines = 0;
};

}  // namespace ferrow
