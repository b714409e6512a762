#include "net/internet_url.h"

#include <gtest/gtest.h>

namespace ferrow {
namespace {

TEST(InternetUrlTest, DefaultConstructedIsEmpty) {
  CInternetURL url;
  EXPECT_EQ(url.GetScheme(), Scheme::kFtp);
  EXPECT_EQ(url.Port(), 0);
  EXPECT_TRUE(url.Host().empty());
  EXPECT_TRUE(url.Path().empty());
  EXPECT_TRUE(url.Text().empty());
}

TEST(InternetUrlTest, PasswordWithAtSignAndPort) {
  CInternetURL url(L"http://user:p@ss@host:8080/dir/file.zip?x=1");
  EXPECT_EQ(url.GetScheme(), Scheme::kHttp);
  EXPECT_EQ(url.User(), L"user");
  EXPECT_EQ(url.Password(), L"p@ss");
  EXPECT_EQ(url.Host(), L"host");
  EXPECT_EQ(url.Port(), 8080);
  EXPECT_EQ(url.Path(), L"/dir/file.zip?x=1");
  EXPECT_EQ(url.FileName(), L"file.zip");
  EXPECT_EQ(url.Text(), L"http://user:p@ss@host:8080/dir/file.zip?x=1");
}

TEST(InternetUrlTest, PasswordWithAtSignWithoutPort) {
  CInternetURL url(L"ftp://user:a@b@host/f");
  EXPECT_EQ(url.Password(), L"a@b");
  EXPECT_EQ(url.Host(), L"host");
  EXPECT_EQ(url.Port(), 21);
}

TEST(InternetUrlTest, CredentialPatterns) {
  CInternetURL withPort(L"ftp://u:pw@h:2121/x");
  EXPECT_EQ(withPort.User(), L"u");
  EXPECT_EQ(withPort.Password(), L"pw");
  EXPECT_EQ(withPort.Host(), L"h");
  EXPECT_EQ(withPort.Port(), 2121);

  CInternetURL userAndPort(L"ftp://anon@h:2121");
  EXPECT_EQ(userAndPort.User(), L"anon");
  EXPECT_TRUE(userAndPort.Password().empty());
  EXPECT_EQ(userAndPort.Host(), L"h");
  EXPECT_EQ(userAndPort.Port(), 2121);

  CInternetURL userOnly(L"ftp://anon@host");
  EXPECT_EQ(userOnly.User(), L"anon");
  EXPECT_TRUE(userOnly.Password().empty());
  EXPECT_EQ(userOnly.Host(), L"host");
  EXPECT_EQ(userOnly.Port(), 21);
  EXPECT_EQ(userOnly.Path(), L"/");
}

TEST(InternetUrlTest, ShortcutsWithoutScheme) {
  CInternetURL www(L"www.site/a.exe");
  EXPECT_EQ(www.GetScheme(), Scheme::kHttp);
  EXPECT_EQ(www.Port(), 80);
  EXPECT_EQ(www.Host(), L"www.site");
  EXPECT_EQ(www.Path(), L"/a.exe");
  EXPECT_EQ(www.FileName(), L"a.exe");

  CInternetURL ftp(L"ftp.site");
  EXPECT_EQ(ftp.GetScheme(), Scheme::kFtp);
  EXPECT_EQ(ftp.Port(), 21);
  EXPECT_EQ(ftp.Host(), L"ftp.site");
  EXPECT_EQ(ftp.Path(), L"/");
  EXPECT_TRUE(ftp.FileName().empty());
}

TEST(InternetUrlTest, SchemeTableAndUnknownSchemes) {
  struct Row {
    const wchar_t* text;
    Scheme scheme;
    int32_t port;
    const wchar_t* host;
  };
  const Row rows[] = {
      {L"ftps://h/", Scheme::kFtps, 990, L"h"},
      {L"sftp://h/", Scheme::kSftp, 22, L"h"},
      {L"https://h/", Scheme::kHttps, 443, L"h"},
      {L"socks4://h", Scheme::kSocks4, 1080, L"h"},
      {L"socks5://h", Scheme::kSocks5, 1080, L"h"},
      // Prefixes are case-sensitive: an upper-case scheme is "other", cut at "://".
      {L"HTTP://host/x", Scheme::kOther, 0, L"host"},
      {L"gopher://g:70/", Scheme::kOther, 70, L"g"},
      {L"plainhost", Scheme::kOther, 0, L"plainhost"},
  };
  for (const Row& row : rows) {
    CInternetURL url(row.text);
    EXPECT_EQ(url.GetScheme(), row.scheme) << row.text;
    EXPECT_EQ(url.Port(), row.port) << row.text;
    EXPECT_EQ(url.Host(), row.host) << row.text;
  }
}

TEST(InternetUrlTest, PortReadsLikeScanfInteger) {
  EXPECT_EQ(CInternetURL(L"http://h:0x1F/").Port(), 31);
  EXPECT_EQ(CInternetURL(L"http://h:010/").Port(), 8);
  EXPECT_EQ(CInternetURL(L"http://h:08/").Port(), 0);  // octal stops at the 8
  EXPECT_EQ(CInternetURL(L"http://h:0x/").Port(), 0);
  EXPECT_EQ(CInternetURL(L"http://h:81abc/").Port(), 81);
  EXPECT_EQ(CInternetURL(L"http://h: 82/").Port(), 82);
  // No number at all: the authority does not match pattern 6, so it is all host.
  CInternetURL noPort(L"http://h:/");
  EXPECT_EQ(noPort.Host(), L"h:");
  EXPECT_EQ(noPort.Port(), 80);
}

TEST(InternetUrlTest, FieldsKeptFromPreviousParse) {
  CInternetURL url(L"ftp://user:pw@first/dir/file.bin");
  url.Parse(L"ftp://second");
  EXPECT_EQ(url.Host(), L"second");
  EXPECT_EQ(url.User(), L"user");
  EXPECT_EQ(url.Password(), L"pw");
  EXPECT_EQ(url.Path(), L"/dir/file.bin");
  EXPECT_EQ(url.FileName(), L"file.bin");
  EXPECT_EQ(url.Port(), 21);

  // The port is never kept: it falls back to the new scheme's default.
  url.Parse(L"http://third:8080/");
  url.Parse(L"http://third/");
  EXPECT_EQ(url.Port(), 80);
  // A path that ends in "/" gives an empty file name.
  EXPECT_TRUE(url.FileName().empty());
  EXPECT_EQ(url.Path(), L"/");
}

TEST(InternetUrlTest, FileNameStopsAtQuery) {
  CInternetURL url(L"http://h/get.php?id=1");
  EXPECT_EQ(url.FileName(), L"get.php");
  EXPECT_EQ(url.Path(), L"/get.php?id=1");
}

TEST(InternetUrlTest, FormatOmitsDefaultPort) {
  EXPECT_EQ(CInternetURL(L"http://host:80/").Format(), L"http://host/");
  EXPECT_EQ(CInternetURL(L"http://host:81").Format(), L"http://host:81/");
}

TEST(InternetUrlTest, FormatCredentials) {
  CInternetURL url;
  url.SetScheme(Scheme::kFtp);
  url.SetUser(L"u");
  url.SetHost(L"h");
  url.SetPort(21);
  EXPECT_EQ(url.Format(), L"ftp://u@h/");
  url.SetPassword(L"p");
  EXPECT_EQ(url.Format(), L"ftp://u:p@h/");
  url.SetUser(L"");
  EXPECT_EQ(url.Format(), L"ftp://h/");
  url.SetScheme(Scheme::kOther);
  url.SetPort(0);
  EXPECT_EQ(url.Format(), L"h/");
}

TEST(InternetUrlTest, SetPathRebuildsText) {
  CInternetURL url;
  url.SetScheme(Scheme::kFtp);
  url.SetHost(L"h");
  url.SetPort(2121);
  url.SetPath(L"pub//");
  EXPECT_EQ(url.Path(), L"pub//");
  EXPECT_EQ(url.Text(), L"ftp://h:2121/pub/");
  url.SetPath(L"/pub/sub");
  EXPECT_EQ(url.Text(), L"ftp://h:2121/pub/sub/");
}

TEST(InternetUrlTest, Escape) {
  EXPECT_EQ(CInternetURL::Escape(L"a b%"), L"a%20b%25");
  EXPECT_EQ(CInternetURL::Escape(L"<>\"#{}|\\^~[]'"), L"%3C%3E%22%23%7B%7D%7C%5C%5E%7E%5B%5D%27");
  EXPECT_EQ(CInternetURL::Escape(L"/a?b=c&d\u00e9"), L"/a?b=c&d\u00e9");
}

TEST(InternetUrlTest, Base64Padding) {
  EXPECT_EQ(CInternetURL::Base64(L""), L"");
  EXPECT_EQ(CInternetURL::Base64(L"a"), L"YQ==");
  EXPECT_EQ(CInternetURL::Base64(L"ab"), L"YWI=");
  EXPECT_EQ(CInternetURL::Base64(L"abc"), L"YWJj");
  EXPECT_EQ(CInternetURL::Base64(L"user:pass"), L"dXNlcjpwYXNz");
}

// RFC 3986, section 5.4, from the base "http://a/b/c/d;p?q", and the targets a redirect must
// never reach as a path of the same server.
TEST(InternetUrlTest, ResolveFollowsRfc3986) {
  const std::wstring base = L"http://a/b/c/d;p?q";
  std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"g", L"http://a/b/c/g"},
      {L"./g", L"http://a/b/c/g"},
      {L"g/", L"http://a/b/c/g/"},
      {L"/g", L"http://a/g"},
      {L"//g", L"http://g"},
      {L"?y", L"http://a/b/c/d;p?y"},
      {L"g?y#s", L"http://a/b/c/g?y"},
      {L"", L"http://a/b/c/d;p?q"},
      {L"../g", L"http://a/b/g"},
      {L"../../../g", L"http://a/g"},
      {L"/./g/.", L"http://a/g/"},
      {L"g/../h", L"http://a/b/c/h"},
      {L"HTTP://x:81/y", L"http://x:81/y"},
      {L"file:///etc/passwd", L"file:///etc/passwd"},
      {L"ftp://h/f.bin", L"ftp://h/f.bin"},
  };
  for (auto [reference, expected] : cases) {
    EXPECT_EQ(CInternetURL::Resolve(base, reference), expected) << reference;
  }
  EXPECT_EQ(CInternetURL::Unescape(L"/my%20file%2Ebin%zz%4"), L"/my file.bin%zz%4");
}

}  // namespace
}  // namespace ferrow
