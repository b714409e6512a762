#include "sites/listing_printer.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "download/log_info.h"
#include "platform/error_code.h"
#include "platform/local_time.h"
#include "platform/system_message.h"
#include "platform/text.h"
#include "sites/site_explorer.h"

namespace ferrow {

namespace {

class ListingWaiter : public ISiteExplorerListener {
 public:
  void OnExplorerEvent(uint32_t event) override {
    if (event == ExplorerEvent::kListing) m_listed = true;
    if (event == ExplorerEvent::kEnded) m_ended = true;
  }
  bool Done() const { return m_listed || m_ended; }
  bool Listed() const { return m_listed; }

 private:
  bool m_listed = false;
  bool m_ended = false;
};

std::string ErrorDescription(ErrorValue error) {
  const uint16_t code = ErrorCodeOf(error);
  const std::string number = std::to_string(code);
  switch (ErrorCategoryOf(error)) {
    case kCategorySystem: {
      const std::wstring text = SystemErrorMessage(code);
      return text.empty() ? "system error " + number : WideToLocal(text);
    }
    case kCategorySocket:
      return "socket error " + number;
    case kCategoryFtp:
      return "the server answered " + number;
    case kCategoryHttp:
      return "HTTP status " + number;
    case kCategorySocks:
      return "SOCKS proxy error " + number;
    default:
      return "error " + std::to_string(error);
  }
}

// Prints the log lines that matter: with verbose every line, else only the explorer's failure.
void PrintLog(const std::vector<CLogInfo>& lines, std::ostream& err, bool verbose) {
  for (const CLogInfo& line : lines) {
    switch (line.Kind()) {
      case LogKind::kSent:
      case LogKind::kReceived:
        if (verbose) {
          std::wstring text = line.Text();
          while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
          err << (line.Kind() == LogKind::kSent ? "> " : "< ") << WideToLocal(text) << '\n';
        }
        break;
      case ExplorerLog::kFailureKind:
        err << "failed: " << ErrorDescription(line.Extra()) << '\n';
        break;
      default:
        if (verbose && line.Number() == ExplorerLog::kStart) {
          err << "connecting to " << WideToLocal(line.Argument()) << ':' << line.Extra() << '\n';
        }
        break;
    }
  }
}

std::string FormatDate(std::int64_t date) {
  LocalDateTime local;
  if (date == CEntryInfo::kUnknown || !UnixToLocalTime(date, local)) return "???             ";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.year, local.month, local.day,
                local.hour, local.minute);
  return text;
}

char TypeLetter(std::int32_t type) {
  switch (type) {
    case CEntryInfo::kTypeFile:
      return '-';
    case CEntryInfo::kTypeDirectory:
      return 'd';
    case CEntryInfo::kTypeLink:
      return 'l';
    default:
      return '?';
  }
}

}  // namespace

int PrintRemoteListing(const std::wstring& url, const CSettings& settings, std::ostream& out,
                       std::ostream& err, const ListingPrintOptions& options) {
  CSiteExplorer explorer(settings);
  return PrintRemoteListing(explorer, url, out, err, options);
}

int PrintRemoteListing(CSiteExplorer& explorer, const std::wstring& url, std::ostream& out,
                       std::ostream& err, const ListingPrintOptions& options) {
  ListingWaiter waiter;
  explorer.AddView(&waiter);
  explorer.Connect(url);
  while (!waiter.Done()) {
    if (options.interrupted && options.interrupted()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(CSiteExplorer::kTimerMilliseconds));
    explorer.OnTimer();
    PrintLog(explorer.GetLog(), err, options.verbose);
  }
  explorer.Stop();
  explorer.OnTimer();
  explorer.RemoveView(&waiter);
  PrintLog(explorer.GetLog(), err, options.verbose);
  if (!waiter.Listed()) {
    if (options.interrupted && options.interrupted()) err << "stopped\n";
    return 1;
  }

  for (const CEntryInfo& entry : explorer.GetListing()) {
    if (entry.IsDotEntry()) continue;
    const std::string size =
        entry.GetSize() == CEntryInfo::kUnknown ? "???" : std::to_string(entry.GetSize());
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%c %15s  %s  ", TypeLetter(entry.GetType()),
                  size.c_str(), FormatDate(entry.GetDate()).c_str());
    out << prefix << WideToLocal(entry.GetName()) << '\n';
  }
  out.flush();
  return 0;
}

}  // namespace ferrow
