#include "platform/folders.h"

#include <cstdlib>

#include "platform/autostart.h"
#include "platform/text.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::SandboxedTest;

std::wstring W(const fs::path& path) {
  return LocalToWide(path.string());
}

class FoldersTest : public SandboxedTest {};

TEST_F(FoldersTest, DataAndDownloadFoldersFollowTheEnvironment) {
  EXPECT_EQ(GetDataFolder(), W(DataHome()) + L"/");
  EXPECT_EQ(GetAppDataFolder(), W(DataHome()) + L"/Brennick/Ferrow/");
  EXPECT_EQ(GetDownloadFolder(), W(DownloadDir()) + L"/");

  // Without the variable, user-dirs.dirs names the folder, "$HOME" expanded.
  unsetenv("XDG_DOWNLOAD_DIR");
  const char* home = std::getenv("HOME");
  std::string savedHome = home ? home : "";
  setenv("HOME", SandboxDir().c_str(), 1);
  test::WriteFileBytes(ConfigHome() / "user-dirs.dirs",
                       "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                       "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");
  EXPECT_EQ(GetDownloadFolder(), W(SandboxDir()) + L"/Fetched/");
  fs::remove(ConfigHome() / "user-dirs.dirs");
  EXPECT_EQ(GetDownloadFolder(), W(SandboxDir()) + L"/Downloads/");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(GetDataFolder(), W(SandboxDir()) + L"/.local/share/");
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(FoldersTest, PathVariantsCreateNothing) {
  const fs::path data = SandboxDir() / "not-yet";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  EXPECT_EQ(GetDataFolderPath(), W(data) + L"/");
  EXPECT_EQ(GetAppDataFolderPath(), W(data) + L"/Brennick/Ferrow/");
  EXPECT_FALSE(fs::exists(data));
  EXPECT_EQ(GetDataFolder(), W(data) + L"/");
  EXPECT_TRUE(fs::is_directory(data));
}

TEST_F(FoldersTest, ProgramFolderPrefersTheOverrideThenTheProgramsOwnFolder) {
  setenv("FERROW_PROGRAM_DIR", SandboxDir().c_str(), 1);
  EXPECT_EQ(GetProgramFolder(), W(SandboxDir()) + L"/");
  unsetenv("FERROW_PROGRAM_DIR");
  EXPECT_FALSE(GetProgramPath().empty());
  std::wstring folder = GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'/');
}

TEST_F(FoldersTest, FolderChainCreatesEveryLevelAndStopsAtAFile) {
  fs::path deep = SandboxDir() / "a" / "b" / "c";
  EXPECT_TRUE(CreateFolderChain(W(deep) + L"/"));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(CreateFolderChain(W(deep)));  // existing folders are fine

  test::WriteFileBytes(SandboxDir() / "file", "x");
  EXPECT_FALSE(CreateFolderChain(W(SandboxDir() / "file" / "sub")));
  EXPECT_FALSE(CreateFolderChain(L""));
  EXPECT_FALSE(CreateFolderChain(L"noseparator"));
}

TEST_F(FoldersTest, AutostartEntryIsWrittenAndDeletedByProgramName) {
  const std::wstring program = L"/opt/my apps/ferrow";
  fs::path entry = ConfigHome() / "autostart" / "ferrow.desktop";
  EXPECT_EQ(AutostartEntryPath(program), W(entry));
  ASSERT_TRUE(WriteAutostartEntry(program));
  EXPECT_EQ(ReadAutostartCommand(program), L"\"/opt/my apps/ferrow\" /silent");
  EXPECT_EQ(
      std::distance(fs::directory_iterator(ConfigHome() / "autostart"), fs::directory_iterator()),
      1);
  ASSERT_TRUE(WriteAutostartEntry(program));  // rewriting keeps one entry
  EXPECT_TRUE(DeleteAutostartEntry(program));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(DeleteAutostartEntry(program));  // nothing left to delete is no failure
  EXPECT_FALSE(WriteAutostartEntry(L"/bad\npath"));
}

}  // namespace
}  // namespace ferrow
