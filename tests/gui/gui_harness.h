#pragma once
// The windowed program for QTest, in a sandbox of its own: data, configuration, registry,
// download and runtime folders under a fresh temporary folder, instance names tagged for this
// process, the language files of the source tree. Start() runs CFerrowApp with the real front
// end and main window, driven by the real core driver; only the outside world is left out (no
// update check, no dial-up watcher, no sounds, no hang-up or power-off, no browser plug-in).
//
//   CGuiHarness gui;
//   gui.WriteSettings([](CSettings& s) { s.m_maxDownloads = 1; });
//   QVERIFY(gui.Start());
//   ... gui.Frame() ..., QTRY_VERIFY_WITH_TIMEOUT(..., kWait);
#include <QMessageBox>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "tests/support/skip.h"

class QWidget;

namespace ferrow {

class CCoreDriver;
class CFerrowApp;
class CGuiFrontEnd;
class CMainFrame;
class CQtMessageUi;

namespace test {

// A guard against hangs, never a speed check.
constexpr int kWait = 30000;

class CGuiHarness {
 public:
  CGuiHarness();
  ~CGuiHarness();
  CGuiHarness(const CGuiHarness&) = delete;
  CGuiHarness& operator=(const CGuiHarness&) = delete;

  // Writes "Settings.xml" before the start: the defaults (English, no queue at start), changed
  // by edit.
  void WriteSettings(const std::function<void(CSettings&)>& edit = {});
  bool Start(const std::vector<std::wstring>& arguments = {L"ferrow"});
  // Exit as the program does it (without asking), waiting until the data is saved.
  void Exit();
  // Exits when still running, then starts again over the same folders.
  bool Restart(const std::vector<std::wstring>& arguments = {L"ferrow"});

  CFerrowApp& App() { return *m_app; }
  CMainFrame& Frame();
  CCoreDriver& Driver() { return *m_driver; }

  const std::filesystem::path& Root() const { return m_root; }
  std::filesystem::path DataDir() const { return m_root / "data" / "Brennick" / "Ferrow"; }
  std::filesystem::path DownloadDir() const { return m_root / "downloads"; }
  std::filesystem::path RuntimeDir() const { return m_root / "run"; }
  // The tag of this sandbox's instance names (FERROW_INSTANCE_TAG for a real ferrow).
  const std::string& Tag() const { return m_tag; }
  // The environment a real ferrow process needs to run in this sandbox.
  std::vector<std::pair<std::string, std::string>> Environment() const;

 private:
  void TearDown();

  std::filesystem::path m_root;
  std::string m_tag;
  std::unique_ptr<CGuiFrontEnd> m_frontEnd;
  std::unique_ptr<CQtMessageUi> m_messages;
  std::unique_ptr<CFerrowApp> m_app;
  std::unique_ptr<CCoreDriver> m_driver;
};

// The visible top-level window with that object name (dialogs are named by their language
// section: "DownloadFile", "DownloadList", ...), or null.
QWidget* FindWindow(const char* objectName);
template <class T>
T* FindDialog(const char* objectName) {
  return qobject_cast<T*>(FindWindow(objectName));
}
// The visible message box, or null; its text.
QMessageBox* FindMessageBox();
// Answers the visible question (Yes or No) or closes the visible message.
bool AnswerMessageBox(bool yes);
// Deletes every top-level window but the main window (a test's dialogs), and waits for that.
void CloseDialogs();

}  // namespace test
}  // namespace ferrow

// Starts a server of tests/support in a QTest function: skips when its program is missing (fails
// in CI) and fails when it does not come up.
#define FERROW_QT_START_OR_SKIP(server)                                                     \
  do {                                                                                      \
    if (!(server).Available()) {                                                            \
      const std::string why = (server).Name() + " is not installed (scripts/install-deps)"; \
      if (::ferrow::test::RunningInCi()) QFAIL(why.c_str());                                \
      QSKIP(why.c_str());                                                                   \
    }                                                                                       \
    QVERIFY2((server).Start(), ((server).Name() + ": " + (server).Error()).c_str());        \
  } while (0)
