#include "l10n/resource_manager.h"

#include <cstdlib>
#include <random>

#include "l10n/dialog_window.h"
#include "l10n/menu_window.h"
#include "l10n/message_numbers.h"
#include "l10n/message_ui.h"
#include "platform/error_code.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;

class RecordingUi : public CMessageUi {
 public:
  void ShowMessage(const std::wstring& text) override { m_shown.push_back(text); }
  bool AskYesNo(const std::wstring& text) override {
    m_asked.push_back(text);
    return m_answer;
  }
  std::vector<std::wstring> m_shown, m_asked;
  bool m_answer = true;
};

class FakeDialog : public CDialogWindow {
 public:
  explicit FakeDialog(std::vector<uint32_t> ids) : m_ids(ids), m_texts(ids.size(), L"built-in") {}
  void SetCaption(const std::wstring& text) override { m_caption = text; }
  size_t GetChildCount() const override { return m_ids.size(); }
  uint32_t GetChildId(size_t index) const override { return m_ids[index]; }
  void SetChildText(size_t index, const std::wstring& text) override { m_texts[index] = text; }
  std::wstring m_caption = L"built-in";
  std::vector<uint32_t> m_ids;
  std::vector<std::wstring> m_texts;
};

// A menu bar of top-level items, each with a submenu of command identifiers (none: no submenu).
class FakeMenu : public CMenuWindow {
 public:
  struct Item {
    std::wstring text;
    std::vector<std::pair<uint32_t, std::wstring>> sub;
  };
  size_t GetItemCount() const override { return m_items.size(); }
  bool HasSubmenu(size_t position) const override { return !m_items[position].sub.empty(); }
  void SetItemText(size_t position, const std::wstring& text) override {
    m_items[position].text = text;
  }
  size_t GetSubmenuItemCount(size_t position) const override {
    return m_items[position].sub.size();
  }
  uint32_t GetSubmenuItemId(size_t position, size_t item) const override {
    return m_items[position].sub[item].first;
  }
  void SetSubmenuItemText(size_t position, size_t item, const std::wstring& text) override {
    m_items[position].sub[item].second = text;
  }
  std::vector<Item> m_items;
};

TEST(ResourceManagerTest, ReadsSectionsEntriesAndEscapes) {
  CResourceManager manager;
  ASSERT_TRUE(
      manager.LoadText("ignored before any header\r\n"
                       "[info]\r\n"
                       "  LANGUAGE=Testish \t\r\n"
                       "author=Someone\n"
                       "Unknown=x\n"
                       "; a comment without equals sign\n"
                       "\n"
                       "[StringTable]\n"
                       "1=first\n"
                       "2=two\\nlines\n"
                       "3 = spaced \n"
                       "1=later wins\n"
                       "[Some other section]\n"
                       "no equals sign here is fine\n"
                       "[StringTable]\n"
                       "4=a=b\n"
                       "[Dialog:Login]\n"
                       "title=Anmelden\n"
                       "1001=&User\n"
                       "1002=tab\\tstays\n"
                       "[Dialog:Progress]\n"
                       "1001=no title\n"
                       "[Dialog:Login]\n"
                       "TITLE=Second login\n"));
  EXPECT_EQ(manager.GetInfo().m_language, L"Testish");
  EXPECT_EQ(manager.GetInfo().m_author, L"Someone");
  EXPECT_EQ(manager.GetString(1), L"later wins");
  EXPECT_EQ(manager.GetString(2), L"two\nlines");
  EXPECT_EQ(manager.GetString(3), L" spaced");  // key and value as they are after trimming
  EXPECT_EQ(manager.GetString(4), L"a=b");
  EXPECT_EQ(manager.GetString(5), L"");

  // The second "Login" section replaced the first whole.
  FakeDialog login({1001, 1002, 0xFFFF});
  EXPECT_TRUE(manager.ApplyDialog(L"Login", login));
  EXPECT_EQ(login.m_caption, L"Second login");
  EXPECT_EQ(login.m_texts, (std::vector<std::wstring>{L"built-in", L"built-in", L"built-in"}));

  FakeDialog progress({1001});
  EXPECT_TRUE(manager.ApplyDialog(L"Progress", progress));
  EXPECT_EQ(progress.m_caption, L"");  // no "Title": empty caption
  EXPECT_EQ(progress.m_texts[0], L"no title");

  FakeDialog other({1001});
  EXPECT_FALSE(manager.ApplyDialog(L"Connect", other));
  EXPECT_EQ(other.m_caption, L"built-in");
}

