// The start of the program in this process: what a start does and does not touch.
#include "shell/ferrow_app.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "l10n/resource_manager.h"
#include "platform/shared_memory.h"
#include "platform/wave_player.h"
#include "shell/shell_actions.h"
#include "shell/shell_front_end.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;

class RecordingFrontEnd : public IShellFrontEnd {
 public:
  void ShowStartupError(const std::wstring& text) override { m_errors.push_back(text); }
  void OnUrls(const std::vector<std::wstring>& urls) override {
    m_urls.insert(m_urls.end(), urls.begin(), urls.end());
  }
  std::vector<std::wstring> m_errors;
  std::vector<std::wstring> m_urls;
};

class InertActions : public IShellActions {
 public:
  void HangUp() override {}
  void ShutDown() override {}
  LaunchResult StartProgram(const std::vector<std::wstring>&) override { return {}; }
  bool OfferOpenWith(const std::wstring&) override { return false; }
};

class SilentPlayer : public IWavePlayer {
 public:
  bool Play(const std::wstring&, const ManualResetEvent&) override { return false; }
};

class FerrowAppTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    fs::create_directory(SandboxDir() / "run", m_ignored);
    fs::permissions(SandboxDir() / "run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (SandboxDir() / "run").c_str(), 1);
    setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
    m_tag = "app-" + std::to_string(::getpid()) + "-" + std::to_string(++s_runs);
  }
  void TearDown() override {
    CSharedMemory::Remove(InstanceNames::Tagged(m_tag).urlBlock);
    unsetenv("XDG_RUNTIME_DIR");
    SandboxedTest::TearDown();
  }
  CFerrowApp::Options Options() {
    CFerrowApp::Options options;
    options.names = InstanceNames::Tagged(m_tag);
    options.actions = &m_actions;
    options.wavePlayer = &m_player;
    options.updateUrl.clear();
    options.watchConnections = false;
    return options;
  }

  static inline int s_runs = 0;
  std::error_code m_ignored;
  std::string m_tag;
  InertActions m_actions;
  SilentPlayer m_player;
};

TEST_F(FerrowAppTest, LaterInstanceHandsOverWithoutTouchingTheDataFiles) {
  RecordingFrontEnd firstEnd;
  CResourceManager firstTexts;
  CFerrowApp first(firstEnd, firstTexts, Options());
  ASSERT_EQ(first.Start({L"ferrow"}), CFerrowApp::StartResult::kRunning);

  // The later start looks at another data folder: it must never create or read it.
  const fs::path otherData = SandboxDir() / "other-data";
  setenv("XDG_DATA_HOME", otherData.c_str(), 1);
  RecordingFrontEnd laterEnd;
  CResourceManager laterTexts;
  CFerrowApp later(laterEnd, laterTexts, Options());
  EXPECT_EQ(later.Start({L"ferrow", L"/url=http://x/a|http://y/b"}),
            CFerrowApp::StartResult::kHandedOver);
  EXPECT_FALSE(fs::exists(otherData));
  EXPECT_TRUE(laterEnd.m_errors.empty());

  EXPECT_TRUE(test::WaitUntil([&] {
    first.Poll();
    return firstEnd.m_urls.size() == 2;
  }));
  EXPECT_EQ(firstEnd.m_urls, (std::vector<std::wstring>{L"http://x/a", L"http://y/b"}));
  first.Exit();
  EXPECT_TRUE(fs::exists(DataHome() / "Brennick/Ferrow/Settings.xml"));
}

TEST_F(FerrowAppTest, StartupFailureShowsItsTextInTheUsersLanguageAndWritesNothing) {
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
  CFerrowApp app(frontEnd, texts, Options());
  EXPECT_EQ(app.Start({L"ferrow", L"/url=http://x/"}), CFerrowApp::StartResult::kFailed);
  ASSERT_EQ(frontEnd.m_errors.size(), 1u);
  CResourceManager german;
  ASSERT_TRUE(german.Load(L"Languages/German.lng"));
  EXPECT_EQ(frontEnd.m_errors[0], german.GetString(4012));
  EXPECT_FALSE(frontEnd.m_errors[0].empty());
  EXPECT_EQ(test::ReadFileBytes(settings), stored);
  EXPECT_EQ(fs::directory_iterator(settings.parent_path())->path(), settings);
}

}  // namespace
}  // namespace ferrow
