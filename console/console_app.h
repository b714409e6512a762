#pragma once
// ferrow-get: the application (CFerrowApp) driven from a terminal, with its data in memory. Reads
// the user's settings when there are any (and writes nothing into the data folder), queues every
// URL, polls the application in its own loop, shows progress, and stops every transfer cleanly on
// Ctrl+C so that the same command resumes later.
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "app/core_listener.h"
#include "app/settings.h"
#include "console/console_options.h"

namespace ferrow {

class CDownloadInfo;
class CFerrowApp;
class CInternetURL;
class CLogInfo;
class CMessageArg;
class CProgressDisplay;

class CConsoleApp : public ICoreListener {
 public:
  static constexpr int kExitCompleted = 0;
  static constexpr int kExitFailed = 1;
  static constexpr int kExitUsage = 2;

  // The arguments after the program name; returns the exit status.
  int Run(const std::vector<std::string>& arguments);

  void OnDownloadEvent(const Guid& id, TransferEvent event) override;

  // "Settings.xml" in the data folder, found without creating any folder.
  static std::string GetSettingsPath();

 private:
  // Defaults, then the user's file if there is a readable one.
  void LoadSettings(CSettings& settings);
  void LoadLanguage(const CSettings& settings);
  // ~/.netrc's logins for hosts that have none yet, not stored.
  void AddNetrcLogins(CSettings& settings) const;
  // --load-cookies; false (with the reason printed) when the file cannot be used.
  bool LoadCookieFile(CSettings& settings) const;
  std::string ErrorMessage(int32_t error) const;
  // The language file's words for an error (no final stop), and "error C/N".
  static std::string ErrorWords(int32_t error);
  static std::string ErrorCode(int32_t error);
  // The error of a failed download with what it concerns: the server, the proxy or the file.
  std::string FailureText(const CDownloadInfo& record) const;
  // The proxy a connection for the address goes to first; null when none.
  const CProxyInfo* ProxyFor(const CInternetURL& url) const;
  // -d names a folder and -o a file, each where a folder can be; else says which is wrong.
  bool CheckTargets(const std::filesystem::path& folder) const;
  void ReportSettingsProblem() const;
  // A message of the language file.
  static std::string Text(uint32_t number, std::initializer_list<CMessageArg> args = {});

  // The messages of ferrow-get in the language files.
  static constexpr uint32_t kTextFailed = 12000;
  static constexpr uint32_t kTextServer = 12001;
  static constexpr uint32_t kTextProxy = 12002;
  static constexpr uint32_t kTextFile = 12003;
  static constexpr uint32_t kTextLoginNeeded = 12004;
  static constexpr uint32_t kTextLoginRefused = 12005;
  static constexpr uint32_t kTextCompleted = 12006;
  static constexpr uint32_t kTextIsAFolder = 12007;
  static constexpr uint32_t kTextNotAFolder = 12008;
  static constexpr uint32_t kTextSettingsUnusable = 12009;
  static constexpr uint32_t kTextUnreadable = 12010;
  static constexpr uint32_t kTextMalformed = 12011;
  static constexpr uint32_t kTextInterrupted = 12012;
  static constexpr uint32_t kTextSomeFailed = 12013;
  static constexpr uint32_t kTextSkipped = 12014;
  // Prints the transfer's notices (a restart and why) that came since the last call.
  void PrintNotices(const Guid& id, const std::string& name);
  // The download's name as every line shows it.
  std::string DownloadName(const CDownloadInfo& record) const;
  static std::string NoticeText(const CLogInfo& line);
  // --list: prints the folder's entries; the exit status.
  int ListFolder();

  CConsoleOptions m_options;
  CSettings m_settings;            // as this run uses them
  uint32_t m_settingsProblem = 0;  // why Settings.xml was not used (a text), or 0
  CProgressDisplay* m_display = nullptr;
  CFerrowApp* m_app = nullptr;
  bool m_terminal = false;        // the progress goes to a terminal
  std::set<Guid> m_alreadyThere;  // downloads that found their file there: no "completed" line
};

}  // namespace ferrow
