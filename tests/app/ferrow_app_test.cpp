// What a start that fails early shows and that it writes nothing; the front end's view of the
// application: downloads named by their IDs, the listener, and the calls that must not block.
#include "app/ferrow_app.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "download/download_manager.h"
#include "l10n/message_ui.h"
#include "l10n/resource_manager.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "platform/shared_memory.h"
#include "platform/text.h"
#include "platform/wave_player.h"
#include "shell/shell_actions.h"
#include "shell/shell_front_end.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_transfer.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait_until.h"
#include "tests/support/inert_shell.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;

class RecordingFrontEnd : public IShellFrontEnd {
 public:
  void ShowStartupError(const std::wstring& text) override { m_errors.push_back(text); }
  std::vector<std::wstring> m_errors;
};

class FerrowAppTest : public test::SandboxedTest {};

TEST_F(FerrowAppTest, StartupFailureShowsItsTextInTheUsersLanguageAndWritesNothing) {
  setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
  const fs::path settings = DataHome() / "Brennick/Ferrow/Settings.xml";
  fs::create_directories(settings.parent_path());
  const std::string stored =
      "<Root>\n    <LanguageFile>Languages/German.lng</LanguageFile>\n</Root>\n";
  test::WriteFileBytes(settings, stored);
  // A runtime folder that is no folder: the channel between instances cannot be made.
  test::WriteFileBytes(SandboxDir() / "not-a-folder", "");
  setenv("XDG_RUNTIME_DIR", (SandboxDir() / "not-a-folder").c_str(), 1);

  RecordingFrontEnd frontEnd;
  CResourceManager texts;
  CFerrowApp::Options options;
  options.names = InstanceNames::Tagged("failing-start");
  CFerrowApp app(frontEnd, texts, options);
  EXPECT_EQ(app.Start({L"ferrow", L"/url=http://x/"}), CFerrowApp::StartResult::kFailed);
  unsetenv("XDG_RUNTIME_DIR");
  ASSERT_EQ(frontEnd.m_errors.size(), 1u);
  CResourceManager german;
  ASSERT_TRUE(german.Load(L"Languages/German.lng"));
  EXPECT_FALSE(frontEnd.m_errors[0].empty());
  EXPECT_EQ(frontEnd.m_errors[0], german.GetString(4012));
  EXPECT_EQ(test::ReadFileBytes(settings), stored);
  EXPECT_EQ(fs::directory_iterator(settings.parent_path())->path(), settings);
}

class Recorder : public ICoreListener {
 public:
  void OnDownloadEvent(const Guid& id, TransferEvent event) override {
    m_events.emplace_back(id, event);
  }
  void OnDownloadsChanged(const DownloadChanges& changes) override { m_changes.push_back(changes); }
  std::vector<std::pair<Guid, TransferEvent>> m_events;
  std::vector<DownloadChanges> m_changes;
};

using test::InertActions;
using test::SilentPlayer;