TEST(ResourceManagerTest, MenuPopupsNeedItemsAndTranslateEscapes) {
  CResourceManager manager;
  ASSERT_TRUE(
      manager.LoadText("[Menu:Main]\n"
                       "Popup=&Empty\n"
                       "POPUP=&File\n"
                       "101=&Import...\\tCtrl+I\n"
                       "104=E&xit\\aX\n"
                       "popup=&Help\n"
                       "200=&About\n"));
  const CMenuInfo* info = manager.FindMenu(L"Main");
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->m_popups.size(), 2u);
  EXPECT_EQ(info->m_popups[0].m_title, L"&File");
  EXPECT_EQ(info->m_popups[0].m_items.at(101), L"&Import...\tCtrl+I");
  EXPECT_EQ(info->m_popups[0].m_items.at(104), std::wstring(L"E&xit\bX"));

  FakeMenu menu;
  menu.m_items = {
      {L"File", {{101, L"Import"}, {999, L"Keep"}}}, {L"Help", {{200, L"About"}}}, {L"Extra", {}}};
  EXPECT_TRUE(manager.ApplyMenu(L"Main", menu));
  EXPECT_EQ(menu.m_items[0].text, L"&File");
  EXPECT_EQ(menu.m_items[0].sub[0].second, L"&Import...\tCtrl+I");
  EXPECT_EQ(menu.m_items[0].sub[1].second, L"Keep");
  EXPECT_EQ(menu.m_items[1].text, L"&Help");
  EXPECT_EQ(menu.m_items[1].sub[0].second, L"&About");
  EXPECT_FALSE(manager.ApplyMenu(L"PopupTray", menu));
}

TEST(ResourceManagerTest, MalformedFilesFailButKeepWhatWasRead) {
  {
    CResourceManager manager;
    EXPECT_FALSE(manager.LoadText("[StringTable]\n1=one\n[Dialog:X]\nTitle=x\nno equals\n"));
    EXPECT_EQ(manager.GetString(1), L"one");
  }
  {
    // A header without its closing bracket is a line of the section before it.
    CResourceManager manager;
    EXPECT_FALSE(manager.LoadText("[StringTable]\n1=one\n[Dialog:Login\n"));
  }
  {
    // Before any header the same line is ignored, and an unknown section takes anything.
    CResourceManager manager;
    EXPECT_TRUE(manager.LoadText("[Dialog:Login\n[Whatever]\nfree text\n"));
  }
  {
    CResourceManager manager;
    EXPECT_FALSE(manager.LoadText("[x]y[Dialog:z]\nTitle=t\n"));  // no ":" before the "]"
  }
}

TEST(ResourceManagerTest, GarbageAndHugeInputDoNotCrash) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(1 + random() % 4000, '\0');
    for (auto& b : bytes) b = static_cast<char>(random());
    // Sprinkle structure in so the parser reaches its deeper paths.
    for (const char* piece : {"\n[StringTable]\n", "\n[Menu:M]\n", "\n[Dialog:D]\n", "=", "\\"})
      bytes.insert(random() % bytes.size(), piece);
    CResourceManager manager;
    manager.LoadText(bytes);
    manager.ErrorText(static_cast<uint32_t>(random()));
  }
  CResourceManager manager;
  std::string huge = "[StringTable]\n1=" + std::string(10 * 1024 * 1024, 'x');
  EXPECT_TRUE(manager.LoadText(huge));
  EXPECT_EQ(manager.GetString(1).size(), 10u * 1024 * 1024);
  EXPECT_FALSE(manager.LoadText("[StringTable]\n" + std::string(10 * 1024 * 1024, 'y')));
}

