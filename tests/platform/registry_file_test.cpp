#include "platform/registry_file.h"

#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using test::SandboxedTest;

RegistryValue Text(const std::string& utf16) {
  return {RegistryType::kString, utf16};
}

class RegistryFileTest : public SandboxedTest {};

TEST_F(RegistryFileTest, LivesInTheSandboxFolder) {
  EXPECT_EQ(RegistryFolder(), RegistryDir());
  ASSERT_TRUE(RegistryWriteValue(RegistryHive::kCurrentUser, L"Software\\A", L"x",
                                 {RegistryType::kDword, std::string(4, '\1')}));
  EXPECT_TRUE(std::filesystem::exists(RegistryHivePath(RegistryHive::kCurrentUser)));
  EXPECT_FALSE(std::filesystem::exists(RegistryHivePath(RegistryHive::kLocalMachine)));
}

TEST_F(RegistryFileTest, KeyAndValueNamesIgnoreCaseAndKeepFirstSpelling) {
  const auto hive = RegistryHive::kCurrentUser;
  ASSERT_TRUE(RegistryWriteValue(hive, L"Software\\Brennick\\Ferrow", L"ExtensionList",
                                 Text(std::string("a\0\0\0", 4))));
  ASSERT_TRUE(RegistryWriteValue(hive, L"SOFTWARE\\brennick\\FERROW", L"EXTENSIONLIST",
                                 Text(std::string("b\0\0\0", 4))));
  RegistryValue value;
  ASSERT_TRUE(RegistryReadValue(hive, L"software\\BRENNICK\\ferrow\\", L"extensionlist", value));
  EXPECT_EQ(value.data, std::string("b\0\0\0", 4));
  EXPECT_EQ(RegistryValueNames(hive, L"Software\\Brennick\\Ferrow"),
            std::vector<std::wstring>{L"ExtensionList"});
  EXPECT_TRUE(RegistryKeyExists(hive, L"software"));  // parents exist too
  EXPECT_FALSE(RegistryKeyExists(hive, L"Software\\Other"));
}

TEST_F(RegistryFileTest, EveryTypeAndAwkwardNamesRoundTrip) {
  const auto hive = RegistryHive::kLocalMachine;
  const std::wstring key = L"Key [with] = odd%chars";
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  std::string oddText = std::string("=\0\n\0[\0\0\0", 8);  // "=\n[" and the zero
  ASSERT_TRUE(RegistryWriteValue(hive, key, std::nullopt, Text(oddText)));
  ASSERT_TRUE(RegistryWriteValue(hive, key, L"@", {RegistryType::kBinary, binary}));
  ASSERT_TRUE(RegistryWriteValue(hive, key, L"a=b\nc", {RegistryType::kDword, "\x78\x56\x34\x12"}));
  ASSERT_TRUE(RegistryWriteValue(hive, key, L"odd", {RegistryType::kString, "x"}));  // odd length
  RegistryValue value;
  ASSERT_TRUE(RegistryReadValue(hive, key, std::nullopt, value));
  EXPECT_EQ(value.type, RegistryType::kString);
  EXPECT_EQ(value.data, oddText);
  ASSERT_TRUE(RegistryReadValue(hive, key, L"@", value));
  EXPECT_EQ(value.type, RegistryType::kBinary);
  EXPECT_EQ(value.data, binary);
  ASSERT_TRUE(RegistryReadValue(hive, key, L"A=B\nC", value));
  EXPECT_EQ(value.type, RegistryType::kDword);
  EXPECT_EQ(value.data, "\x78\x56\x34\x12");
  ASSERT_TRUE(RegistryReadValue(hive, key, L"odd", value));
  EXPECT_EQ(value.data, "x");

  EXPECT_TRUE(RegistryDeleteValue(hive, key, L"ODD"));
  EXPECT_FALSE(RegistryDeleteValue(hive, key, L"odd"));
  EXPECT_FALSE(RegistryReadValue(hive, key, L"odd", value));
}

TEST_F(RegistryFileTest, GarbageHiveIsReadAsFarAsItMakesSense) {
  std::filesystem::create_directories(RegistryDir());
  test::WriteFileBytes(RegistryHivePath(RegistryHive::kCurrentUser),
                       std::string("\x01\xff[\nno key yet=sz:x\n[K]\nbroken line\nv=dword:12\n"
                                   "w=hex(3):zz\nok=sz:fine\n"));
  RegistryValue value;
  EXPECT_FALSE(RegistryReadValue(RegistryHive::kCurrentUser, L"K", L"v", value));
  EXPECT_FALSE(RegistryReadValue(RegistryHive::kCurrentUser, L"K", L"w", value));
  ASSERT_TRUE(RegistryReadValue(RegistryHive::kCurrentUser, L"K", L"ok", value));
  EXPECT_EQ(value.data, std::string("f\0i\0n\0e\0\0\0", 10));
}