// The application over scripted transfers and a clock the test moves.
class FerrowAppFrontEndTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
    m_settings.SetDefaults();
    m_settings.m_startQueue = false;
    m_settings.m_maxDownloads = 1;
    m_options.transferFactory = &m_factory;
    m_options.clock = &m_clock;
    m_options.actions = &m_actions;
    m_options.wavePlayer = &m_player;
    m_options.updateUrl.clear();
    m_options.watchConnections = false;
    m_options.applyIntegration = [](CApplicationData&) {};
    m_tag = "app-" + std::to_string(::getpid());
    m_options.names = InstanceNames::Tagged(m_tag);
  }
  void TearDown() override {
    m_app.reset();
    CSharedMemory::Remove(InstanceNames::Tagged(m_tag).urlBlock);
    unsetenv("XDG_RUNTIME_DIR");
    SandboxedTest::TearDown();
  }
  CFerrowApp& InMemory() {
    m_app = std::make_unique<CFerrowApp>(m_frontEnd, m_texts, m_options);
    EXPECT_TRUE(m_app->StartInMemory(m_settings));
    m_app->AddListener(&m_recorder);
    return *m_app;
  }
  // A first instance over the sandbox's data folder.
  CFerrowApp& Started() {
    const fs::path runtime = SandboxDir() / "run";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    m_app = std::make_unique<CFerrowApp>(m_frontEnd, m_texts, m_options);
    EXPECT_EQ(m_app->Start({L"ferrow"}), CFerrowApp::StartResult::kRunning);
    m_app->ApplySettings(m_settings);
    m_app->AddListener(&m_recorder);
    return *m_app;
  }
  // One round of the loop, 100 ms later.
  void Tick() {
    m_clock.AdvanceMilliseconds(100);
    m_app->Poll();
  }
  DownloadSnapshot Row(const Guid& id) {
    DownloadSnapshot snapshot;
    EXPECT_TRUE(m_app->GetDownload(id, snapshot));
    return snapshot;
  }
  Guid Add(const std::wstring& name) {
    return m_app->AddDownload({L"http://127.0.0.1/" + name, Guid(), L"/tmp/" + name, L""});
  }

  RecordingFrontEnd m_frontEnd;
  CResourceManager m_texts;
  test::FakeClock m_clock;
  test::FakeTransferFactory m_factory;
  InertActions m_actions;
  SilentPlayer m_player;
  CSettings m_settings;
  CFerrowApp::Options m_options;
  std::string m_tag;
  Recorder m_recorder;
  std::unique_ptr<CFerrowApp> m_app;
};

TEST_F(FerrowAppFrontEndTest, DownloadsAreNamedByIdAndTheListenerHearsWhatChanged) {
  CFerrowApp& app = InMemory();
  const Guid first = Add(L"a.bin");
  const Guid second = Add(L"b.bin");
  EXPECT_TRUE(Row(first).canStop);
  EXPECT_EQ(Row(second).record.m_status, DownloadStatus::kQueued);
  EXPECT_EQ(Row(second).record.m_order, 1);
  EXPECT_FALSE(Row(second).canMoveUp);
  ASSERT_FALSE(m_recorder.m_changes.empty());
  EXPECT_EQ(m_recorder.m_changes.back().added.size() + m_recorder.m_changes.front().added.size(),
            2u);

  m_recorder.m_changes.clear();
  test::FakeTransfer* transfer = m_factory.At(0);
  transfer->SetStatus(DownloadStatus::kDownloading);
  transfer->SetProgress(400, 1000);
  transfer->SetConnections(3);
  Tick();
  ASSERT_EQ(m_recorder.m_changes.size(), 1u);
  EXPECT_EQ(m_recorder.m_changes[0].changed, std::vector<Guid>{first});
  EXPECT_EQ(Row(first).record.m_done, 400u);
  EXPECT_EQ(Row(first).connections, 3);
  Tick();
  EXPECT_EQ(m_recorder.m_changes.size(), 1u);  // nothing moved: nothing told

  // Between two attempts the status may read Failed; the download is not over until the worker
  // has ended.
  transfer->SetStatus(DownloadStatus::kFailed);
  Tick();
  EXPECT_EQ(Row(first).record.m_status, DownloadStatus::kFailed);
  EXPECT_TRUE(Row(first).transferRunning);
  transfer->Finish(DownloadStatus::kCompleted);
  Tick();
  EXPECT_FALSE(Row(first).transferRunning);
  EXPECT_NE(std::find(m_recorder.m_events.begin(), m_recorder.m_events.end(),
                      std::pair{first, TransferEvent::kFinished}),
            m_recorder.m_events.end());
  EXPECT_EQ(app.GetHistory().size(), 1u);
  EXPECT_EQ(Row(second).record.m_status, DownloadStatus::kConnecting);  // the freed place
  DownloadSnapshot unknown;
  EXPECT_FALSE(app.GetDownload(Guid::Create(), unknown));
  // In memory: nothing in the data folder.
  EXPECT_TRUE(fs::is_empty(DataHome()));
}