TEST(ResourceManagerTest, ErrorTextPicksTheRangeThenTheSystemThenTheFallback) {
  CResourceManager manager;
  ASSERT_TRUE(manager.LoadText(
      "[StringTable]\n5223=Cancelled\n6054=Reset\n7001=No host\n8550=FTP 550\n9404=HTTP 404\n"
      "10705=Refused\n10699=No method\n11000=Unknown\n"));
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySystem, 1223)), L"Cancelled");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySocket, 10054)), L"Reset");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySocket, 11001)), L"No host");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategoryFtp, 550)), L"FTP 550");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategoryHttp, 404)), L"HTTP 404");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySocks, 705)), L"Refused");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySocks, 699)), L"No method");
  // A system code the file lacks takes the system's text, without a closing full stop.
  std::wstring system = manager.ErrorText(MakeError(kCategorySystem, 2));
  EXPECT_FALSE(system.empty());
  EXPECT_NE(system, L"Unknown");
  EXPECT_NE(system.back(), L'.');
  EXPECT_EQ(system.find(L'\n'), std::wstring::npos);
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySystem, 9999)), L"Unknown");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySocket, 10060)), L"Unknown");
  EXPECT_EQ(manager.ErrorText(MakeError(kCategorySocket, 12)), L"Unknown");
  EXPECT_EQ(manager.ErrorText(MakeError(9, 1)), L"Unknown");
}

TEST(ResourceManagerTest, MessagesGoThroughTheUserInterfaceFormatted) {
  CResourceManager manager;
  ASSERT_TRUE(manager.LoadText(
      "[StringTable]\n2306=Between %d and %d.\n2206=Add %s again?\n3001=%s failed: %s (%d)\n"));
  manager.ShowMessage(2306, {1, 64});  // no interface yet: nothing happens
  EXPECT_FALSE(manager.AskMessage(2206, {L"http://x/"}));
  RecordingUi ui;
  manager.SetMessageUi(&ui);
  manager.ShowMessage(2306, {1, 64});
  manager.ShowMessage(3001, {L"scan"});  // too few arguments: empty, never a crash
  ui.m_answer = false;
  EXPECT_FALSE(manager.AskMessage(2206, {L"http://x/"}));
  EXPECT_EQ(ui.m_shown, (std::vector<std::wstring>{L"Between 1 and 64.", L"scan failed:  (0)"}));
  EXPECT_EQ(ui.m_asked, std::vector<std::wstring>{L"Add http://x/ again?"});
}

TEST(MessageFormatTest, PlaceholdersTakeTheirArgumentsSafely) {
  EXPECT_EQ(FormatMessageText(L"%d%% of %s", {50, L"file"}), L"50% of file");
  EXPECT_EQ(FormatMessageText(L"[%5d|%-4s|%03u|%x|%.2f|%c]", {42, L"ab", 7u, 255, 1.5, L"Z"}),
            L"[   42|ab  |007|ff|1.50|Z]");
  EXPECT_EQ(FormatMessageText(L"%s and %d", {12, L"34abc"}), L"12 and 34");  // types swapped
  EXPECT_EQ(FormatMessageText(L"%I64u %ld %lld", {1ull << 40, 5L, -3LL}), L"1099511627776 5 -3");
  EXPECT_EQ(FormatMessageText(L"%n %p %", {1}), L"%n %p %");
  EXPECT_LE(FormatMessageText(L"%999999999d", {1}).size(), 1024u);
  EXPECT_EQ(FormatMessageText(L"%.3s", {L"abcdef"}), L"abc");
}