// Runs body in a child process and returns whether it exited with 0.
template <typename Body>
pid_t Spawn(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body() ? 0 : 1);
  return pid;
}

bool Succeeded(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(RegistryFileTest, TwoProcessesWritingAtOnceBothSurvive) {
  auto writer = [](const wchar_t* prefix) {
    return [prefix] {
      for (int i = 0; i < 40; ++i) {
        std::wstring name = prefix + std::to_wstring(i);
        if (!RegistryWriteValue(RegistryHive::kCurrentUser, L"Software\\Shared", name,
                                {RegistryType::kDword, std::string(4, static_cast<char>(i))}))
          return false;
      }
      return true;
    };
  };
  pid_t first = Spawn(writer(L"first"));
  pid_t second = Spawn(writer(L"second"));
  ASSERT_TRUE(Succeeded(first));
  ASSERT_TRUE(Succeeded(second));
  EXPECT_EQ(RegistryValueNames(RegistryHive::kCurrentUser, L"Software\\Shared").size(), 80u);
  RegistryValue value;
  ASSERT_TRUE(
      RegistryReadValue(RegistryHive::kCurrentUser, L"software\\shared", L"SECOND39", value));
  EXPECT_EQ(value.data, std::string(4, '\x27'));
}

TEST_F(RegistryFileTest, ReaderNeverSeesAHalfWrittenHive) {
  const std::string big(200000, 'a');
  ASSERT_TRUE(
      RegistryWriteValue(RegistryHive::kCurrentUser, L"K", L"big", {RegistryType::kBinary, big}));
  pid_t writer = Spawn([] {
    for (int round = 0; round < 60; ++round) {
      std::string data(200000, static_cast<char>('a' + round % 26));
      if (!RegistryWriteValue(RegistryHive::kCurrentUser, L"K", L"big",
                              {RegistryType::kBinary, data}))
        return false;
    }
    return true;
  });
  int reads = 0, bad = 0;
  for (; reads < 300; ++reads) {
    RegistryValue value;
    if (!RegistryReadValue(RegistryHive::kCurrentUser, L"K", L"big", value) ||
        value.data.size() != big.size() ||
        value.data.find_first_not_of(value.data[0]) != std::string::npos)
      ++bad;
  }
  EXPECT_TRUE(Succeeded(writer));
  EXPECT_EQ(bad, 0) << "of " << reads << " reads";
}

TEST_F(RegistryFileTest, DeletingAKeyTakesEverythingBelowItAndNothingBeside) {
  const auto hive = RegistryHive::kClassesRoot;
  const RegistryValue dword{RegistryType::kDword, std::string(4, '\0')};
  ASSERT_TRUE(RegistryWriteValue(hive, L"CLSID\\{A}\\InprocServer32", L"ThreadingModel", dword));
  ASSERT_TRUE(RegistryCreateKey(hive, L"CLSID\\{A}\\Programmable"));
  ASSERT_TRUE(RegistryWriteValue(hive, L"CLSID\\{A}2", L"x", dword));  // a sibling, same prefix
  ASSERT_TRUE(RegistryWriteValue(hive, L"CLSID\\{B}", L"x", dword));
  EXPECT_TRUE(std::filesystem::exists(RegistryHivePath(hive)));
  EXPECT_FALSE(std::filesystem::exists(RegistryHivePath(RegistryHive::kCurrentUser)));

  EXPECT_TRUE(RegistryDeleteKey(hive, L"clsid\\{a}\\"));
  EXPECT_FALSE(RegistryKeyExists(hive, L"CLSID\\{A}"));
  EXPECT_FALSE(RegistryKeyExists(hive, L"CLSID\\{A}\\InprocServer32"));
  EXPECT_FALSE(RegistryKeyExists(hive, L"CLSID\\{A}\\Programmable"));
  EXPECT_TRUE(RegistryKeyExists(hive, L"CLSID\\{A}2"));
  EXPECT_TRUE(RegistryKeyExists(hive, L"CLSID\\{B}"));
  EXPECT_TRUE(RegistryKeyExists(hive, L"CLSID"));

  EXPECT_FALSE(RegistryDeleteKey(hive, L"CLSID\\{A}"));  // already gone
  EXPECT_FALSE(RegistryDeleteKey(hive, L"\\"));          // the root stays
  EXPECT_TRUE(RegistryKeyExists(hive, L"CLSID\\{B}"));
}

}  // namespace
}  // namespace ferrow
