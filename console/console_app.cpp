#include "console/console_app.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <utility>

#include "app/ferrow_app.h"
#include "app/proxy_environment.h"
#include "app/settings.h"
#include "console/progress_display.h"
#include "download/download_info.h"
#include "download/existing_target.h"
#include "download/file_transfer_factory.h"
#include "download/ordered_output.h"
#include "l10n/message_format.h"
#include "l10n/resource_manager.h"
#include "net/cookie_file.h"
#include "net/event_list.h"
#include "net/internet_url.h"
#include "net/log_info.h"
#include "net/netrc_file.h"
#include "platform/error_code.h"
#include "platform/folders.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "shell/shell_front_end.h"
#include "sites/listing_printer.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool IsAtRest(DownloadStatus status) {
  return status == DownloadStatus::kCompleted || status == DownloadStatus::kFailed ||
         status == DownloadStatus::kStopped;
}

// The display's own rate over the last few seconds: the records' speed comes in 5-second
// windows, which leaves a short download showing 0 B/s from start to end.
class RateWindow {
 public:
  void Add(Clock::time_point now, uint64_t done) {
    m_samples.emplace_back(now, done);
    while (m_samples.size() > 2 && now - m_samples[1].first >= std::chrono::seconds(3))
      m_samples.pop_front();
  }
  // Bytes per second, or -1 before two samples a little apart exist.
  int64_t Rate() const {
    if (m_samples.size() < 2) return -1;
    const auto& [firstTime, firstDone] = m_samples.front();
    const auto& [lastTime, lastDone] = m_samples.back();
    const double seconds = std::chrono::duration<double>(lastTime - firstTime).count();
    if (seconds < 0.5 || lastDone < firstDone) return -1;
    return static_cast<int64_t>(static_cast<double>(lastDone - firstDone) / seconds);
  }

 private:
  std::deque<std::pair<Clock::time_point, uint64_t>> m_samples;
};

// ferrow-get has no windows: a start-up failure is a line on standard error.
class ConsoleFrontEnd : public IShellFrontEnd {
 public:
  void ShowStartupError(const std::wstring& text) override {
    std::fprintf(stderr, "ferrow-get: %s\n", PrintableLocal(WideToLocal(text)).c_str());
  }
};

// How often the view changes: live on a terminal, every few seconds into a log.
constexpr auto kTerminalInterval = std::chrono::milliseconds(250);
constexpr auto kPlainInterval = std::chrono::seconds(5);

}  // namespace

std::string CConsoleApp::GetSettingsPath() {
  return WideToLocal(GetAppDataFolderPath()) + CSettings::kFileName;
}

void CConsoleApp::LoadSettings(CSettings& settings) {
  settings.SetDefaults();
  const std::string path = GetSettingsPath();
  CSettings stored = settings;
  m_settingsProblem = 0;
  switch (stored.LoadDetailed(path)) {
    case XmlLoadStatus::kLoaded:
      settings = stored;
      break;
    case XmlLoadStatus::kNoFile:
      break;
    case XmlLoadStatus::kUnreadable:
      m_settingsProblem = kTextUnreadable;
      break;
    case XmlLoadStatus::kMalformed:
      m_settingsProblem = kTextMalformed;
      break;
  }
}

void CConsoleApp::ReportSettingsProblem() const {
  // Said only once the language is known, in its words.
  if (m_settingsProblem != 0)
    std::fprintf(stderr, "ferrow-get: %s\n",
                 Text(kTextSettingsUnusable, {LocalToWide(PrintableLocal(GetSettingsPath())),
                                              LocalToWide(Text(m_settingsProblem))})
                     .c_str());
}

std::string CConsoleApp::Text(uint32_t number, std::initializer_list<CMessageArg> args) {
  return WideToLocal(CResourceManager::Instance().FormatMessage(number, args));
}

