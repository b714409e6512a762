#include "net/cookie_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

TEST(CookieListTest, SetCookiesSplitsPairsAndSkipsPathAndExpires) {
  CCookieList cookies;
  cookies.SetCookies(L"id=42; path=/; expires=Wed, 21 Oct 2015 07:28:00 GMT; domain=.example.com");
  EXPECT_EQ(cookies.GetCookies(), L"id=42; domain=.example.com");

  cookies.SetCookies(L" \tsession=a=b==\r\n");  // value keeps everything after the first '='
  std::wstring value;
  ASSERT_TRUE(cookies.Lookup(L"session", value));
  EXPECT_EQ(value, L"a=b==");
}

TEST(CookieListTest, LaterPairsReplaceEarlierOnesInPlace) {
  CCookieList cookies;
  cookies.SetCookies(L"a=1; b=2; a=3");
  EXPECT_EQ(cookies.GetCookies(), L"a=3; b=2");
  cookies.SetCookies(L"b=4");
  EXPECT_EQ(cookies.GetCookies(), L"a=3; b=4");
  EXPECT_EQ(cookies.GetCount(), 2u);
}

TEST(CookieListTest, MalformedTokensAreSkippedAndNamesAreExact) {
  CCookieList cookies;
  cookies.SetCookies(L";; noequals ; =empty-name; Path=/x; x = y ;");
  // "Path" differs in case from "path", so it is kept; inner spaces stay as they are.
  EXPECT_EQ(cookies.GetCookies(), L"=empty-name; Path=/x; x = y");
  cookies.RemoveAll();
  EXPECT_TRUE(cookies.IsEmpty());
  EXPECT_EQ(cookies.GetCookies(), L"");
}

TEST(CookieListTest, PairsWithControlCharactersInsideAreNotKept) {
  CCookieList cookies;
  cookies.SetCookies(std::wstring(L"ok=1; evil=x\r\nX-Injected: 1; nul=a") + L'\0' + L"b");
  EXPECT_EQ(cookies.GetCookies(), L"ok=1");
}

class BrowserCookiesTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    if (const char* old = std::getenv("FERROW_COOKIES_FILE")) m_saved = old;
    m_file = SandboxDir() / "cookies.txt";
    setenv("FERROW_COOKIES_FILE", m_file.c_str(), 1);
  }
  void TearDown() override {
    if (m_saved)
      setenv("FERROW_COOKIES_FILE", m_saved->c_str(), 1);
    else
      unsetenv("FERROW_COOKIES_FILE");
    SandboxedTest::TearDown();
  }
  void WriteCookies(const std::string& lines) {
    test::WriteFileBytes(m_file, "# Netscape HTTP Cookie File\n" + lines);
  }

  std::filesystem::path m_file;
  std::optional<std::string> m_saved;
};

TEST_F(BrowserCookiesTest, HostIsAskedForWithTheWwwPrefix) {
  const std::string future = std::to_string(std::time(nullptr) + 3600);
  WriteCookies(".example.com\tTRUE\t/\tFALSE\t" + future +
               "\tdomainwide\t1\n"
               "www.example.com\tFALSE\t/\tFALSE\t0\twwwonly\t2\n"
               "example.com\tFALSE\t/\tFALSE\t0\tbareonly\t3\n"
               "other.org\tFALSE\t/\tFALSE\t0\tother\t4\n");
  std::wstring text;
  ASSERT_TRUE(GetBrowserCookies(L"example.com", text));
  EXPECT_EQ(text, L"domainwide=1; wwwonly=2");
  ASSERT_TRUE(GetBrowserCookies(L"www.example.com", text));
  EXPECT_EQ(text, L"domainwide=1; wwwonly=2");
  EXPECT_FALSE(GetBrowserCookies(L"other.org", text));
}

TEST_F(BrowserCookiesTest, SecureExpiredAndDeeperPathCookiesAreNotSent) {
  WriteCookies(
      ".example.com\tTRUE\t/\tTRUE\t0\tsecure\t1\n"
      ".example.com\tTRUE\t/\tFALSE\t1000\texpired\t2\n"
      ".example.com\tTRUE\t/dir\tFALSE\t0\tdeep\t3\n"
      "#HttpOnly_.example.com\tTRUE\t/\tFALSE\t0\thttponly\t4\n");
  std::wstring text;
  ASSERT_TRUE(GetBrowserCookies(L"example.com", text));
  EXPECT_EQ(text, L"httponly=4");
}

TEST_F(BrowserCookiesTest, NoSourceMeansNoCookies) {
  std::wstring text = L"unchanged";
  EXPECT_FALSE(GetBrowserCookies(L"example.com", text));  // the file does not exist
  setenv("FERROW_COOKIES_FILE", "", 1);
  WriteCookies(".example.com\tTRUE\t/\tFALSE\t0\ta\t1\n");
  EXPECT_FALSE(GetBrowserCookies(L"example.com", text));
  EXPECT_EQ(text, L"unchanged");
}

TEST_F(BrowserCookiesTest, BrowserCookiesFeedTheListLikeAServerHeader) {
  WriteCookies(
      ".example.com\tTRUE\t/\tFALSE\t0\tpath\t/x\n"
      ".example.com\tTRUE\t/\tFALSE\t0\tsid\tabc\n");
  CCookieList cookies;
  cookies.SetCookies(L"sid=old; theme=dark");
  std::wstring text;
  ASSERT_TRUE(GetBrowserCookies(L"example.com", text));
  cookies.SetCookies(text);
  EXPECT_EQ(cookies.GetCookies(), L"sid=abc; theme=dark");
}

}  // namespace
}  // namespace ferrow
