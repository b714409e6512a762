#pragma once
// The live view of ferrow-get. On a terminal a block redrawn in place: one row per running
// download (name, progress bar where there is room, per cent, bytes, speed, time left,
// connections, status), one line for the downloads not shown, and a total line; the block never
// has more lines than the terminal nor a row wider than it. Otherwise plain lines at a slower
// pace that read well in a log file.
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
  int32_t speed = -1;          // bytes per second, -1 not measured yet
  int32_t left = -1;           // seconds, -1 unknown
  int32_t connections = 0;
};

class CProgressDisplay {
 public:
  CProgressDisplay(bool terminal, int columns, int lines = 24);

  // The terminal's new size; the next Show draws for it.
  void Resize(int columns, int lines);
  // Redraws the block (terminal) or prints one line per running download (plain).
  void Show(const std::vector<ProgressRow>& rows);
  // A line that stays (a failure, a notice), printed above the live block.
  void Print(const std::string& line);
  // Leaves the last drawn block on screen and moves below it.
  void Finish();

  // Formatting, shared with the tests.
  static std::string FormatBytes(uint64_t bytes);
  static std::string FormatDuration(int32_t seconds);
  // A row no wider than `columns` - 1 display columns; 0 gives a plain line (name, then the
  // figures, no padding).
  static std::string FormatRow(const ProgressRow& row, int columns);
  static std::string FormatTotal(const std::vector<ProgressRow>& rows);
  // The rows a block of `lines` terminal lines shows (running downloads first), and the one
  // line that counts the others (empty when every row is shown).
  static std::vector<ProgressRow> ChooseRows(const std::vector<ProgressRow>& rows, int lines,
                                             std::string& others);
  static const char* StatusWord(DownloadStatus status);
  // Display columns of a text in the current locale.
  static int DisplayWidth(const std::string& text);
  // The text cut to at most `width` columns, in the middle ("abc~xyz"), or padded with blanks
  // to exactly `width` when pad is set.
  static std::string FitWidth(const std::string& text, int width, bool pad);

 private:
  // The cursor movement to the first line of the drawn block ("" when none is drawn).
  std::string MoveToBlockStart();
  // The lines, each clearing what was under it, and below them the rest of the screen.
  std::string DrawLines(const std::vector<std::string>& lines);

  bool m_terminal;
  int m_columns;
  int m_lines;
  // The widths of the lines last drawn: after a resize they may take more lines each.
  std::vector<int> m_drawnWidths;
  std::vector<std::string> m_block;  // the lines last drawn, drawn again below a printed line
};

}  // namespace ferrow