// A stop asked not to block returns at once and finishes from Poll once the transfer's threads
// have ended; meanwhile the download is left alone and starts nothing.
TEST_F(FerrowAppFrontEndTest, AStopThatMustNotBlockFinishesFromPollAfterTheThreadsEnd) {
  CFerrowApp& app = InMemory();
  const Guid running = Add(L"a.bin");
  const Guid waiting = Add(L"b.bin");
  test::FakeTransfer* transfer = m_factory.At(0);
  transfer->SetSlowStop(true);
  transfer->SetStatus(DownloadStatus::kDownloading);
  Tick();
  int calls = 0;
  bool stopped = false;
  ASSERT_TRUE(app.StopDownload(running, [&](bool done) {
    ++calls;
    stopped = done;
  }));
  EXPECT_EQ(transfer->GetStopRequests(), 1);
  EXPECT_EQ(transfer->GetStopCalls(), 0);
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(Row(running).record.m_status, DownloadStatus::kDownloading);

  transfer->Finish(DownloadStatus::kFailed, MakeError(kCategorySystem, SystemCode::kCancelled));
  Tick();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(Row(running).record.m_status, DownloadStatus::kStopped);
  EXPECT_EQ(Row(waiting).record.m_status, DownloadStatus::kQueued);  // a stop starts nothing
  EXPECT_EQ(m_factory.GetCreatedCount(), 1u);

  // Without a transfer there is nothing to wait for: done on the next Poll.
  bool deleted = false;
  ASSERT_TRUE(app.DeleteDownload(waiting, [&](bool done) { deleted = done; }));
  EXPECT_FALSE(deleted);
  Tick();
  EXPECT_TRUE(deleted);
  DownloadSnapshot gone;
  EXPECT_FALSE(app.GetDownload(waiting, gone));
  EXPECT_FALSE(app.StopDownload(waiting));
}

TEST_F(FerrowAppFrontEndTest, ALoginAnswerIsStoredBeforeTheAttemptGoesOn) {
  CFerrowApp& app = InMemory();
  const Guid id = app.AddDownload({L"ftp://files.example.org/x.iso", Guid(), L"/tmp/x.iso", L""});
  CFerrowApp::LoginAnswer answer;
  answer.retry = true;
  answer.user = L"anna";
  answer.password = L"secret";
  ASSERT_TRUE(app.AnswerLogin(id, answer));
  const CLoginInfo* stored = app.GetSettings().m_siteLogins.Find(L"files.example.org");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->m_user, L"anna");
  const CLoginList given = app.GetDownloadManager().GetTransferSettings().GetSiteLogins();
  ASSERT_NE(given.Find(L"files.example.org"), nullptr);
  EXPECT_EQ(m_factory.At(0)->GetResumeValues(), std::vector<uint32_t>{1});
  EXPECT_TRUE(app.AnswerLogin(id, {}));
  EXPECT_EQ(m_factory.At(0)->GetResumeValues(), (std::vector<uint32_t>{1, 0}));
}

