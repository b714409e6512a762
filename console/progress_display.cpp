#include "console/progress_display.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"

namespace ferrow {
namespace {

constexpr int kMinimumColumns = 20;
constexpr int kMinimumLines = 3;
// A name is never cut below this many columns while figures can go instead.
constexpr int kMinimumName = 12;

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

CProgressDisplay::CProgressDisplay(bool terminal, int columns, int lines)
    : m_terminal(terminal),
      m_columns(std::max(columns, kMinimumColumns)),
      m_lines(std::max(lines, kMinimumLines)) {}

void CProgressDisplay::Resize(int columns, int lines) {
  m_columns = std::max(columns, kMinimumColumns);
  m_lines = std::max(lines, kMinimumLines);
}

std::string CProgressDisplay::FormatBytes(uint64_t bytes) {
  if (bytes == UINT64_MAX) return "???";
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 4) {
    value /= 1024;
    ++unit;
  }
  if (unit == 0) return Format("%llu B", static_cast<unsigned long long>(bytes));
  return Format("%.1f %s", value, units[unit]);
}

std::string CProgressDisplay::FormatDuration(int32_t seconds) {
  if (seconds < 0) return "--:--";
  if (seconds >= 86400) return Format("%dd%02dh", seconds / 86400, seconds % 86400 / 3600);
  if (seconds >= 3600)
    return Format("%d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
  return Format("%d:%02d", seconds / 60, seconds % 60);
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

int CProgressDisplay::DisplayWidth(const std::string& text) {
  int width = 0;
  for (wchar_t c : LocalToWide(text)) width += CharacterWidth(c);
  return width;
}

std::string CProgressDisplay::FitWidth(const std::string& text, int width, bool pad) {
  std::wstring wide = LocalToWide(text);
  int total = 0;
  for (wchar_t c : wide) total += CharacterWidth(c);
  if (total > width) {
    // Both ends stay readable: the start of the name and its extension.
    const int headRoom = (width - 1) / 2;
    const int tailRoom = width - 1 - headRoom;
    std::wstring head, tail;
    int used = 0;
    for (wchar_t c : wide) {
      if (used + CharacterWidth(c) > headRoom) break;
      head += c;
      used += CharacterWidth(c);
    }
    used = 0;
    for (auto it = wide.rbegin(); it != wide.rend(); ++it) {
      if (used + CharacterWidth(*it) > tailRoom) break;
      tail.insert(tail.begin(), *it);
      used += CharacterWidth(*it);
    }
    wide = width >= 1 ? head + L"~" + tail : L"";
    total = 0;
    for (wchar_t c : wide) total += CharacterWidth(c);
  }
  std::string result = WideToLocal(wide);
  if (pad && total < width) result.append(static_cast<size_t>(width - total), ' ');
  return result;
}

std::string CProgressDisplay::FormatRow(const ProgressRow& row, int columns) {
  const bool known = row.size != UINT64_MAX && row.size > 0;
  const int percent =
      known ? static_cast<int>(std::min<uint64_t>(row.done, row.size) * 100 / row.size) : 0;
  const std::string speed =
      row.speed < 0 ? "--" : FormatBytes(static_cast<uint64_t>(row.speed)) + "/s";
  // Plain lines (not a terminal) are not laid out in columns: the name, then the figures.
  if (columns <= 0) {
    std::string text =
        row.name + Format(" %3d%% %10s / %-10s %12s  %7s  %2d conn  %-12s", percent,
                          FormatBytes(row.done).c_str(), FormatBytes(row.size).c_str(),
                          speed.c_str(), FormatDuration(row.left).c_str(), row.connections,
                          StatusWord(row.status));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  // The figures, the least needed first to go when the terminal is narrow.
  struct Field {
    std::string text;
    int dropOrder;  // lower goes first
  };
  const bool running = IsActiveStatus(row.status);
  std::vector<Field> fields = {
      {known ? Format("%3d%%", percent) : "   -", 5},
      {Format("%9s/%-9s", FormatBytes(row.done).c_str(), FormatBytes(row.size).c_str()), 1},
      {Format("%11s", running ? speed.c_str() : ""), 3},
      {Format("%6s", running ? FormatDuration(row.left).c_str() : ""), 2},
      {Format("%2dc", row.connections), 0},
      {Format("%-12s", StatusWord(row.status)), 4},
  };
  const int width = std::max(columns, kMinimumColumns) - 1;
  auto figuresWidth = [&] {
    int total = 0;
    for (const Field& field : fields) total += 1 + static_cast<int>(field.text.size());
    return total;
  };
  for (int order = 0; figuresWidth() + kMinimumName > width && order <= 5; ++order)
    std::erase_if(fields, [order](const Field& field) { return field.dropOrder == order; });
  std::string figures;
  for (const Field& field : fields) figures += " " + field.text;
  int room = width - static_cast<int>(figures.size());
  // A bar where the name keeps enough room beside it.
  std::string bar;
  if (room >= 40) {
    const int inside = std::min(30, room - 30) - 2;
    const int filled = known ? static_cast<int>(std::min<uint64_t>(row.done, row.size) *
                                                static_cast<uint64_t>(inside) / row.size)
                             : 0;
    bar = " [" + std::string(static_cast<size_t>(filled), '#') +
          std::string(static_cast<size_t>(inside - filled), '.') + "]";
    room -= static_cast<int>(bar.size());
  }
  if (room < 1) return FitWidth(row.name + figures, width, false);
  return FitWidth(row.name, room, true) + bar + figures;
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
      speed += std::max(row.speed, 0);
    }
  }
  return Format("total: %d of %zu done, %d running, %d failed", completed, rows.size(), running,
                failed) +
         Format("  %s / %s  %s/s", FormatBytes(done).c_str(),
                sizeKnown ? FormatBytes(size).c_str() : "???",
                FormatBytes(static_cast<uint64_t>(speed)).c_str());
}

std::vector<ProgressRow> CProgressDisplay::ChooseRows(const std::vector<ProgressRow>& rows,
                                                      int lines, std::string& others) {
  others.clear();
  // The total line, and the cursor's line below the block, stay free.
  const size_t room = static_cast<size_t>(std::max(lines, kMinimumLines) - 2);
  if (rows.size() <= room) return rows;
  // Running downloads first, as many as fit beside the line about the others.
  std::vector<ProgressRow> shown;
  int running = 0, waiting = 0, completed = 0, failed = 0, stopped = 0;
  for (const ProgressRow& row : rows) {
    if (IsActiveStatus(row.status) && shown.size() < room - 1) {
      shown.push_back(row);
    } else if (IsActiveStatus(row.status)) {
      ++running;
    } else if (row.status == DownloadStatus::kCompleted) {
      ++completed;
    } else if (row.status == DownloadStatus::kFailed) {
      ++failed;
    } else if (row.status == DownloadStatus::kStopped) {
      ++stopped;
    } else {
      ++waiting;
    }
  }
  others = running != 0 ? Format("  and %d more running,", running) : std::string(" ");
  others += Format(" %d waiting, %d done, %d failed", waiting, completed, failed);
  if (stopped != 0) others += Format(", %d stopped", stopped);
  return shown;
}

std::string CProgressDisplay::MoveToBlockStart() {
  if (!m_terminal || m_drawnWidths.empty()) return "";
  // Lines drawn wider than the terminal is now have wrapped onto more lines.
  int lines = 0;
  for (int width : m_drawnWidths) lines += std::max(1, (width + m_columns - 1) / m_columns);
  m_drawnWidths.clear();
  return Format("\x1b[%dA\r", lines);
}

std::string CProgressDisplay::DrawLines(const std::vector<std::string>& lines) {
  // Each line overwrites the old one and clears its rest; what is left of a longer old block
  // is cleared from below the new one. The screen is never cleared from its top, which some
  // terminals would first copy into the scrollback.
  std::string block;
  for (const std::string& line : lines) {
    block += line + "\x1b[K\n";
    m_drawnWidths.push_back(DisplayWidth(line));
  }
  return block + "\x1b[J";
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
  std::string others;
  m_block.clear();
  for (const ProgressRow& row : ChooseRows(rows, m_lines, others))
    m_block.push_back(FormatRow(row, m_columns));
  if (!others.empty()) m_block.push_back(FitWidth(others, m_columns - 1, false));
  // The counts matter most: on a narrow terminal the bytes and the speed go first.
  std::string total = FormatTotal(rows);
  if (DisplayWidth(total) > m_columns - 1) total = total.substr(0, total.find("  "));
  m_block.push_back(FitWidth(total, m_columns - 1, false));
  const std::string text = MoveToBlockStart() + DrawLines(m_block);
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

void CProgressDisplay::Print(const std::string& line) {
  if (!m_terminal) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    return;
  }
  // The line goes where the block was, and the block below it again.
  std::string text = MoveToBlockStart() + line + "\x1b[K\n";
  text += DrawLines(m_block);
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

void CProgressDisplay::Finish() {
  m_drawnWidths.clear();
  m_block.clear();
}

}  // namespace ferrow
