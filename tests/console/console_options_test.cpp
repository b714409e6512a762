#include "console/console_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

struct UsageErrorRow {
  const char* name;
  std::vector<std::string> arguments;
  const char* messagePart;
};

class UsageErrorTest : public ::testing::TestWithParam<UsageErrorRow> {};

TEST_P(UsageErrorTest, IsRefusedWithAClearMessage) {
  CConsoleOptions options;
  EXPECT_FALSE(options.Parse(GetParam().arguments)) << GetParam().name;
  EXPECT_NE(options.GetError().find(GetParam().messagePart), std::string::npos)
      << GetParam().name << ": " << options.GetError();
}

const std::string kUrl = "http://127.0.0.1/file.bin";

INSTANTIATE_TEST_SUITE_P(
    Rows, UsageErrorTest,
    ::testing::Values(
        UsageErrorRow{"unknown long option", {"--bogus", kUrl}, "unknown option '--bogus'"},
        UsageErrorRow{"unknown short option", {"-x", kUrl}, "unknown option '-x'"},
        UsageErrorRow{"no URL", {"-n", "4"}, "no URL"},
        UsageErrorRow{"value missing at the end", {kUrl, "-n"}, "needs a value"},
        UsageErrorRow{"zero connections", {"-n", "0", kUrl}, "1 to 64"},
        UsageErrorRow{"65 connections", {"--connections=65", kUrl}, "1 to 64"},
        UsageErrorRow{"connections not a number", {"-n", "4x", kUrl}, "'4x'"},
        UsageErrorRow{"negative limit", {"--limit", "-5", kUrl}, "--limit"},
        UsageErrorRow{"proxy without port", {"--http-proxy", "proxy", kUrl}, "HOST:PORT"},
        UsageErrorRow{
            "socks with user but no password", {"--socks5", "bob@h:1080", kUrl}, "USER:PASS@"},
        UsageErrorRow{"scheme misspelt", {"htp://127.0.0.1/x"}, "http:// or ftp://"},
        UsageErrorRow{"bare word", {"example"}, "http:// or ftp://"},
        UsageErrorRow{"no host", {"http:///x"}, "no host"},
        UsageErrorRow{"port out of range", {"http://127.0.0.1:99999/x"}, "1 to 65535"},
        UsageErrorRow{"port not a number", {"ftp://h:ab/x"}, "1 to 65535"},
        UsageErrorRow{"space inside", {"http://h/a b"}, "spaces"},
        UsageErrorRow{"unknown scheme", {"gopher://h/x"}, "ftps://"},
        UsageErrorRow{"ftps without host", {"ftps://:21/x"}, "no host"},
        UsageErrorRow{"IPv6 without brackets", {"http://::1/x"}, "brackets"},
        UsageErrorRow{"certificate file missing",
                      {"--ca-certificate", "/nonexistent.pem", kUrl},
                      "cannot read the certificate"},
        UsageErrorRow{"-o with two URLs", {"-o", "f", kUrl, "http://h/y"}, "-o names one file"},
        UsageErrorRow{"two URLs with one name", {kUrl, "http://other/file.bin"}, "'file.bin'"},
        UsageErrorRow{"URL file missing", {"-i", "/nonexistent/urls.txt"}, "cannot read"}),
    [](const ::testing::TestParamInfo<UsageErrorRow>& info) {
      std::string name;
      for (const char* c = info.param.name; *c; ++c) name += std::isalnum(*c) ? *c : '_';
      return name;
    });

TEST(ConsoleOptionsTest, OptionsOverrideOnlyWhatTheyName) {
  CConsoleOptions options;
  ASSERT_TRUE(
      options.Parse({"-n8", "-j", "3", "--limit=100", "--retries", "5", "--retry-delay", "0",
                     "--http-proxy", "127.0.0.1:3128", "--socks5", "bob:p@ss@127.0.0.1:1080",
                     "--active", "--user-agent", "Test/1", "-q", "-d", "out", kUrl}))
      << options.GetError();
  CSettings settings;
  settings.SetDefaults();
  settings.m_emailAddress = L"kept@example.org";
  options.ApplyTo(settings);
  EXPECT_EQ(settings.m_maxThreads, 8);
  EXPECT_EQ(settings.m_maxDownloads, 3);
  EXPECT_EQ(settings.m_speedLimit, 100);
  EXPECT_EQ(settings.m_retryAttempts, 5);
  EXPECT_EQ(settings.m_retryDelay, 0);
  EXPECT_TRUE(settings.m_httpProxy.m_enabled);
  EXPECT_EQ(settings.m_httpProxy.m_server, L"127.0.0.1");
  EXPECT_EQ(settings.m_httpProxy.m_port, 3128);
  EXPECT_TRUE(settings.m_socksProxy.m_enabled);
  EXPECT_EQ(settings.m_socksProxy.m_user, L"bob");
  EXPECT_EQ(settings.m_socksProxy.m_password, L"p@ss");  // the last '@' ends the login
  EXPECT_EQ(settings.m_socksProxy.m_port, 1080);
  EXPECT_FALSE(settings.m_passiveMode);
  EXPECT_EQ(settings.m_userAgent, L"Test/1");
  EXPECT_EQ(settings.m_emailAddress, L"kept@example.org");
  EXPECT_TRUE(options.m_quiet);
  EXPECT_EQ(options.m_directory, "out");

  CConsoleOptions none;
  ASSERT_TRUE(none.Parse({kUrl}));
  CSettings untouched;
  untouched.SetDefaults();
  none.ApplyTo(untouched);
  EXPECT_EQ(untouched.m_maxThreads, 4);
  EXPECT_TRUE(untouched.m_passiveMode);
  EXPECT_FALSE(untouched.m_httpProxy.m_enabled);
}

