// What a start that fails early shows, and that it writes nothing.
#include "shell/ferrow_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "l10n/resource_manager.h"
#include "shell/shell_front_end.h"
#include "tests/support/sandbox.h"

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

}  // namespace
}  // namespace ferrow