// Found by fuzzing: a language file may put an integer placeholder where the program passes a
// number with a fraction; one beyond the integer range must print as the nearest, not as
// whatever an undefined conversion gives.
TEST(MessageFormatTest, FractionalNumbersBeyondTheIntegerRangeClamp) {
  EXPECT_EQ(FormatMessageText(L"%d %d %d", {3.5e300, -3.5e300, 2.9}),
            L"9223372036854775807 -9223372036854775808 2");
  EXPECT_EQ(FormatMessageText(L"%d %x", {std::nan(""), 1e19}), L"0 7fffffffffffffff");
}

class LanguageChoiceTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    SandboxedTest::TearDown();
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(LanguageChoiceTest, TheLocaleLanguageChoosesTheFile) {
  EXPECT_EQ(CResourceManager::GetDefaultLanguageFile(), L"Languages/English.lng");
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(CResourceManager::GetDefaultLanguageFile(), L"Languages/German.lng");
  setenv("LC_MESSAGES", "uk_UA.UTF-8", 1);
  EXPECT_EQ(CResourceManager::GetDefaultLanguageFile(), L"Languages/Ukranian.lng");
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(CResourceManager::GetDefaultLanguageFile(), L"Languages/English.lng");
  setenv("LC_ALL", "fr@euro", 1);
  EXPECT_EQ(CResourceManager::GetDefaultLanguageFile(), L"Languages/French.lng");
  EXPECT_EQ(CResourceManager::LanguageFileForPrimaryLanguage(34), L"Languages/Ukranian.lng");
  EXPECT_EQ(CResourceManager::LanguageFileForPrimaryLanguage(9), L"Languages/English.lng");
}

TEST_F(LanguageChoiceTest, LoadIsRelativeToTheProgramFolderAndMissingFilesFail) {
  setenv("FERROW_PROGRAM_DIR", SandboxDir().c_str(), 1);
  fs::create_directories(SandboxDir() / "Languages");
  test::WriteFileBytes(SandboxDir() / "Languages" / "Test.lng", "[StringTable]\n1=ok\n");
  CResourceManager manager;
  EXPECT_TRUE(manager.Load(L"Languages\\Test.lng"));
  EXPECT_EQ(manager.GetString(1), L"ok");
  EXPECT_FALSE(manager.Load(L"Languages/Missing.lng"));
  test::WriteFileBytes(SandboxDir() / "Languages" / "Notes.txt", "");
  EXPECT_EQ(CResourceManager::GetLanguageTitles(), std::vector<std::wstring>{L"Test"});
  unsetenv("FERROW_PROGRAM_DIR");
}

TEST(ShippedLanguageFilesTest, EveryUsedNumberExistsInEveryFile) {
  const std::vector<uint32_t> used = Msg::UsedMessageNumbers();
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(test::SourceDir() / "Languages")) {
    if (entry.path().extension() != ".lng") continue;
    ++files;
    CResourceManager manager;
    ASSERT_TRUE(manager.LoadFile(entry.path().wstring())) << entry.path();
    EXPECT_FALSE(manager.GetInfo().m_language.empty()) << entry.path();
    for (uint32_t number : used)
      EXPECT_FALSE(manager.GetString(number).empty()) << entry.path() << " lacks " << number;
    // Every text with placeholders formats without surprises from its own arguments.
    EXPECT_EQ(manager.FormatMessage(Msg::kValueOutOfRange, {1, 64}).find(L'%'), std::wstring::npos);
  }
  EXPECT_GE(files, 2u);

  // The files are UTF-8: the German umlauts arrive as characters, not as byte pairs.
  CResourceManager german;
  ASSERT_TRUE(german.LoadFile((test::SourceDir() / "Languages" / "German.lng").wstring()));
  EXPECT_NE(german.GetString(Msg::kLanguageNextStart).find(L"n\u00e4chsten"), std::wstring::npos);
}

}  // namespace
}  // namespace ferrow
