#include "sites/listing_printer.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "net/internet_url.h"
#include "net/log_info.h"
#include "platform/error_code.h"
#include "platform/local_time.h"
#include "platform/system_message.h"
#include "platform/text.h"
#include "sites/site_explorer.h"

namespace ferrow {

namespace {

// The first listing ends with "idle" whether or not the folder could be listed; a connection
// that fails ends with "ended".
class ListingWaiter : public ISiteExplorerListener {
 public:
  void OnExplorerEvent(uint32_t event) override {
    if (event == ExplorerEvent::kListing) m_listed = true;
    if (event == ExplorerEvent::kIdle || event == ExplorerEvent::kEnded) m_done = true;
  }
  bool Done() const { return m_done; }
  bool Listed() const { return m_listed; }

 private:
  bool m_listed = false;
  bool m_done = false;
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

// A line from the server as it may be shown on a terminal.
std::string WithoutLineEnd(const std::wstring& text) {
  std::wstring line = text;
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  return WideToLocal(PrintableText(line));
}

// Writes the log lines that matter as they arrive: with verbose every line, else only why the
// connection failed. Keeps the server's last reply, which says why a folder was refused.
class LogPrinter {
 public:
  LogPrinter(std::ostream& err, bool verbose) : m_err(err), m_verbose(verbose) {}

  void Print(const std::vector<CLogInfo>& lines) {
    for (const CLogInfo& line : lines) {
      switch (line.Kind()) {
        case LogKind::kSent:
        case LogKind::kReceived:
          if (line.Kind() == LogKind::kReceived) m_lastReply = WithoutLineEnd(line.Text());
          if (m_verbose) {
            m_err << (line.Kind() == LogKind::kSent ? "> " : "< ") << WithoutLineEnd(line.Text())
                  << '\n';
          }
          break;
        case LogKind::kFailure:
          m_err << "failed: " << ErrorDescription(line.Extra()) << '\n';
          m_failed = true;
          break;
        default:
          if (m_verbose && line.Number() == ExplorerLog::kStart) {
            m_err << "connecting to " << WideToLocal(PrintableText(line.Argument())) << ':'
                  << line.Extra() << '\n';
          }
          break;
      }
    }
  }
  bool Failed() const { return m_failed; }
  const std::string& LastReply() const { return m_lastReply; }

 private:
  std::ostream& m_err;
  bool m_verbose;
  bool m_failed = false;
  std::string m_lastReply;
};

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

int PrintRemoteListing(const std::wstring& url, const ITransferSettingsSource& settings,
                       std::ostream& out, std::ostream& err, const ListingPrintOptions& options) {
  CSiteExplorer explorer(settings);
  return PrintRemoteListing(explorer, url, out, err, options);
}

int PrintRemoteListing(CSiteExplorer& explorer, const std::wstring& url, std::ostream& out,
                       std::ostream& err, const ListingPrintOptions& options) {
  const Scheme scheme = CInternetURL(url).GetScheme();
  if (scheme != Scheme::kFtp && scheme != Scheme::kFtps) {
    err << "failed: only ftp:// and ftps:// folders can be listed\n";
    return 1;
  }
  ListingWaiter waiter;
  LogPrinter log(err, options.verbose);
  bool interrupted = false;
  explorer.AddView(&waiter);
  explorer.Connect(url);
  while (!waiter.Done()) {
    if (options.interrupted && options.interrupted()) {
      interrupted = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(CSiteExplorer::kTimerMilliseconds));
    explorer.OnTimer();
    log.Print(explorer.GetLog());
  }
  explorer.Stop();
  explorer.OnTimer();
  explorer.RemoveView(&waiter);
  log.Print(explorer.GetLog());
  if (!waiter.Listed()) {
    if (interrupted) {
      err << "stopped\n";
    } else if (!log.Failed()) {
      err << "failed: the folder could not be listed"
          << (log.LastReply().empty() ? "" : " (" + log.LastReply() + ")") << '\n';
    }
    return 1;
  }

  for (const CEntryInfo& entry : explorer.GetListing()) {
    if (entry.IsDotEntry()) continue;
    const std::string size =
        entry.GetSize() == CEntryInfo::kUnknown ? "???" : std::to_string(entry.GetSize());
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%c %15s  %s  ", TypeLetter(entry.GetType()), size.c_str(),
                  FormatDate(entry.GetDate()).c_str());
    out << prefix << WideToLocal(PrintableText(entry.GetName())) << '\n';
  }
  out.flush();
  return 0;
}

}  // namespace ferrow
