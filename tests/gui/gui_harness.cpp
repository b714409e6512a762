#include "tests/gui/gui_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <cstdlib>

#include "app/ferrow_app.h"
#include "gui/core_driver.h"
#include "gui/front_end.h"
#include "gui/main_frame.h"
#include "gui/message_boxes.h"
#include "l10n/resource_manager.h"
#include "platform/shared_memory.h"
#include "platform/wave_player.h"
#include "shell/shell_actions.h"
#include "tests/support/sandbox.h"
#include "tests/support/inert_shell.h"

namespace ferrow::test {
namespace {

namespace fs = std::filesystem;


InertActions g_actions;
SilentPlayer g_player;
std::atomic<int> g_count{0};

}  // namespace

CGuiHarness::CGuiHarness() {
  m_root = MakeTempDir("ferrow-gui-");
  for (const char* dir : {"data", "config", "registry", "downloads", "run"})
    fs::create_directories(m_root / dir);
  fs::permissions(RuntimeDir(), fs::perms::owner_all);
  m_tag = "gui-" + std::to_string(::getpid()) + "-" + std::to_string(++g_count);
  for (const auto& [name, value] : Environment()) setenv(name.c_str(), value.c_str(), 1);
}

std::vector<std::pair<std::string, std::string>> CGuiHarness::Environment() const {
  return {{"XDG_DATA_HOME", (m_root / "data").string()},
          {"XDG_CONFIG_HOME", (m_root / "config").string()},
          {"FERROW_REGISTRY_DIR", (m_root / "registry").string()},
          {"XDG_DOWNLOAD_DIR", DownloadDir().string()},
          {"XDG_RUNTIME_DIR", RuntimeDir().string()},
          {"FERROW_PROGRAM_DIR", SourceDir().string()},
          {"FERROW_INSTANCE_TAG", m_tag}};
}

void CGuiHarness::TearDown() {
  CloseDialogs();
  if (m_app && m_app->IsRunning()) Exit();
  if (m_driver) m_driver->Stop();
  CResourceManager::Instance().SetMessageUi(nullptr);
  if (m_frontEnd) m_frontEnd->DestroyMainWindow();
  m_driver.reset();
  m_app.reset();
  m_frontEnd.reset();
  m_messages.reset();
}

bool CGuiHarness::Restart(const std::vector<std::wstring>& arguments) {
  TearDown();
  return Start(arguments);
}

CGuiHarness::~CGuiHarness() {
  TearDown();
  CSharedMemory::Remove(InstanceNames::Tagged(m_tag).urlBlock);
  std::error_code ignored;
  fs::remove_all(m_root, ignored);
}

void CGuiHarness::WriteSettings(const std::function<void(CSettings&)>& edit) {
  CSettings settings;
  settings.SetDefaults();
  settings.m_languageFile = L"Languages/English.lng";
  settings.m_startQueue = false;
  settings.m_autoRun = false;
  if (edit) edit(settings);
  fs::create_directories(DataDir());
  settings.Save();
}

bool CGuiHarness::Start(const std::vector<std::wstring>& arguments) {
  if (!fs::exists(DataDir() / "Settings.xml")) WriteSettings();
  m_frontEnd = std::make_unique<CGuiFrontEnd>();
  m_messages = std::make_unique<CQtMessageUi>([this] { return m_frontEnd->DialogParent(); });
  CResourceManager::Instance().SetMessageUi(m_messages.get());
  CFerrowApp::Options options;
  options.names = InstanceNames::Tagged(m_tag);
  options.actions = &g_actions;
  options.wavePlayer = &g_player;
  options.updateUrl.clear();
  options.watchConnections = false;
  options.applyIntegration = [](CApplicationData&) {};
  m_app = std::make_unique<CFerrowApp>(*m_frontEnd, CResourceManager::Instance(), options);
  m_frontEnd->SetApp(m_app.get());
  if (m_app->Start(arguments) != CFerrowApp::StartResult::kRunning) return false;
  m_driver = std::make_unique<CCoreDriver>(*m_app);
  Frame().SetDriver(m_driver.get());
  Frame().ShowAtStart(m_app->IsSilent());
  m_driver->Start();
  return QTest::qWaitForWindowExposed(&Frame()) || m_app->IsSilent();
}

void CGuiHarness::Exit() {
  bool done = false;
  QObject::connect(&Frame(), &CMainFrame::exitFinished, [&done] { done = true; });
  Frame().RequestExit(false);
  // Not QTRY: this also runs after a failed check, when QTRY would no longer wait.
  QDeadlineTimer deadline(kWait);
  while (!done && !deadline.hasExpired()) QTest::qWait(20);
  QVERIFY2(done, "the program did not finish its exit");
}

CMainFrame& CGuiHarness::Frame() {
  return *m_frontEnd->Frame();
}

QWidget* FindWindow(const char* objectName) {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->objectName() == QLatin1String(objectName)) return window;
  return nullptr;
}

QMessageBox* FindMessageBox() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
  return nullptr;
}

bool AnswerMessageBox(bool yes) {
  QMessageBox* box = FindMessageBox();
  if (!box) return false;
  QAbstractButton* button = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
  if (!button) button = box->button(QMessageBox::Ok);
  if (!button) return false;
  button->click();
  return true;
}

void CloseDialogs() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && !qobject_cast<CMainFrame*>(window)) window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace ferrow::test
