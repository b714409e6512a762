#pragma once
// ferrow-get: the application (CFerrowApp) driven from a terminal, with its data in memory. Reads
// the user's settings when there are any (and writes nothing into the data folder), queues every
// URL, polls the application in its own loop, shows progress, and stops every transfer cleanly on
// Ctrl+C so that the same command resumes later.
#include <string>
#include <vector>

#include "app/core_listener.h"
#include "console/console_options.h"

namespace ferrow {

class CFerrowApp;
class CProgressDisplay;
class CSettings;

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
  std::string ErrorMessage(int32_t error) const;
  // Prints the transfer's notices (a restart and why) that came since the last call.
  void PrintNotices(const Guid& id, const std::string& name);
  // --list: prints the folder's entries; the exit status.
  int ListFolder();

  CConsoleOptions m_options;
  CProgressDisplay* m_display = nullptr;
  CFerrowApp* m_app = nullptr;
};

}  // namespace ferrow
