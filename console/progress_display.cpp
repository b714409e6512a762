#include "console/progress_display.h"

#include <cstdio>

namespace ferrow {

CProgressDisplay::CProgressDisplay(bool terminal, int columns)
    : m_terminal(terminal), m_columns(columns < 20 ? 20 : columns) {}

std::string CProgressDisplay::FormatBytes(uint64_t bytes) {
  if (bytes == UINT64_MAX) return "???";
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 4) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (unit == 0)
    std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
  else
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

std::string CProgressDisplay::FormatDuration(int32_t seconds) {
  if (seconds < 0) return "--:--";
  char text[32];
  if (seconds >= 86400)
    std::snprintf(text, sizeof text, "%dd%02dh", seconds / 86400, seconds % 86400 / 3600);
  else if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds % 3600 / 60,
                  seconds % 60);
  else
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

const char* CProgressDisplay::StatusWord(DownloadStatus status) {
  switch (status) {
    case DownloadStatus::kQueued:
      return "waiting";
    case DownloadStatus::kStopped:
      return "stopped";
    case DownloadStatus::kFailed:
      return "failed";
    case DownloadStatus::kConnecting:
      return "connecting";
    case DownloadStatus::kLoginRequired:
      return "login needed";
    case DownloadStatus::kDownloading:
      return "downloading";
    case DownloadStatus::kRetrying:
      return "retrying";
    case DownloadStatus::kCompleted:
      return "done";
    default:
      return "";
  }
}

std::string CProgressDisplay::FormatRow(const ProgressRow& row, int columns) {
  char figures[160];
  const bool known = row.size != UINT64_MAX && row.size > 0;
  const int percent = known ? static_cast<int>(row.done * 100 / row.size) : 0;
  std::snprintf(figures, sizeof figures, " %3d%% %10s / %-10s %10s/s  %7s  %2d conn  %-12s",
                percent, FormatBytes(row.done).c_str(), FormatBytes(row.size).c_str(),
                FormatBytes(static_cast<uint64_t>(row.speed < 0 ? 0 : row.speed)).c_str(),
                FormatDuration(row.left).c_str(), row.connections, StatusWord(row.status));
  std::string text = figures;
  // Plain lines (not a terminal) are not laid out in columns: the name, then the figures.
  if (columns <= 0) {
    text = row.name + text;
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  // The name takes what the figures leave, cut in the middle so both ends stay readable.
  const int room = columns - 1 - static_cast<int>(text.size());
  std::string name = row.name;
  if (room < 8) return name.substr(0, 8) + text;
  if (static_cast<int>(name.size()) > room) {
    const int head = (room - 1) / 2;
    const int tail = room - 1 - head;
    name = name.substr(0, head) + "~" + name.substr(name.size() - tail);
  }
  name.resize(room, ' ');
  return name + text;
}

std::string CProgressDisplay::FormatTotal(const std::vector<ProgressRow>& rows) {
  uint64_t done = 0, size = 0;
  int64_t speed = 0;
  int completed = 0, failed = 0, running = 0;
  bool sizeKnown = true;
  for (const ProgressRow& row : rows) {
    done += row.done;
    if (row.size == UINT64_MAX)
      sizeKnown = false;
    else
      size += row.size;
    if (row.status == DownloadStatus::kCompleted)
      ++completed;
    else if (row.status == DownloadStatus::kFailed)
      ++failed;
    else if (IsActiveStatus(row.status)) {
      ++running;
      speed += row.speed;
    }
  }
  char text[200];
  std::snprintf(text, sizeof text, "total: %d of %zu done, %d running, %d failed  %s / %s  %s/s",
                completed, rows.size(), running, failed, FormatBytes(done).c_str(),
                sizeKnown ? FormatBytes(size).c_str() : "???",
                FormatBytes(static_cast<uint64_t>(speed)).c_str());
  return text;
}

void CProgressDisplay::Erase() {
  if (!m_terminal || m_drawnLines == 0) return;
  // Up to the first line of the block and clear everything below.
  std::fprintf(stderr, "\x1b[%dA\r\x1b[J", m_drawnLines);
  m_drawnLines = 0;
}

void CProgressDisplay::Show(const std::vector<ProgressRow>& rows) {
  if (!m_terminal) {
    for (const ProgressRow& row : rows) {
      if (!IsActiveStatus(row.status)) continue;
      std::fprintf(stderr, "%s\n", FormatRow(row, 0).c_str());
    }
    std::fprintf(stderr, "%s\n", FormatTotal(rows).c_str());
    std::fflush(stderr);
    return;
  }
  Erase();
  std::string block;
  for (const ProgressRow& row : rows) block += FormatRow(row, m_columns) + "\n";
  std::string total = FormatTotal(rows);
  if (static_cast<int>(total.size()) >= m_columns) total.resize(m_columns - 1);
  block += total + "\n";
  std::fputs(block.c_str(), stderr);
  std::fflush(stderr);
  m_drawnLines = static_cast<int>(rows.size()) + 1;
}

void CProgressDisplay::Print(const std::string& line) {
  Erase();
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

void CProgressDisplay::Finish() {
  m_drawnLines = 0;
}

}  // namespace ferrow
