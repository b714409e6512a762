// The reaction to finished downloads, driven through the real download manager with scripted
// transfers; the scanner is a real program started by the real launcher, the rest is recorded.
#include "app/after_download.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application_data.h"
#include "download/download_info.h"
#include "download/download_manager.h"
#include "l10n/message_numbers.h"
#include "l10n/message_ui.h"
#include "l10n/resource_manager.h"
#include "platform/text.h"
#include "shell/event_sounds.h"
#include "shell/shell_actions.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_transfer.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;

const char* const kSoundNames[] = {"Added", "Started", "Completed", "Error",   "Finished",
                                   "Login", "Close",   "Hangup",    "Shutdown"};

// Sounds and actions in one log, so that their order shows.
class Recorder : public IEventSounds, public IShellActions, public CMessageUi {
 public:
  void Play(SoundEvent event) override { m_log.push_back(kSoundNames[static_cast<int>(event)]); }
  void HangUp() override { m_log.push_back("hang up"); }
  void ShutDown() override { m_log.push_back("shut down"); }
  LaunchResult StartProgram(const std::vector<std::wstring>& arguments) override {
    return CProcessLauncher::Start(arguments);
  }
  bool OfferOpenWith(const std::wstring& path) override {
    m_log.push_back("open with " + WideToUtf8(path));
    return m_chooserExists;
  }
  void ShowMessage(const std::wstring& text) override { m_messages.push_back(text); }
  bool AskYesNo(const std::wstring&) override { return false; }

  std::vector<std::string> m_log;
  std::vector<std::wstring> m_messages;
  bool m_chooserExists = false;
};

class AfterDownloadTest : public test::SandboxedTest {
 protected:
  using Log = std::vector<std::string>;

  void SetUp() override {
    SandboxedTest::SetUp();
    setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
    ASSERT_TRUE(m_texts.Load(L"Languages/English.lng"));
    m_texts.SetMessageUi(&m_recorder);
    m_data.m_settings.SetDefaults();
    m_data.m_settings.m_startQueue = false;
    m_data.m_settings.m_maxDownloads = 2;
    m_manager = std::make_unique<CDownloadManager>(m_data.GetDownloadLists(), m_data.m_settings,
                                                   m_factory, m_clock);
    m_manager->SetDownloadSaver([] {});
    m_after =
        std::make_unique<CAfterDownload>(m_data.m_settings, *m_manager, m_recorder, m_recorder,
                                         m_texts, [this] { m_recorder.m_log.push_back("close"); });
    m_manager->AddListener(m_after.get());
    m_manager->Create();
  }
  void TearDown() override {
    m_manager.reset();
    SandboxedTest::TearDown();
  }

  CDownloadInfo& Add(const std::wstring& file) {
    CDownloadInfo& stored =
        m_manager->AddAndQueue(CDownloadInfo(L"http://127.0.0.1/x", Guid(), file));
    m_manager->Start(stored, false);
    Tick();
    return stored;
  }
  // Ends the download's transfer and hands out its events; returns what happened then.
  Log Finish(CDownloadInfo& record, DownloadStatus status) {
    m_recorder.m_log.clear();
    static_cast<test::FakeTransfer*>(m_manager->FindTransfer(record))->Finish(status);
    Tick();
    return m_recorder.m_log;
  }
  void Tick() { m_manager->OnTimer(CDownloadManager::kUpdateTimer); }

  test::FakeClock m_clock;
  test::FakeTransferFactory m_factory;
  CApplicationData m_data;
  CResourceManager m_texts;
  Recorder m_recorder;
  std::unique_ptr<CDownloadManager> m_manager;
  std::unique_ptr<CAfterDownload> m_after;
};

TEST_F(AfterDownloadTest, FinalActionsFollowTheLastDownloadEachAfterItsSound) {
  m_data.m_settings.m_autoClose = true;
  CDownloadInfo& only = Add(L"/tmp/only.zip");
  EXPECT_EQ(Finish(only, DownloadStatus::kCompleted),
            (Log{"Completed", "Finished", "Close", "close"}));

  m_data.m_settings.m_autoHangup = true;
  m_data.m_settings.m_autoShutdown = true;
  m_data.m_settings.m_autoClose = false;
  CDownloadInfo& failing = Add(L"/tmp/failing.zip");
  EXPECT_EQ(Finish(failing, DownloadStatus::kFailed),
            (Log{"Error", "Finished", "Hangup", "hang up", "Shutdown", "shut down"}));
}

