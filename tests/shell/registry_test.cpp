#include "shell/registry.h"

#include "shell/recent_list.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using test::SandboxedTest;

class RegistryTest : public SandboxedTest {};

TEST_F(RegistryTest, ReadModeOpensOnlyExistingSections) {
  CRegistry missing(L"Layout\\Frame", CRegistry::kRead);
  EXPECT_FALSE(missing.IsOpen());
  std::wstring text;
  EXPECT_FALSE(missing.ReadString(L"x", text));
  CRegistry writer(L"Layout\\Frame", CRegistry::kWrite);
  EXPECT_TRUE(writer.IsOpen());
  EXPECT_EQ(writer.GetKeyPath(), L"Software\\Brennick\\Ferrow\\Layout\\Frame");
  EXPECT_TRUE(CRegistry(L"layout\\frame", CRegistry::kRead).IsOpen());
}

TEST_F(RegistryTest, ValuesReadOnlyAsTheirOwnType) {
  CRegistry key(L"", CRegistry::kWrite);
  ASSERT_TRUE(key.WriteString(L"ExtensionList", L"EXE ZIP \u00e4\u4e2d"));
  ASSERT_TRUE(key.WriteDword(L"LastCheckUpdate", 0xDEADBEEF));
  const uint8_t bytes[] = {0, 1, 2, 255};
  ASSERT_TRUE(key.WriteBinary(L"Blob", bytes, sizeof bytes));
  ASSERT_TRUE(key.WriteString(nullptr, L"default"));

  RegistryValue raw;
  ASSERT_TRUE(RegistryReadValue(RegistryHive::kCurrentUser, L"Software\\Brennick\\Ferrow",
                                L"ExtensionList", raw));
  EXPECT_EQ(raw.data.size(), 2 * 10 + 2u);  // characters and the terminating zero

  std::wstring text;
  uint32_t number = 0;
  std::vector<uint8_t> blob;
  CRegistry reader(L"", CRegistry::kRead);
  EXPECT_TRUE(reader.ReadString(L"extensionlist", text));
  EXPECT_EQ(text, L"EXE ZIP \u00e4\u4e2d");
  EXPECT_TRUE(reader.ReadString(nullptr, text));
  EXPECT_EQ(text, L"default");
  EXPECT_TRUE(reader.ReadDword(L"LastCheckUpdate", number));
  EXPECT_EQ(number, 0xDEADBEEFu);
  EXPECT_TRUE(reader.ReadBinary(L"Blob", blob));
  EXPECT_EQ(blob, std::vector<uint8_t>(bytes, bytes + 4));

  EXPECT_FALSE(reader.ReadDword(L"ExtensionList", number));
  EXPECT_FALSE(reader.ReadString(L"LastCheckUpdate", text));
  EXPECT_FALSE(reader.ReadBinary(L"ExtensionList", blob));
  // A 32-bit value of the wrong size does not read.
  RegistryWriteValue(RegistryHive::kCurrentUser, L"Software\\Brennick\\Ferrow", L"Short",
                     {RegistryType::kDword, "\x01\x02"});
  EXPECT_FALSE(reader.ReadDword(L"Short", number));
  // A string value shorter than one character reads as empty.
  RegistryWriteValue(RegistryHive::kCurrentUser, L"Software\\Brennick\\Ferrow", L"Tiny",
                     {RegistryType::kString, "x"});
  text = L"unchanged";
  EXPECT_TRUE(reader.ReadString(L"Tiny", text));
  EXPECT_EQ(text, L"");
}

TEST_F(RegistryTest, GuidsAreStoredAsLowerCaseText) {
  Guid id = Guid::Create();
  CRegistry folder(L"Recent\\Folder", CRegistry::kWrite);
  ASSERT_TRUE(folder.WriteGuid(nullptr, id));
  std::wstring text;
  ASSERT_TRUE(folder.ReadString(nullptr, text));
  EXPECT_EQ(text, id.ToString());
  EXPECT_EQ(text.size(), 36u);
  Guid read;
  EXPECT_TRUE(CRegistry(L"Recent\\Folder", CRegistry::kRead).ReadGuid(nullptr, read));
  EXPECT_EQ(read, id);
  folder.WriteString(L"bad", L"not a guid");
  EXPECT_FALSE(folder.ReadGuid(L"bad", read));
  EXPECT_EQ(read, id);
}

class RecentListTest : public SandboxedTest {};

TEST_F(RecentListTest, AddMovesToTheHeadAndDropsTheOldest) {
  CRecentList list;
  list.Init(L"Recent\\URL", 20);
  EXPECT_TRUE(list.IsEmpty());
  for (int i = 0; i < 20; ++i) list.Add(L"http://host/" + std::to_wstring(i));
  list.Add(L"http://host/5");
  EXPECT_EQ(list.GetCount(), 20u);
  EXPECT_EQ(list.GetStrings()[0], L"http://host/5");
  EXPECT_EQ(list.GetStrings()[1], L"http://host/19");
  list.Add(L"HTTP://host/5");  // case-sensitive: a new entry
  list.Add(L"http://host/new");
  EXPECT_EQ(list.GetCount(), 20u);
  EXPECT_EQ(list.GetStrings().back(), L"http://host/2");  // 0 and 1 dropped

  CRecentList reloaded;
  reloaded.Init(L"recent\\url", 20);
  EXPECT_EQ(reloaded.GetStrings(), list.GetStrings());
}

TEST_F(RecentListTest, MissingItemIsSkippedAndTheRestKeepTheirOrder) {
  CRegistry key(L"Recent\\Address", CRegistry::kWrite);
  for (int i : {0, 1, 2, 4, 5})
    key.WriteString((L"Item" + std::to_wstring(i)).c_str(), std::to_wstring(i));
  key.WriteString(L"Item25", L"beyond capacity");
  CRecentList list;
  list.Init(L"Recent\\Address", 20);
  EXPECT_EQ(list.GetStrings(), (std::vector<std::wstring>{L"0", L"1", L"2", L"4", L"5"}));
}

}  // namespace
}  // namespace ferrow