TEST(ConsoleOptionsTest, DoubleDashEndsOptionsAndHelpNeedsNoUrl) {
  CConsoleOptions options;
  ASSERT_TRUE(options.Parse({"--", "http://h/-n"}));
  EXPECT_EQ(options.m_urls, std::vector<std::string>{"http://h/-n"});
  CConsoleOptions help;
  ASSERT_TRUE(help.Parse({"--help"}));
  EXPECT_TRUE(help.m_help);
  EXPECT_NE(CConsoleOptions::GetUsage().find("--connections"), std::string::npos);
}

TEST(ConsoleOptionsTest, FileNamesComeFromTheLastPathSegment) {
  const std::pair<const char*, const char*> rows[] = {
      {"http://h/dir/file.bin", "file.bin"},
      {"http://h/dir/file.bin?x=1#top", "file.bin"},
      {"http://h/a%20b.txt", "a b.txt"},
      {"http://h/%2e%2e", "index.html"},  // no climbing out of the folder
      {"http://h/a%2fb", "a_b"},          // a decoded separator stays in the name
      {"http://h/", "index.html"},
      {"http://h", "index.html"},
      {"ftp://user:pw@h:21/pub/x.iso", "x.iso"},
      {"http://h/bad%zz", "bad%zz"},
      {"http://h/a%1b%5b2J%0d%7f%c2%9bb", "a_[2J___b"},  // no control character reaches a name
  };
  for (const auto& [url, name] : rows) EXPECT_EQ(CConsoleOptions::FileNameForUrl(url), name) << url;
}

TEST(ConsoleOptionsTest, SpeedsTakeSuffixesAndTimeoutSetsBoth) {
  int32_t kib = 0;
  EXPECT_TRUE(CConsoleOptions::ParseRate("500", kib) && kib == 500);
  EXPECT_TRUE(CConsoleOptions::ParseRate("500k", kib) && kib == 500);
  EXPECT_TRUE(CConsoleOptions::ParseRate("2M", kib) && kib == 2048);
  EXPECT_TRUE(CConsoleOptions::ParseRate("1G", kib) && kib == 1 << 20);
  EXPECT_FALSE(CConsoleOptions::ParseRate("3000G", kib));
  EXPECT_FALSE(CConsoleOptions::ParseRate("M", kib));
  EXPECT_FALSE(CConsoleOptions::ParseRate("1.5M", kib));
  CConsoleOptions options;
  ASSERT_TRUE(options.Parse({"--stall-timeout", "9", "--timeout", "5", kUrl}));
  EXPECT_EQ(options.m_connectTimeout, 5);
  EXPECT_EQ(options.m_stallTimeout, 9);
}

class UrlFileTest : public test::SandboxedTest {};

TEST_F(UrlFileTest, TakesLinesAsTheImportCommandDoes) {
  const auto path = SandboxDir() / "urls.txt";
  test::WriteFileBytes(path,
                       "  http://h/one.bin \r\n"
                       "\n"
                       "ftp://h/two.bin\n"
                       "FTP://h/three.bin\n"
                       "http://h:99999/five.bin\n"
                       "# a comment\n");
  CConsoleOptions options;
  ASSERT_TRUE(options.Parse({"-i", path.string(), "http://h/four.bin"})) << options.GetError();
  EXPECT_EQ(options.m_urls,
            (std::vector<std::string>{"http://h/one.bin", "ftp://h/two.bin", "http://h/four.bin"}));
  // Comments and blank lines are quiet; the rest is skipped with its reason.
  ASSERT_EQ(options.GetSkippedLines().size(), 2u);
  EXPECT_EQ(options.GetSkippedLines()[0].text, "FTP://h/three.bin");
  EXPECT_EQ(options.GetSkippedLines()[1].text, "http://h:99999/five.bin");
  EXPECT_NE(options.GetSkippedLines()[1].why.find("1 to 65535"), std::string::npos);
}

}  // namespace
}  // namespace ferrow