TEST_F(AfterDownloadTest, NothingFinalWhileDownloadsRunOrWait) {
  m_data.m_settings.m_autoClose = true;
  m_data.m_settings.m_maxDownloads = 1;
  CDownloadInfo& first = Add(L"/tmp/a.zip");
  CDownloadInfo& waiting = Add(L"/tmp/b.zip");
  // The waiting one starts for the freed slot before the message arrives: it counts.
  EXPECT_EQ(Finish(first, DownloadStatus::kCompleted), (Log{"Completed"}));
  Tick();
  EXPECT_EQ(m_recorder.m_log, (Log{"Completed", "Started"}));

  m_data.m_settings.m_maxDownloads = 2;
  CDownloadInfo& other = Add(L"/tmp/c.zip");
  EXPECT_EQ(Finish(waiting, DownloadStatus::kCompleted), (Log{"Completed"}));

  // A download the user stops is still running while its last events go out.
  m_recorder.m_log.clear();
  m_manager->Stop(other);
  EXPECT_TRUE(m_recorder.m_log.empty());
}

TEST_F(AfterDownloadTest, ScannerGetsTheFileAsOneArgumentAndNothingElseRuns) {
  const fs::path dir = SandboxDir();
  const fs::path scanner = dir / "scan it";
  test::WriteFileBytes(scanner, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + (dir / "tmp").string() +
                                    "\"\nmv \"" + (dir / "tmp").string() + "\" \"" +
                                    (dir / "args").string() + "\"\n");
  fs::permissions(scanner, fs::perms::owner_all);
  m_data.m_settings.m_useAntivirus = true;
  m_data.m_settings.m_scannerFile = LocalToWide(scanner.string());
  m_data.m_settings.m_scannerArguments = L"--scan 'two words' $HOME";

  const std::string trap = "$(touch " + (dir / "x").string() + ").zip";
  for (const std::string name : {"my file.zip", trap.c_str(), "a;b.zip", "`id`.zip"}) {
    const std::string file = (dir / "downloads" / name).string();
    CDownloadInfo& record = Add(LocalToWide(file));
    Finish(record, DownloadStatus::kCompleted);
    ASSERT_TRUE(test::WaitUntil([&] { return fs::exists(dir / "args"); })) << name;
    EXPECT_EQ(test::ReadFileBytes(dir / "args"), "--scan\ntwo words\n$HOME\n" + file + "\n");
    fs::remove(dir / "args");
  }
  EXPECT_FALSE(fs::exists(dir / "x"));
  EXPECT_TRUE(m_recorder.m_messages.empty());
}

TEST_F(AfterDownloadTest, ScannerThatCannotStartIsReported) {
  m_data.m_settings.m_useAntivirus = true;
  const std::wstring missing = LocalToWide((SandboxDir() / "no-scanner").string());
  m_data.m_settings.m_scannerFile = missing;
  Finish(Add(L"/tmp/a.zip"), DownloadStatus::kCompleted);
  ASSERT_EQ(m_recorder.m_messages.size(), 1u);
  EXPECT_EQ(m_recorder.m_messages[0],
            m_texts.FormatMessage(Msg::kScannerFailed,
                                  {missing, m_texts.GetString(4000 + SystemCode::kFileNotFound)}));

  // A file that is no program goes to the desktop's chooser; without one, the message says so.
  const fs::path notes = SandboxDir() / "notes.txt";
  test::WriteFileBytes(notes, "text");
  m_data.m_settings.m_scannerFile = LocalToWide(notes.string());
  m_recorder.m_chooserExists = true;
  Log log = Finish(Add(L"/tmp/b.zip"), DownloadStatus::kCompleted);
  EXPECT_EQ(log[1], "open with " + notes.string());
  EXPECT_EQ(m_recorder.m_messages.size(), 1u);
  m_recorder.m_chooserExists = false;
  Finish(Add(L"/tmp/c.zip"), DownloadStatus::kCompleted);
  ASSERT_EQ(m_recorder.m_messages.size(), 2u);
  EXPECT_NE(m_recorder.m_messages[1].find(m_texts.GetString(4000 + SystemCode::kAccessDenied)),
            std::wstring::npos);

  // Switched on without a program: nothing is started or reported.
  m_data.m_settings.m_scannerFile.clear();
  EXPECT_EQ(Finish(Add(L"/tmp/d.zip"), DownloadStatus::kCompleted), (Log{"Completed", "Finished"}));
  EXPECT_EQ(m_recorder.m_messages.size(), 2u);
}

}  // namespace
}  // namespace ferrow