void CConsoleApp::LoadLanguage(const CSettings& settings) {
  CResourceManager& resources = CResourceManager::Instance();
  auto load = [&](const std::wstring& relative) {
    if (relative.empty()) return false;
    if (resources.Load(relative)) return true;
#ifdef FERROW_SOURCE_DIR
    // Run from the build tree without the copy beside the program: the source tree's files.
    if (resources.LoadFile(LocalToWide(FERROW_SOURCE_DIR "/") + relative)) return true;
#endif
    return false;
  };
  const std::wstring chosen = settings.m_languageFile.empty()
                                  ? CResourceManager::GetDefaultLanguageFile()
                                  : settings.m_languageFile;
  if (!load(chosen)) load(CResourceManager::kEnglishFile);
}

std::string CConsoleApp::ErrorWords(int32_t error) {
  std::string text =
      WideToLocal(CResourceManager::Instance().ErrorText(static_cast<uint32_t>(error)));
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return PrintableLocal(text);
}

std::string CConsoleApp::ErrorCode(int32_t error) {
  const uint32_t value = static_cast<uint32_t>(error);
  char code[64];
  std::snprintf(code, sizeof code, "error %u/%u", ErrorCategoryOf(value), ErrorCodeOf(value));
  return code;
}

std::string CConsoleApp::ErrorMessage(int32_t error) const {
  const std::string words = ErrorWords(error);
  return words.empty() ? ErrorCode(error) : words + " (" + ErrorCode(error) + ")";
}

std::string CConsoleApp::FailureText(const CDownloadInfo& record) const {
  const uint32_t value = static_cast<uint32_t>(record.m_error);
  // The error number stays in every wording, for a search.
  const std::string code = " (" + ErrorCode(record.m_error) + ")";
  const std::wstring text = LocalToWide(ErrorWords(record.m_error));
  const CInternetURL url(record.m_url);
  const std::wstring server =
      PrintableText(url.Host()) + L":" + std::to_wstring(static_cast<int>(url.Port()));
  const CProxyInfo* proxy = ProxyFor(url);
  auto named = [](const CProxyInfo& info) {
    return PrintableText(info.m_server) + L":" + std::to_wstring(info.m_port);
  };
  switch (ErrorCategoryOf(value)) {
    case kCategorySocket:
      // A connection through a proxy is a connection to the proxy.
      return (proxy != nullptr ? Text(kTextProxy, {text, named(*proxy)})
                               : Text(kTextServer, {text, server})) +
             code;
    case kCategorySocks:
      return Text(kTextProxy, {text, named(m_settings.m_socksProxy)}) + code;
    case kCategoryHttp:
      if (ErrorCodeOf(value) == 407) {
        const bool own = url.GetScheme() == Scheme::kHttps && m_settings.m_httpsProxy.m_enabled;
        return Text(kTextProxy,
                    {text, named(own ? m_settings.m_httpsProxy : m_settings.m_httpProxy)}) +
               code;
      }
      return Text(kTextServer, {text, server}) + code;
    case kCategoryFtp:
      return Text(kTextServer, {text, server}) + code;
    default:
      break;
  }
  switch (ErrorCodeOf(value)) {
    case SystemCode::kFileNotFound:
    case SystemCode::kPathNotFound:
    case SystemCode::kAccessDenied:
    case SystemCode::kLockViolation:
    case SystemCode::kHandleDiskFull:
    case SystemCode::kDiskFull:
    case SystemCode::kFileExists:
    case SystemCode::kInvalidName:
    case SystemCode::kDirNotEmpty:
    case SystemCode::kAlreadyExists:
    case SystemCode::kFilenameTooLong:
    case SystemCode::kFileTooLarge:
    case SystemCode::kDirectory:
      return Text(kTextFile, {text, PrintableText(record.m_file)}) + code;
    default:
      return ErrorMessage(record.m_error);
  }
}

const CProxyInfo* CConsoleApp::ProxyFor(const CInternetURL& url) const {
  if (m_settings.m_proxyBypass.Matches(url.Host())) return nullptr;
  if (m_settings.m_socksProxy.m_enabled) return &m_settings.m_socksProxy;
  if (url.GetScheme() == Scheme::kHttps && m_settings.m_httpsProxy.m_enabled)
    return &m_settings.m_httpsProxy;
  const bool web = url.GetScheme() == Scheme::kHttp || url.GetScheme() == Scheme::kHttps;
  if (m_settings.m_httpProxy.m_enabled && web) return &m_settings.m_httpProxy;
  return nullptr;
}