// Save and Exit asked not to block: the files are written on another thread while the loop goes
// on, and Exit waits for the running transfer's threads before its save, without holding the
// caller; the running download is then first in the stored queue.
TEST_F(FerrowAppFrontEndTest, SaveAndExitThatMustNotBlockCompleteFromPoll) {
  CFerrowApp& app = Started();
  const Guid id = Add(L"a.bin");
  test::FakeTransfer* transfer = m_factory.At(0);
  transfer->SetSlowStop(true);
  transfer->SetStatus(DownloadStatus::kDownloading);
  Tick();
  int saves = 0;
  bool saved = false;
  ASSERT_TRUE(app.Save([&](bool done) {
    ++saves;
    saved = done;
  }));
  ASSERT_TRUE(app.Save([&](bool) { ++saves; }));  // while the first runs: once more, after it
  const fs::path downloads = DataHome() / "Brennick/Ferrow/Downloads.xml";
  EXPECT_TRUE(test::WaitUntil([&] {
    Tick();
    return saves == 2;
  }));
  EXPECT_TRUE(saved);
  EXPECT_NE(test::ReadFileBytes(downloads).find(WideToUtf8(id.ToString())), std::string::npos);

  bool exited = false;
  app.Exit([&](bool done) { exited = done; });
  EXPECT_FALSE(app.IsRunning());
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_FALSE(exited);
  transfer->Finish(DownloadStatus::kFailed, MakeError(kCategorySystem, SystemCode::kCancelled));
  EXPECT_TRUE(test::WaitUntil([&] {
    Tick();
    return exited;
  }));
  CDownloadList stored;
  ASSERT_TRUE(stored.Load(downloads));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored.front().m_status, DownloadStatus::kQueued);
  EXPECT_EQ(stored.front().m_order, 1);
}

// A window may still ask while the program ends (its timer, a focus change): after Exit the
// explorer's and the downloads' queries answer empty and their commands do nothing.
TEST_F(FerrowAppFrontEndTest, AfterExitQueriesAnswerEmptyAndCommandsDoNothing) {
  CFerrowApp& app = InMemory();
  const Guid id = app.AddDownload({L"http://a.example/x.bin", Guid(), L"/tmp/x.bin", L""});
  app.Exit();
  EXPECT_TRUE(app.GetExplorerPath().empty());
  EXPECT_TRUE(app.GetExplorerListing().IsEmpty());
  EXPECT_TRUE(app.TakeExplorerLog().empty());
  EXPECT_FALSE(app.ChangeExplorerFolder(L"pub"));
  app.ExploreUrl(L"ftp://127.0.0.1:9/");
  EXPECT_FALSE(app.IsExplorerRunning());
  EXPECT_FALSE(app.StartDownload(id));
  EXPECT_FALSE(app.MoveDownloadUp(id));
  EXPECT_FALSE(app.StopDownload(id, [](bool) {}));
  EXPECT_TRUE(app.AddDownload({L"http://a.example/y.bin", Guid(), L"/tmp/y.bin", L""}).IsNull());
  app.StartQueue();
  app.StopAllDownloads();
  EXPECT_TRUE(app.GetDownloads().empty());
}

// What the new-download dialog hands over: its own connection count (stored with the record,
// given to the transfer it starts), a login stored for the server before the start, and the
// folders of the target made first; a folder that cannot be made adds nothing and says why.
TEST_F(FerrowAppFrontEndTest, ANewDownloadCarriesItsConnectionsLoginAndFolder) {
  CFerrowApp& app = InMemory();
  m_texts.LoadText("[StringTable]\n3000=cannot make %s\n");
  struct Messages : CMessageUi {
    void ShowMessage(const std::wstring& text) override { shown.push_back(text); }
    bool AskYesNo(const std::wstring&) override { return false; }
    std::vector<std::wstring> shown;
  } messages;
  m_texts.SetMessageUi(&messages);

  CFerrowApp::NewDownload download;
  download.url = L"ftp://files.example.org/x.iso";
  download.file = (DownloadDir() / "Images/Disc/x.iso").wstring();
  download.connections = 8;
  download.user = L"anna";
  download.password = L"pw";
  const Guid id = app.AddDownload(download);
  ASSERT_FALSE(id.IsNull());
  EXPECT_TRUE(fs::is_directory(DownloadDir() / "Images/Disc"));
  EXPECT_EQ(Row(id).record.m_threads, 8);
  EXPECT_EQ(m_factory.GetMaxThreadsSeen(), std::vector<int32_t>{8});
  ASSERT_NE(app.GetSettings().m_siteLogins.Find(L"files.example.org"), nullptr);
  EXPECT_NE(
      app.GetDownloadManager().GetTransferSettings().GetSiteLogins().Find(L"files.example.org"),
      nullptr);
  EXPECT_TRUE(app.HasDownloadUrl(download.url));
  EXPECT_EQ(app.UniqueTargetPath(download.file),
            (DownloadDir() / "Images/Disc/x (2).iso").wstring());

  test::WriteFileBytes(DownloadDir() / "file-in-the-way", "");
  download.file = (DownloadDir() / "file-in-the-way/x.iso").wstring();
  download.connections = 0;
  EXPECT_TRUE(app.AddDownload(download).IsNull());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(L"file-in-the-way"), std::wstring::npos);
  EXPECT_EQ(app.GetDownloads().size(), 1u);
  m_texts.SetMessageUi(nullptr);

  // Stored only when set, read back as it was.
  CDownloadInfo record = Row(id).record;
  CDownloadList list;
  list.push_back(record);
  list.push_back(CDownloadInfo(L"http://h/y", Guid(), L"/tmp/y"));
  const fs::path file = SandboxDir() / "Downloads.xml";
  ASSERT_TRUE(list.Save(file));
  const std::string text = test::ReadFileBytes(file);
  EXPECT_NE(text.find("<Threads>8</Threads>"), std::string::npos);
  EXPECT_EQ(text.find("<Threads>"), text.rfind("<Threads>"));
  CDownloadList loaded;
  ASSERT_TRUE(loaded.Load(file));
  EXPECT_EQ(loaded.front().m_threads, 8);
  EXPECT_EQ(loaded.back().m_threads, 0);
}

