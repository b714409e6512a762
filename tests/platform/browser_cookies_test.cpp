#include "platform/browser_cookies.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <optional>

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

// Keeps HOME and FERROW_COOKIES_FILE as they were before the test.
class BrowserCookieFilesTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    for (const char* name : {"HOME", "FERROW_COOKIES_FILE"}) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("HOME", SandboxDir().c_str(), 1);
    unsetenv("FERROW_COOKIES_FILE");
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    SandboxedTest::TearDown();
  }

  // A cookies.sqlite with Firefox's table; expiry values as given.
  void MakeFirefoxStore(const std::filesystem::path& file,
                        const std::vector<std::string>& inserts) {
    std::filesystem::create_directories(file.parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    std::string sql =
        "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL "
        "DEFAULT '', name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, "
        "lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER);";
    for (const auto& values : inserts)
      sql += "INSERT INTO moz_cookies (name, value, host, path, expiry, isSecure) VALUES (" +
             values + ");";
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(BrowserCookieFilesTest, FirefoxStoreIsReadAndFiltered) {
  const auto file = SandboxDir() / "cookies.sqlite";
  MakeFirefoxStore(
      file, {"'sid', 'v1', '.example.com', '/', 0, 0",
             "'ms', 'v2', 'www.example.com', '/', 4102444800000, 0",
             "'old', 'v3', '.example.com', '/', 1000, 0", "'sec', 'v4', '.example.com', '/', 0, 1",
             "'uni', 'caf\xc3\xa9', '.example.com', '/', 0, 0"});
  std::vector<BrowserCookie> cookies;
  ASSERT_TRUE(ReadBrowserCookieFile(file, cookies));
  ASSERT_EQ(cookies.size(), 5u);
  EXPECT_TRUE(cookies[0].includeSubdomains);
  EXPECT_EQ(cookies[1].expires, 4102444800);  // milliseconds taken as such

  std::wstring text;
  ASSERT_TRUE(SelectUrlCookies(cookies, L"http://www.example.com", 2000000000, text));
  EXPECT_EQ(text, L"sid=v1; ms=v2; uni=caf\u00e9");
  ASSERT_TRUE(SelectUrlCookies(cookies, L"https://WWW.Example.com:8443/a", 2000000000, text));
  EXPECT_EQ(text, L"sid=v1; ms=v2; sec=v4; uni=caf\u00e9");
  EXPECT_FALSE(SelectUrlCookies(cookies, L"http://badexample.com/", 2000000000, text));
}

TEST_F(BrowserCookieFilesTest, StoreLockedByARunningBrowserIsStillRead) {
  const auto file = SandboxDir() / "cookies.sqlite";
  MakeFirefoxStore(file, {"'sid', 'v1', '.example.com', '/', 0, 0"});
  sqlite3* browser = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &browser), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(browser, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::vector<BrowserCookie> cookies;
  EXPECT_TRUE(ReadBrowserCookieFile(file, cookies));
  EXPECT_EQ(cookies.size(), 1u);
  sqlite3_exec(browser, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(browser);
}

TEST_F(BrowserCookieFilesTest, CookiesTxtFieldsAreParsed) {
  const auto file = SandboxDir() / "cookies.txt";
  test::WriteFileBytes(file,
                       "# comment\r\n"
                       "\r\n"
                       "#HttpOnly_.example.com\tTRUE\t/dl\tTRUE\t123\tname\tvalue with space\r\n"
                       "host.example.com\tFALSE\t/\tFALSE\t0\tempty\n"
                       "too\tfew\tfields\n");
  std::vector<BrowserCookie> cookies;
  ASSERT_TRUE(ReadBrowserCookieFile(file, cookies));
  ASSERT_EQ(cookies.size(), 2u);
  EXPECT_EQ(cookies[0].domain, L".example.com");
  EXPECT_EQ(cookies[0].path, L"/dl");
  EXPECT_TRUE(cookies[0].secure);
  EXPECT_EQ(cookies[0].expires, 123);
  EXPECT_EQ(cookies[0].value, L"value with space");
  EXPECT_FALSE(cookies[1].includeSubdomains);
  EXPECT_EQ(cookies[1].value, L"");

  std::wstring text;
  ASSERT_TRUE(SelectUrlCookies(cookies, L"https://a.example.com/dl/file.zip", 100, text));
  EXPECT_EQ(text, L"name=value with space");
  EXPECT_FALSE(SelectUrlCookies(cookies, L"https://a.example.com/dlx", 100, text));
  EXPECT_FALSE(ReadBrowserCookieFile(SandboxDir() / "missing.txt", cookies));
}

TEST_F(BrowserCookieFilesTest, FirefoxDefaultProfileIsFoundFromProfilesIni) {
  const auto firefox = SandboxDir() / ".mozilla" / "firefox";
  MakeFirefoxStore(firefox / "abc.default-release" / "cookies.sqlite", {});
  MakeFirefoxStore(firefox / "old.default" / "cookies.sqlite", {});
  test::WriteFileBytes(
      firefox / "profiles.ini",
      "[Profile1]\nName=default\nIsRelative=1\nPath=old.default\nDefault=1\n\n"
      "[Profile0]\nName=default-release\nIsRelative=1\nPath=abc.default-release\n\n"
      "[Install4F96D1932A9F858E]\nDefault=abc.default-release\nLocked=1\n");
  ASSERT_EQ(BrowserCookieFiles(),
            std::vector<std::filesystem::path>{firefox / "abc.default-release" / "cookies.sqlite"});

  // Without an installation section the profile marked Default=1 is taken.
  test::WriteFileBytes(firefox / "profiles.ini",
                       "[Profile1]\nIsRelative=1\nPath=old.default\nDefault=1\n\n"
                       "[Profile0]\nIsRelative=1\nPath=abc.default-release\n");
  ASSERT_EQ(BrowserCookieFiles(),
            std::vector<std::filesystem::path>{firefox / "old.default" / "cookies.sqlite"});

  // The environment variable wins; both kinds of file may be named.
  setenv("FERROW_COOKIES_FILE", "/a/cookies.txt:/b/cookies.sqlite", 1);
  ASSERT_EQ(BrowserCookieFiles(),
            (std::vector<std::filesystem::path>{"/a/cookies.txt", "/b/cookies.sqlite"}));
}

TEST_F(BrowserCookieFilesTest, NoProfileMeansNoFiles) {
  EXPECT_TRUE(BrowserCookieFiles().empty());
  std::wstring text;
  EXPECT_FALSE(GetUrlCookies(L"http://www.example.com", text));
}

}  // namespace
}  // namespace ferrow
