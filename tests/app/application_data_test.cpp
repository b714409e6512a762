#include "app/application_data.h"

#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "l10n/message_numbers.h"
#include "l10n/message_ui.h"
#include "l10n/resource_manager.h"
#include "platform/autostart.h"
#include "platform/error_code.h"
#include "shell/registry.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

const char* const kFiles[] = {"Settings.xml", "Downloads.xml", "Folders.xml", "History.xml",
                              "Sites.xml"};

class RecordingUi : public CMessageUi {
 public:
  void ShowMessage(const std::wstring& text) override { m_shown.push_back(text); }
  bool AskYesNo(const std::wstring&) override { return false; }
  std::vector<std::wstring> m_shown;
};

// Every test runs with the shipped language files as the program folder and a fixed locale.
class ApplicationDataTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "FERROW_PROGRAM_DIR"}) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
    m_resources.SetMessageUi(&m_ui);
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    SandboxedTest::TearDown();
  }
  fs::path AppDir() const { return DataHome() / "Brennick" / "Ferrow"; }
  std::vector<std::string> FilesInAppDir() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(AppDir()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // A valid data folder written by a first start, with one changed setting.
  void PrepareDataFolder() {
    CApplicationData first;
    CResourceManager resources;
    ASSERT_TRUE(first.LoadStartupData(resources));
    first.m_settings.m_maxDownloads = 7;
    CDownloadInfo download;
    download.m_url = L"http://example.com/file.zip";
    first.m_downloads.push_back(download);
    ASSERT_TRUE(first.Save());
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
  RecordingUi m_ui;
  CResourceManager m_resources;
};

TEST_F(ApplicationDataTest, FirstStartWritesAllFiveFilesWithDefaults) {
  CApplicationData data;
  ASSERT_TRUE(data.LoadStartupData(m_resources));
  EXPECT_EQ(FilesInAppDir(),
            (std::vector<std::string>{"Downloads.xml", "Folders.xml", "History.xml", "Settings.xml",
                                      "Sites.xml"}));
  struct stat info {};
  ASSERT_EQ(stat((AppDir() / "Settings.xml").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  EXPECT_EQ(data.m_settings.m_languageFile, L"Languages/English.lng");
  EXPECT_EQ(data.m_settings.m_maxThreads, 4);
  EXPECT_TRUE(m_ui.m_shown.empty());
  // The default tree: the download folder with the four named sub-folders.
  EXPECT_EQ(data.m_folders.m_path, DownloadDir().wstring() + L"/");
  std::vector<std::wstring> names;
  for (const auto& folder : data.m_folders.m_folders) names.push_back(folder.m_name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Archives", L"Music", L"Programs", L"Video"}));
  EXPECT_EQ(data.m_folders.m_folders.front().m_path, DownloadDir().wstring() + L"/Archives/");

  // Nothing is written to the registry or the autostart folder before the settings are applied.
  std::wstring text;
  EXPECT_FALSE(CRegistry(L"", CRegistry::kRead).ReadString(L"ExtensionList", text));
  EXPECT_FALSE(fs::exists(ConfigHome() / "autostart"));

  CApplicationData second;
  EXPECT_TRUE(second.Load());
  EXPECT_EQ(second.m_folders.m_folders.size(), 4u);
}

TEST_F(ApplicationDataTest, UsersLanguageNamesTheDefaultFolders) {
  setenv("LANG", "de_DE.UTF-8", 1);
  CApplicationData data;
  ASSERT_TRUE(data.LoadStartupData(m_resources));
  EXPECT_EQ(data.m_settings.m_languageFile, L"Languages/German.lng");
  std::vector<std::wstring> names;
  for (const auto& folder : data.m_folders.m_folders) names.push_back(folder.m_name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Archive", L"Musik", L"Programme", L"Videos"}));
}

TEST_F(ApplicationDataTest, BrokenLanguageFallsBackToEnglishThenFails) {
  setenv("FERROW_PROGRAM_DIR", SandboxDir().c_str(), 1);
  fs::create_directories(SandboxDir() / "Languages");
  WriteFileBytes(SandboxDir() / "Languages" / "German.lng",
                 "[StringTable]\n1101=Programme\nthis line has no equals sign\n");
  fs::copy_file(test::SourceDir() / "Languages" / "English.lng",
                SandboxDir() / "Languages" / "English.lng");
  setenv("LANG", "de_DE.UTF-8", 1);
  {
    CApplicationData data;
    CResourceManager resources;
    ASSERT_TRUE(data.LoadStartupData(resources));
    EXPECT_EQ(data.m_settings.m_languageFile, L"Languages/English.lng");
    EXPECT_EQ(resources.GetString(Msg::kFolderMusic), L"Music");
  }
  WriteFileBytes(SandboxDir() / "Languages" / "English.lng", "[Dialog:Login\n[Info]\nbroken\n");
  fs::remove_all(AppDir());
  CApplicationData data;
  CResourceManager resources;
  EXPECT_FALSE(data.LoadStartupData(resources));
  // The start-up then ends with the text for system error 1815, which exists without any file.
  EXPECT_FALSE(
      resources.ErrorText(MakeError(kCategorySystem, Msg::kLanguageLoadFailedCode)).empty());
  // Nothing was written for a start that does not happen.
  EXPECT_FALSE(fs::exists(AppDir() / "Settings.xml"));
}

TEST_F(ApplicationDataTest, DamagedFileIsSetAsideAndTheOthersKeepTheirData) {
  PrepareDataFolder();
  const std::string garbage("\x00\xff<Root>\n<Download>\x01\x02 truncated", 32);
  WriteFileBytes(AppDir() / "Downloads.xml", garbage);
  const std::string history = ReadFileBytes(AppDir() / "History.xml");

  CApplicationData data;
  ASSERT_TRUE(data.LoadStartupData(m_resources));
  EXPECT_EQ(data.m_settings.m_maxDownloads, 7);  // not reset to the defaults
  EXPECT_TRUE(data.m_downloads.empty());
  EXPECT_EQ(data.GetFileState(1), CApplicationData::FileState::kLoaded);  // saved afresh

  ASSERT_EQ(data.GetSetAsideFiles().size(), 1u);
  const fs::path keptAs = data.GetSetAsideFiles()[0].keptAs;
  EXPECT_EQ(keptAs.parent_path(), AppDir());
  EXPECT_EQ(keptAs.filename().string().rfind("Downloads.xml.bad-", 0), 0u);
  EXPECT_EQ(ReadFileBytes(keptAs), garbage);
  EXPECT_EQ(ReadFileBytes(AppDir() / "History.xml"), history);
  ASSERT_EQ(m_ui.m_shown.size(), 1u);
  EXPECT_NE(m_ui.m_shown[0].find(keptAs.wstring()), std::wstring::npos);

  // A second start finds every file readable again and the kept copy untouched.
  CApplicationData again;
  EXPECT_TRUE(again.Load());
  EXPECT_EQ(ReadFileBytes(keptAs), garbage);
}

TEST_F(ApplicationDataTest, UnreadableSettingsAreNotReplacedWithDefaultsInPlace) {
  PrepareDataFolder();
  const std::string truncated = ReadFileBytes(AppDir() / "Settings.xml").substr(0, 200);
  WriteFileBytes(AppDir() / "Settings.xml", truncated);
  // Far too large to be one of ours: refused without reading it.
  fs::resize_file(AppDir() / "Sites.xml", CXmlObject::kMaxFileSize + 1);
  WriteFileBytes(AppDir() / "History.xml", "<Root>" + std::string(10 * 1024 * 1024, 'x'));

  CApplicationData data;
  ASSERT_TRUE(data.LoadStartupData(m_resources));
  EXPECT_EQ(data.m_settings.m_maxDownloads, 2);  // defaults for what could not be read
  ASSERT_EQ(data.m_downloads.size(), 1u);        // the rest loaded as it was
  EXPECT_EQ(data.GetSetAsideFiles().size(), 3u);
  size_t kept = 0;
  for (const auto& entry : fs::directory_iterator(AppDir())) {
    std::string name = entry.path().filename().string();
    if (name.rfind("Settings.xml.bad-", 0) == 0) {
      EXPECT_EQ(ReadFileBytes(entry.path()), truncated);
      ++kept;
    }
    if (name.rfind("History.xml.bad-", 0) == 0) {
      EXPECT_EQ(fs::file_size(entry.path()), 10u * 1024 * 1024 + 6);
      ++kept;
    }
    if (name.rfind("Sites.xml.bad-", 0) == 0) {
      EXPECT_EQ(fs::file_size(entry.path()), CXmlObject::kMaxFileSize + 1);
      ++kept;
    }
  }
  EXPECT_EQ(kept, 3u);
  EXPECT_EQ(m_ui.m_shown.size(), 3u);
}

TEST_F(ApplicationDataTest, LoadStopsAtNothingAndReportsAllFive) {
  PrepareDataFolder();
  fs::remove(AppDir() / "Folders.xml");
  CApplicationData data;
  EXPECT_FALSE(data.Load());
  EXPECT_EQ(data.GetFileState(2), CApplicationData::FileState::kNoFile);
  // Files after the missing one still loaded.
  EXPECT_EQ(data.GetFileState(3), CApplicationData::FileState::kLoaded);
  EXPECT_EQ(data.m_settings.m_maxDownloads, 7);
  ASSERT_TRUE(data.LoadStartupData(m_resources));
  EXPECT_EQ(data.m_settings.m_maxDownloads, 7);
  EXPECT_EQ(data.m_folders.m_folders.size(), 4u);
  EXPECT_TRUE(fs::exists(AppDir() / "Folders.xml"));
}

TEST_F(ApplicationDataTest, RegistrySettingsWriteAutostartAndExtensionList) {
  CApplicationData data;
  data.m_settings.SetDefaults();
  const std::wstring program = L"/opt/ferrow/bin/ferrow";
  data.ApplyRegistrySettings(program);
  EXPECT_EQ(ReadAutostartCommand(program), L"\"/opt/ferrow/bin/ferrow\" /silent");
  std::wstring list;
  ASSERT_TRUE(CRegistry(L"", CRegistry::kRead).ReadString(L"ExtensionList", list));
  EXPECT_EQ(list, CSettings::kDefaultExtensionList);

  data.m_settings.m_autoRun = false;
  data.m_settings.m_extensionList = L"ISO";
  data.ApplyRegistrySettings(program);
  EXPECT_FALSE(fs::exists(ConfigHome() / "autostart" / "ferrow.desktop"));
  ASSERT_TRUE(CRegistry(L"", CRegistry::kRead).ReadString(L"EXTENSIONLIST", list));
  EXPECT_EQ(list, L"ISO");
}

}  // namespace
}  // namespace ferrow
