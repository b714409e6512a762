// The stored files stay byte for byte what earlier builds wrote: the five data files and the
// registry hive of a fixed set of data are compared with copies written before the layers of the
// code were split (tests/app/data/golden), and those copies load and save unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/application_data.h"
#include "shell/recent_list.h"
#include "shell/registry.h"
#include "tests/app/golden_data.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;

const char* const kDataFiles[] = {"Settings.xml", "Downloads.xml", "Folders.xml", "History.xml",
                                  "Sites.xml"};

class StoredFilesTest : public test::SandboxedTest {
 protected:
  static fs::path Golden(const std::string& name) {
    return test::SourceDir() / "tests" / "app" / "data" / "golden" / name;
  }
  fs::path Stored(const std::string& name) const {
    return DataHome() / "Brennick" / "Ferrow" / name;
  }
  void ExpectSameBytes(const fs::path& written, const std::string& golden) const {
    EXPECT_TRUE(test::ReadFileBytes(written) == test::ReadFileBytes(Golden(golden)))
        << written << " differs from the stored copy " << Golden(golden);
  }
};

TEST_F(StoredFilesTest, TheSameDataIsWrittenAsTheSameBytes) {
  CApplicationData data;
  test::golden::Fill(data);
  ASSERT_TRUE(data.Save());
  for (const char* name : kDataFiles) ExpectSameBytes(Stored(name), name);

  CRegistry key(L"", CRegistry::kWrite);
  key.WriteString(RegistryNames::kExtensionList, data.m_settings.m_extensionList);
  key.WriteDword(RegistryNames::kLastCheckUpdate, 1700000000u);
  CRecentList recent;
  recent.Init(RegistryNames::kRecentUrl, RegistryNames::kRecentCapacity);
  recent.Add(L"http://example.org/one");
  recent.Add(L"ftp://example.org/two=3");
  CRegistry folder(RegistryNames::kRecentFolder, CRegistry::kWrite);
  folder.WriteGuid(L"", test::golden::G(L"00000000-0000-4000-8000-000000000099"));
  ExpectSameBytes(RegistryDir() / "CurrentUser.reg", "CurrentUser.reg");
}

TEST_F(StoredFilesTest, FilesOfAnEarlierBuildLoadAndSaveUnchanged) {
  fs::create_directories(Stored(""));
  for (const char* name : kDataFiles) fs::copy_file(Golden(name), Stored(name));
  CApplicationData data;
  ASSERT_TRUE(data.Load());
  for (const char* name : kDataFiles) fs::remove(Stored(name));
  ASSERT_TRUE(data.Save());
  for (const char* name : kDataFiles) ExpectSameBytes(Stored(name), name);
}

}  // namespace
}  // namespace ferrow