std::string CConsoleApp::NoticeText(const CLogInfo& line) {
  if (line.Number() == 0) return WideToLocal(PrintableText(line.Text()));
  // A numbered notice: the language file's words, with the texts of its argument.
  std::vector<std::wstring> parts;
  const std::wstring& argument = line.Argument();
  for (size_t start = 0;;) {
    const size_t slash = argument.find(L'/', start);
    parts.push_back(PrintableText(argument.substr(start, slash - start)));
    if (slash == std::wstring::npos) break;
    start = slash + 1;
  }
  parts.resize(3);
  return Text(line.Number(), {parts[0], parts[1], parts[2]});
}

std::string CConsoleApp::DownloadName(const CDownloadInfo& record) const {
  std::string name = WideToLocal(PrintableText(record.m_name));
  // Every line about the download says that nobody checked whom it came from.
  if (m_options.m_insecure) name += " [insecure: certificates not checked]";
  return name;
}

void CConsoleApp::PrintNotices(const Guid& id, const std::string& name) {
  if (!m_app || !m_display) return;
  // Nobody else reads the log here; the protocol lines stay unprinted.
  for (const CLogInfo& line : m_app->TakeDownloadLog(id)) {
    if (line.Kind() != LogKind::kNotice) continue;
    m_display->Print(name + ": " + NoticeText(line));
    if (line.Number() == CExistingTarget::kAlreadyThereNotice ||
        line.Number() == CExistingTarget::kLeftAloneNotice)
      m_alreadyThere.insert(id);
  }
}

void CConsoleApp::OnDownloadEvent(const Guid& id, TransferEvent event) {
  DownloadSnapshot snapshot;
  if (!m_app || !m_app->GetDownload(id, snapshot)) return;
  const CDownloadInfo& record = snapshot.record;
  const std::string name = DownloadName(record);
  if (event == TransferEvent::kLog || event == TransferEvent::kFinished) PrintNotices(id, name);
  if (event == TransferEvent::kLoginRequired) {
    // Nobody to ask: give up this download. A login that was given and refused needs another
    // one, not the hint where to put it.
    const CInternetURL url(record.m_url);
    const std::wstring host = PrintableText(url.Host());
    const bool loginGiven = !url.User().empty() || m_settings.m_siteLogins.Find(url.Host());
    const bool ftp = url.GetScheme() == Scheme::kFtp;
    if (m_display)
      m_display->Print(loginGiven ? Text(kTextLoginRefused, {LocalToWide(name), host})
                                  : Text(kTextLoginNeeded,
                                         {LocalToWide(name), host, ftp ? L"ftp" : L"http", host}));
    m_app->AnswerLogin(id, {});
    return;
  }
  if (event != TransferEvent::kFinished || !m_display) return;
  if (record.m_status == DownloadStatus::kCompleted) {
    // On a terminal the block counts them: a line each would scroll a long list away.
    if (!m_options.m_quiet && !m_terminal && !m_alreadyThere.contains(id))
      m_display->Print(
          Text(kTextCompleted,
               {LocalToWide(name), LocalToWide(CProgressDisplay::FormatBytes(record.m_done)),
                LocalToWide(CProgressDisplay::FormatDuration(record.m_elapsed))}));
  } else if (record.m_status == DownloadStatus::kFailed) {
    m_display->Print(Text(kTextFailed, {LocalToWide(name), LocalToWide(FailureText(record))}));
  }
}

void CConsoleApp::AddNetrcLogins(CSettings& settings) const {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return;
  std::ifstream file(std::string(home) + "/.netrc");
  if (!file) return;
  std::stringstream text;
  text << file.rdbuf();
  for (const NetrcLogin& login : ParseNetrc(text.str())) {
    const std::wstring host = LocalToWide(login.machine);
    // A login stored in Ferrow's settings, or one written into an address, comes first.
    if (settings.m_siteLogins.Find(host) != nullptr) continue;
    const bool inAddress =
        std::any_of(m_options.m_urls.begin(), m_options.m_urls.end(), [&](const std::string& url) {
          CInternetURL parsed(LocalToWide(url));
          return parsed.Host() == host && !parsed.User().empty();
        });
    if (!inAddress)
      settings.m_siteLogins.SetLogin(host, LocalToWide(login.login), LocalToWide(login.password),
                                     false);
  }
}