TEST_F(FerrowAppFrontEndTest, FolderFilesMoveAndGoAndHistoryEntriesGoByPosition) {
  CFerrowApp& app = InMemory();
  const Guid root = app.GetFolders().m_id;
  const Guid music = app.AddFolder(root, L"Music");
  ASSERT_FALSE(music.IsNull());
  EXPECT_TRUE(app.AddFolder(root, L"..").IsNull());
  EXPECT_TRUE(app.AddFolder(root, L"a/b").IsNull());
  EXPECT_FALSE(app.RenameFolder(music, L"../up"));
  EXPECT_TRUE(app.SetFolderPath(music, L"/srv/music"));
  EXPECT_EQ(app.GetFolders().FindFolder(music)->m_path, L"/srv/music/");

  CFolderInfo& folders = app.GetData().m_folders;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) {
    CFileInfo file;
    file.m_name = name;
    folders.m_files.push_back(file);
  }
  EXPECT_FALSE(app.MoveFolderFiles(root, {1, 9}, music));
  EXPECT_EQ(folders.m_files.size(), 4u);
  ASSERT_TRUE(app.MoveFolderFiles(root, {3, 1, 1}, music));
  const CFolderInfo tree = app.GetFolders();
  std::vector<std::wstring> moved, kept;
  for (const CFileInfo& file : tree.FindFolder(music)->m_files) moved.push_back(file.m_name);
  for (const CFileInfo& file : tree.m_files) kept.push_back(file.m_name);
  EXPECT_EQ(moved, (std::vector<std::wstring>{L"b", L"d"}));
  EXPECT_EQ(kept, (std::vector<std::wstring>{L"a", L"c"}));
  ASSERT_TRUE(app.RemoveFolderFiles(music, {0}));
  EXPECT_EQ(app.GetFolders().FindFolder(music)->m_files.front().m_name, L"d");

  for (const wchar_t* name : {L"h0", L"h1", L"h2", L"h3"}) {
    CHistoryInfo entry;
    entry.m_name = name;
    app.GetData().m_history.push_back(entry);
  }
  EXPECT_FALSE(app.RemoveHistoryEntries({0, 4}));
  ASSERT_TRUE(app.RemoveHistoryEntries({2, 0}));
  ASSERT_EQ(app.GetHistory().size(), 2u);
  EXPECT_EQ(app.GetHistory()[0].m_name, L"h1");
  EXPECT_EQ(app.GetHistory()[1].m_name, L"h3");
}

}  // namespace
}  // namespace ferrow