bool CConsoleApp::LoadCookieFile(CSettings& settings) const {
  std::ifstream file(m_options.m_cookieFile, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "ferrow-get: cannot read the cookie file '%s'\n",
                 PrintableLocal(m_options.m_cookieFile).c_str());
    return false;
  }
  std::stringstream text;
  text << file.rdbuf();
  auto cookies = std::make_shared<CCookieFile>();
  size_t badLine = 0;
  if (!cookies->Parse(text.str(), badLine)) {
    std::fprintf(stderr,
                 "ferrow-get: line %zu of the cookie file '%s' is not a cookie (seven fields "
                 "separated by tabs, as in cookies.txt)\n",
                 badLine, PrintableLocal(m_options.m_cookieFile).c_str());
    return false;
  }
  settings.m_cookieFile = std::move(cookies);
  return true;
}

bool CConsoleApp::CheckTargets(const fs::path& folder) const {
  // Said before anything starts, so that no temporary file is left beside the mistake.
  std::error_code error;
  if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
    std::fprintf(stderr, "ferrow-get: %s\n",
                 Text(kTextNotAFolder, {LocalToWide(PrintableLocal(folder.string()))}).c_str());
    return false;
  }
  if (m_options.m_outputFile.empty() || m_options.m_outputFile == "-") return true;
  const fs::path target = fs::path(m_options.m_outputFile).is_absolute()
                              ? fs::path(m_options.m_outputFile)
                              : folder / m_options.m_outputFile;
  if (fs::is_directory(target, error)) {
    std::fprintf(
        stderr, "ferrow-get: %s\n",
        Text(kTextIsAFolder, {LocalToWide(PrintableLocal(m_options.m_outputFile))}).c_str());
    return false;
  }
  // Any part of the way that is there must be a folder.
  for (fs::path parent = target.lexically_normal().parent_path();
       !parent.empty() && parent != parent.root_path(); parent = parent.parent_path()) {
    if (fs::exists(parent, error) && !fs::is_directory(parent, error)) {
      std::fprintf(stderr, "ferrow-get: %s\n",
                   Text(kTextNotAFolder, {LocalToWide(PrintableLocal(parent.string()))}).c_str());
      return false;
    }
  }
  return true;
}

int CConsoleApp::ListFolder() {
  CSettings& settings = m_settings;
  LoadSettings(settings);
  LoadLanguage(settings);
  ReportSettingsProblem();
  m_options.ApplyTo(settings);
  InstallInterruptFlag();
  const int result = PrintRemoteListing(
      LocalToWide(m_options.m_listUrl), settings, std::cout, std::cerr,
      {.verbose = m_options.m_verbose, .interrupted = [] { return GetInterruptSignal() != 0; }});
  std::cout.flush();
  if (const int signal = GetInterruptSignal()) return 128 + signal;
  return result == 0 ? kExitCompleted : kExitFailed;
}

int CConsoleApp::Run(const std::vector<std::string>& arguments) {
  if (!m_options.Parse(arguments)) {
    std::fprintf(stderr, "ferrow-get: %s\nTry 'ferrow-get --help' for the options.\n",
                 PrintableLocal(m_options.GetError()).c_str());
    return kExitUsage;
  }
  if (m_options.m_help) {
    std::fputs(CConsoleOptions::GetUsage().c_str(), stdout);
    return kExitCompleted;
  }
  if (m_options.m_version) {
    std::printf("ferrow-get %s\n", FERROW_VERSION);
    return kExitCompleted;
  }
  if (!m_options.m_listUrl.empty()) return ListFolder();
  // The application's data lives in memory only: nothing is loaded from or saved to the data
  // folder but the settings, which are only read.
  CSettings& settings = m_settings;
  LoadSettings(settings);
  LoadLanguage(settings);
  ReportSettingsProblem();
  for (const CConsoleOptions::SkippedLine& line : m_options.GetSkippedLines())
    std::fprintf(
        stderr, "ferrow-get: %s\n",
        Text(kTextSkipped, {LocalToWide(PrintableLocal(CConsoleOptions::MaskPassword(line.text))),
                            LocalToWide(line.why)})
            .c_str());
  // A list with nothing to fetch but bad lines has failed.
  if (m_options.m_urls.empty()) return kExitFailed;
  const int listStatus = m_options.GetSkippedLines().empty() ? kExitCompleted : kExitFailed;

  if (!m_options.m_noProxy) {
    const ProxyEnvironment environment = ProxyEnvironment::Read(std::getenv);
    if (!environment.problem.empty())
      std::fprintf(stderr, "ferrow-get: %s; that proxy is not used\n",
                   PrintableLocal(environment.problem).c_str());
    environment.ApplyTo(settings);
  }
  if (!m_options.m_noNetrc) AddNetrcLogins(settings);
  if (!m_options.m_cookieFile.empty() && !LoadCookieFile(settings)) return kExitUsage;
  m_options.ApplyTo(settings);
  settings.m_startQueue = false;
  // A stored 0 would leave every download waiting for ever.
  if (settings.m_maxDownloads < 1) settings.m_maxDownloads = 1;

  std::error_code error;
  fs::path folder = m_options.m_directory.empty() ? fs::current_path(error)
                                                  : fs::absolute(m_options.m_directory, error);
  if (error) {
    std::fprintf(stderr, "ferrow-get: cannot use the folder '%s'\n",
                 PrintableLocal(m_options.m_directory).c_str());
    return kExitUsage;
  }
  if (!CheckTargets(folder)) return kExitUsage;

  ConsoleFrontEnd frontEnd;
  TransferOptions transferOptions;
  transferOptions.existing = m_options.m_existing;
  transferOptions.continuePlain = m_options.m_continue;
  // -o -: the one URL's bytes go to standard output, in order; no file is written.
  const bool toStdout = m_options.m_outputFile == "-";
  COrderedOutput output(WriteStandardOutput);
  if (toStdout) transferOptions.output = &output;
  CFileTransferFactory factory(transferOptions);
  CFerrowApp::Options appOptions;
  appOptions.transferFactory = &factory;
  CFerrowApp app(frontEnd, CResourceManager::Instance(), appOptions);
  app.StartInMemory(settings);
  const bool terminal = IsErrorTerminal();
  CProgressDisplay display(terminal, terminal ? GetTerminalColumns() : 200,
                           terminal ? GetTerminalRows() : 24);
  m_terminal = terminal;
  if (terminal) InstallResizeFlag();
  m_display = &display;
  m_app = &app;
  app.AddListener(this);

  std::vector<Guid> ids;
  for (const std::string& url : m_options.m_urls) {
    if (m_options.m_outputFile.empty()) {
      // The server names the file (Content-Disposition, else the address after redirects).
      ids.push_back(app.AddDownload({.url = LocalToWide(url),
                                     .folder = Guid(),
                                     .file = LocalToWide(folder.lexically_normal().string()),
                                     .comment = L"",
                                     .nameFromServer = true},
                                    false));
      continue;
    }
    const std::string name =
        toStdout ? CConsoleOptions::FileNameForUrl(url) : m_options.m_outputFile;
    const fs::path target = fs::path(name).is_absolute() ? fs::path(name) : folder / name;
    ids.push_back(app.AddDownload(
        {LocalToWide(url), Guid(), LocalToWide(target.lexically_normal().string()), L""}, false));
  }
  InstallInterruptFlag();
  app.StartQueue();

  auto snapshots = [&] {
    std::vector<DownloadSnapshot> result;
    for (const Guid& id : ids) {
      DownloadSnapshot snapshot;
      if (app.GetDownload(id, snapshot)) result.push_back(snapshot);
    }
    return result;
  };
  const auto isOver = [&app](const Guid& id) {
    DownloadSnapshot snapshot;
    return !app.GetDownload(id, snapshot) ||
           (!snapshot.transferRunning && IsAtRest(snapshot.record.m_status));
  };
  size_t settled = 0;
  std::map<Guid, RateWindow> rates;
  auto rows = [&](bool interrupted = false) {
    std::vector<ProgressRow> result;
    const auto now = Clock::now();
    for (const Guid& id : ids) {
      DownloadSnapshot snapshot;
      if (!app.GetDownload(id, snapshot)) continue;
      const CDownloadInfo& record = snapshot.record;
      ProgressRow row;
      row.name = DownloadName(record);
      row.status = record.m_status;
      row.done = record.m_done;
      row.size = record.m_size;
      // Nothing is shown as measured before it has been: no speed and no time left until the
      // display's own window has two samples.
      row.speed = -1;
      row.left = -1;
      // After Ctrl+C the manager puts stopped downloads back into the queue; they stopped.
      if (interrupted && !IsAtRest(record.m_status)) row.status = DownloadStatus::kStopped;
      if (!IsAtRest(row.status)) {
        RateWindow& window = rates[id];
        window.Add(now, record.m_done);
        if (const int64_t rate = window.Rate(); rate >= 0) {
          row.speed = static_cast<int32_t>(std::min<int64_t>(rate, INT32_MAX));
          const bool sizeKnown = record.m_size != kUnknownSize && record.m_size >= record.m_done;
          row.left = rate > 0 && sizeKnown
                         ? static_cast<int32_t>((record.m_size - record.m_done) / rate)
                         : -1;
        }
      }
      row.connections = IsAtRest(row.status) ? 0 : snapshot.connections;
      result.push_back(row);
    }
    return result;
  };
  const auto finish = [&] {
    m_display = nullptr;
    m_app = nullptr;
    app.RemoveListener(this);
  };

  const auto interval = terminal ? std::chrono::duration_cast<Clock::duration>(kTerminalInterval)
                                 : std::chrono::duration_cast<Clock::duration>(kPlainInterval);
  auto nextShow = Clock::now() + (terminal ? interval : std::chrono::seconds(1));
  int exitCode = kExitCompleted;
  for (;;) {
    app.Poll();
    if (const int signal = GetInterruptSignal()) {
      app.StopAllDownloads();
      if (!m_options.m_quiet && terminal) display.Show(rows(true));
      display.Finish();
      std::fprintf(stderr, "ferrow-get: %s\n", Text(kTextInterrupted).c_str());
      finish();
      return 128 + signal;
    }
    // A download is over when its worker has ended with a status at rest: between two attempts
    // of one worker the status may read Failed for a moment. The downloads found over are not
    // looked at again until all are (then all once more): with many files, looking at every
    // one on every wake cost more than fetching them.
    while (settled < ids.size() && isOver(ids[settled])) ++settled;
    if (settled == ids.size()) {
      const std::vector<DownloadSnapshot> now = snapshots();
      if (std::all_of(now.begin(), now.end(), [](const DownloadSnapshot& snapshot) {
            return !snapshot.transferRunning && IsAtRest(snapshot.record.m_status);
          }))
        break;
      settled = 0;
    }
    const bool resized = terminal && TakeResized();
    if (resized) display.Resize(GetTerminalColumns(), GetTerminalRows());
    if (!m_options.m_quiet && (resized || Clock::now() >= nextShow)) {
      display.Show(rows());
      nextShow = Clock::now() + interval;
    }
    int64_t wait = app.MillisecondsToNext();
    if (wait < 0 || wait > 100) wait = 100;
    app.WaitForWork(static_cast<int>(wait));
  }
  if (!m_options.m_quiet && terminal) display.Show(rows());
  display.Finish();
  const std::vector<DownloadSnapshot> done = snapshots();
  size_t failed = 0;
  for (const DownloadSnapshot& snapshot : done)
    if (snapshot.record.m_status != DownloadStatus::kCompleted) ++failed;
  if (failed != 0 || listStatus != kExitCompleted) exitCode = kExitFailed;
  if (failed != 0 && done.size() > 1)
    std::fprintf(stderr, "ferrow-get: %s\n",
                 Text(kTextSomeFailed,
                      {static_cast<unsigned long>(failed), static_cast<unsigned long>(done.size())})
                     .c_str());
  finish();
  return exitCode;
}

}  // namespace ferrow
