// ferrow-get end to end: the built program against nginx and the FTP server on 127.0.0.1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "net/internet_url.h"
#include "platform/text.h"
#include "tests/console/program_run.h"
#include "tests/support/ftp_server.h"
#include "tests/support/http_proxy.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/scripted_server.h"
#include "tests/support/socks_proxy.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_data.h"
#include "tests/support/vsftpd_server.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::FerrowGetTest;
using test::ProgramRun;

TEST_F(FerrowGetTest, SeveralUrlsInParallelOneMissingTheOthersComplete) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  test::WritePatternFile(nginx.Root() / "one.bin", 3'000'000);
  test::WritePatternFile(nginx.Root() / "two.bin", 1'234'567);
  test::WritePatternFile(nginx.Root() / "empty-ish.bin", 10);
  test::WritePatternFile(ftp.Root() / "three.bin", 2'000'001);

  const int status =
      Run({"-j", "2", "-n", "3", "--retries", "1", nginx.Url("/one.bin"), nginx.Url("/missing.bin"),
           nginx.Url("/two.bin"), ftp.Url("/three.bin"), nginx.Url("/empty-ish.bin")});
  EXPECT_EQ(status, 1) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "one.bin", 3'000'000));
  EXPECT_TRUE(SameAsPattern(m_folder / "two.bin", 1'234'567));
  EXPECT_TRUE(SameAsPattern(m_folder / "three.bin", 2'000'001));
  EXPECT_TRUE(SameAsPattern(m_folder / "empty-ish.bin", 10));
  EXPECT_FALSE(fs::exists(m_folder / "missing.bin"));
  // The failure is told in the language file's words, with the status code.
  EXPECT_NE(m_output.find("missing.bin: failed:"), std::string::npos) << m_output;
  EXPECT_NE(m_output.find("3/404"), std::string::npos) << m_output;
  // Nothing was written into the data folder, which does not even exist.
  EXPECT_FALSE(fs::exists(DataHome() / "Brennick")) << m_output;
}

TEST_F(FerrowGetTest, InterruptKeepsTheTemporaryFileAndTheSameCommandResumes) {
  constexpr uint64_t kSize = 8u << 20;
  test::NginxServer nginx({.limitRate = 1 << 20});
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "big.bin", kSize);
  const std::vector<std::string> command = {"-n", "2", nginx.Url("/big.bin")};

  ProgramRun first;
  ASSERT_TRUE(first.Start(command, m_folder, DataHome()));
  // Some data must have arrived before the interrupt for a resume to show.
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!fs::exists(m_folder / "big.bin.fr") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(fs::exists(m_folder / "big.bin.fr")) << first.Output();
  std::this_thread::sleep_for(1500ms);
  first.Signal(SIGINT);
  EXPECT_EQ(first.Wait(), 130) << first.Output();
  EXPECT_NE(first.Output().find("Run the same command again"), std::string::npos);
  EXPECT_TRUE(fs::exists(m_folder / "big.bin.fr"));
  EXPECT_FALSE(fs::exists(m_folder / "big.bin"));
  // nginx logs a request when its connection ends.
  ASSERT_TRUE(nginx.WaitForRequests(2, 10s));
  const size_t firstRequests = nginx.AccessLog().size();

  EXPECT_EQ(Run(command), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "big.bin", kSize));
  EXPECT_FALSE(fs::exists(m_folder / "big.bin.fr"));
  // The second run asked only for what was missing.
  nginx.WaitForRequests(firstRequests + 2, 10s);
  const std::vector<test::AccessLogEntry> log = nginx.AccessLog();
  long long secondRunBytes = 0;
  for (size_t index = firstRequests; index < log.size(); ++index)
    secondRunBytes += log[index].bodyBytesSent;
  EXPECT_GT(secondRunBytes, 0);
  EXPECT_LT(secondRunBytes, static_cast<long long>(kSize));
}

TEST_F(FerrowGetTest, SettingsFileGivesTheDefaultsAndOptionsOverrideThem) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "f.bin", 3'000'000);
  // Written the way the windowed program writes it.
  CSettings settings;
  settings.SetDefaults();
  settings.m_maxThreads = 3;
  fs::create_directories(DataHome() / "Brennick" / "Ferrow");
  ASSERT_TRUE(settings.CXmlObject::Save(DataHome() / "Brennick" / "Ferrow" / "Settings.xml"));
  const auto before = fs::last_write_time(DataHome() / "Brennick" / "Ferrow" / "Settings.xml");

  // The query is the first part's request; every other part asks from its first byte (a
  // re-split may add requests, but never at these offsets), up to its end or the file's.
  auto asksFrom = [&](size_t from, const std::string& range) {
    const auto log = nginx.AccessLog();
    for (size_t index = from; index < log.size(); ++index)
      if (log[index].range.rfind(range, 0) == 0) return true;
    return false;
  };
  ASSERT_EQ(Run({"-q", nginx.Url("/f.bin")}), 0) << m_output;
  nginx.WaitForRequests(3, 10s);
  EXPECT_TRUE(asksFrom(0, "bytes=1000000-"));
  EXPECT_TRUE(asksFrom(0, "bytes=2000000-"));
  const size_t firstRun = nginx.AccessLog().size();

  fs::remove(m_folder / "f.bin");
  ASSERT_EQ(Run({"-q", "-n", "2", "-o", "copy.bin", nginx.Url("/f.bin")}), 0) << m_output;
  nginx.WaitForRequests(firstRun + 2, 10s);
  EXPECT_TRUE(asksFrom(firstRun, "bytes=1500000-"));
  EXPECT_FALSE(asksFrom(firstRun, "bytes=1000000-"));
  EXPECT_TRUE(SameAsPattern(m_folder / "copy.bin", 3'000'000));
  EXPECT_TRUE(m_output.empty()) << m_output;  // -q
  // Read, never written.
  EXPECT_EQ(fs::last_write_time(DataHome() / "Brennick" / "Ferrow" / "Settings.xml"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(DataHome() / "Brennick" / "Ferrow"),
                          fs::directory_iterator()),
            1);
}

TEST_F(FerrowGetTest, UsageErrorsExitWithTwoAndSayWhy) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"--frobnicate", "http://127.0.0.1/x"}, "unknown option"},
      {{"-n", "0", "http://127.0.0.1/x"}, "1 to 64"},
      {{}, "no URL"},
      {{"127.0.0.1/x"}, "http:// or ftp://"},
      {{"http://127.0.0.1:0/x"}, "1 to 65535"},
  };
  for (const auto& [arguments, message] : rows) {
    EXPECT_EQ(Run(arguments), 2) << message;
    EXPECT_NE(m_output.find(message), std::string::npos) << m_output;
    EXPECT_NE(m_output.find("--help"), std::string::npos) << m_output;
  }
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(m_output.find("Usage: ferrow-get"), std::string::npos);
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_NE(m_output.find("ferrow-get "), std::string::npos);
}

TEST_F(FerrowGetTest, ListPrintsTheEntriesOfAnFtpFolder) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  fs::create_directories(ftp.Root() / "pub" / "sub");
  test::WritePatternFile(ftp.Root() / "pub" / "file.bin", 12'345);

  ASSERT_EQ(Run({"--list", ftp.Url("/pub/")}), 0) << m_output;
  // "TYPE SIZE DATE TIME NAME", one entry a line, nothing for "." or "..".
  std::vector<std::string> entries;
  std::istringstream lines(m_output);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("d ") || line.starts_with("- ")) entries.push_back(line);
  ASSERT_EQ(entries.size(), 2u) << m_output;
  std::sort(entries.begin(), entries.end());
  EXPECT_TRUE(entries[0].starts_with("- ") && entries[0].ends_with("  file.bin")) << m_output;
  EXPECT_NE(entries[0].find(" 12345  "), std::string::npos) << m_output;
  EXPECT_TRUE(entries[1].starts_with("d ") && entries[1].ends_with("  sub")) << m_output;
  EXPECT_FALSE(fs::exists(m_folder / "pub")) << "--list downloads nothing";

  EXPECT_EQ(Run({"--list", ftp.Url("/missing/")}), 1) << m_output;
  EXPECT_NE(m_output.find("failed"), std::string::npos) << m_output;
  EXPECT_EQ(Run({"--list", "http://127.0.0.1/pub/"}), 2) << m_output;
  EXPECT_EQ(Run({"--list", ftp.Url("/pub/"), ftp.Url("/pub/file.bin")}), 2) << m_output;
}

TEST_F(FerrowGetTest, PlainOutputWhenNotATerminal) {
  test::NginxServer nginx({.limitRate = 256 << 10});
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "slow.bin", 1'600'000);
  ASSERT_EQ(Run({"-n", "1", nginx.Url("/slow.bin")}), 0) << m_output;
  // No cursor movements in a log file; a progress line and the completion line.
  EXPECT_EQ(m_output.find('\x1b'), std::string::npos);
  EXPECT_NE(m_output.find("total: "), std::string::npos) << m_output;
  EXPECT_NE(m_output.find("slow.bin: completed"), std::string::npos) << m_output;
}

// Trust boundary: the terminal. Names, URLs and messages that come from a URL or a server reach
// it with their control characters escaped, passwords typed by the user are never repeated, and
// a restart is explained.
TEST_F(FerrowGetTest, TextsFromUrlsAndServersArePrintedSafely) {
  test::ScriptedServer http("fault_http", {"--size", "2000000", "--etag", "--change-after", "1"});
  FERROW_START_OR_SKIP(http);
  ASSERT_EQ(Run({"-n", "2", http.Url("/a%1b%5b2Jb%9b.bin")}), 0) << m_output;
  EXPECT_EQ(m_output.find('\x1b'), std::string::npos) << m_output;
  EXPECT_EQ(m_output.find("\xc2\x9b"), std::string::npos) << m_output;
  EXPECT_TRUE(fs::exists(m_folder / "a_[2Jb_.bin"));
  EXPECT_NE(m_output.find("changed on the server"), std::string::npos) << m_output;

  test::WriteFileBytes(m_folder / "urls.txt", "gopher://me:hunter2@h/x\n");
  EXPECT_EQ(Run({"-i", "urls.txt", "gopher://me:hunter2@h/x"}), 2);
  EXPECT_EQ(Run({"-i", "urls.txt", "--socks5", "me:hunter2@h", http.Url("/b.bin")}), 2);
  EXPECT_EQ(m_output.find("hunter2"), std::string::npos) << m_output;
  EXPECT_NE(m_output.find("me:***@h"), std::string::npos) << m_output;
}

// No password reaches what ferrow-get prints, its protocol trace (FERROW_DEBUG) included: not
// the one in an address, nor one in the address a server redirects to, nor a stored login, nor
// a proxy's. The credentials still work: every run completes.
TEST_F(FerrowGetTest, NoPasswordReachesTheOutputOrTheTrace) {
  test::FtpServer ftp({.user = "stored", .password = "StoredSecret3"});
  FERROW_START_OR_SKIP(ftp);
  test::WriteFileBytes(ftp.Root() / "f.bin", test::PatternBytes(0, 30000));
  // The stored login is for "localhost", so that it takes the place of the credentials in the
  // FTP address and leaves those of the HTTP one (127.0.0.1) alone.
  const std::string ftpHost = "localhost:" + std::to_string(ftp.Port());
  test::ScriptedServer http("fault_http",
                            {"--size", "30000", "--auth", "user:UrlSecret1", "--redirect",
                             "/r=302:ftp://x:FtpSecret2@" + ftpHost + "/f.bin"});
  FERROW_START_OR_SKIP(http);
  test::ScriptedServer upstream("fault_http", {"--size", "30000"});
  FERROW_START_OR_SKIP(upstream);
  test::HttpProxy proxy;
  FERROW_START_OR_SKIP(proxy);
  test::SocksProxy socks({.user = "s", .password = "SocksSecret4"});
  FERROW_START_OR_SKIP(socks);

  CSettings settings;
  settings.SetDefaults();
  settings.m_siteLogins.SetLogin(L"localhost", L"stored", L"StoredSecret3", true);
  ASSERT_TRUE(settings.Save());
  setenv("FERROW_DEBUG", "1", 1);
  std::string everything;
  const std::string address = http.Url("/r");
  EXPECT_EQ(Run({"-o", "a.bin", "http://user:UrlSecret1@" + address.substr(7)}), 0) << m_output;
  everything += m_output;
  EXPECT_NE(m_output.find("redirected to ftp://x:****@"), std::string::npos) << m_output;
  EXPECT_NE(m_output.find("Authorization: Basic ****"), std::string::npos) << m_output;
  EXPECT_NE(m_output.find("PASS ****"), std::string::npos) << m_output;
  EXPECT_EQ(Run({"-v", "--list", "ftp://" + ftpHost + "/"}), 0) << m_output;
  everything += m_output;

  settings.m_httpProxy.m_enabled = true;
  settings.m_httpProxy.m_server = L"127.0.0.1";
  settings.m_httpProxy.m_port = proxy.Port();
  settings.m_httpProxy.m_user = L"p";
  settings.m_httpProxy.m_password = L"HttpProxySecret5";
  ASSERT_TRUE(settings.Save());
  EXPECT_EQ(
      Run({"-o", "b.bin", "--socks5", "s:SocksSecret4@127.0.0.1:" + std::to_string(socks.Port()),
           upstream.Url("/f.bin")}),
      0)
      << m_output;
  everything += m_output;
  unsetenv("FERROW_DEBUG");
  EXPECT_TRUE(SameAsPattern(m_folder / "a.bin", 30000));
  EXPECT_TRUE(SameAsPattern(m_folder / "b.bin", 30000));

  const std::string basic = WideToUtf8(CInternetURL::Base64(L"user:UrlSecret1"));
  for (const std::string& secret :
       {std::string("UrlSecret1"), std::string("FtpSecret2"), std::string("StoredSecret3"),
        std::string("SocksSecret4"), std::string("HttpProxySecret5"), basic}) {
    EXPECT_EQ(everything.find(secret), std::string::npos) << secret << " in:\n" << everything;
  }
}

// https:// end to end: a run killed with SIGKILL resumes, a certificate nobody vouches for
// stops the download with its own message until --ca-certificate names the authority, and
// --insecure takes any certificate but says so on every line about the download.
TEST_F(FerrowGetTest, HttpsResumesAfterAKillAndTellsCertificateProblems) {
  const test::TestCertificates& certs = test::TestCertificates::Get();
  if (!certs.Ok()) FERROW_SKIP_OR_FAIL(certs.Error());
  constexpr uint64_t kSize = 6u << 20;
  test::NginxServer nginx(
      {.limitRate = 1 << 20, .tlsCertificate = certs.ServerCert(), .tlsKey = certs.Key()});
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "big.bin", kSize);
  const std::string trust = "--ca-certificate=" + certs.Authority().string();

  EXPECT_EQ(Run({"--retries", "3", nginx.Url("/big.bin")}), 1);
  EXPECT_NE(m_output.find("certificate is not trusted"), std::string::npos) << m_output;
  EXPECT_NE(m_output.find("5/1"), std::string::npos) << m_output;
  EXPECT_FALSE(fs::exists(m_folder / "big.bin.fr"));

  const std::vector<std::string> command = {"-n", "3", trust, nginx.Url("/big.bin")};
  ProgramRun first;
  ASSERT_TRUE(first.Start(command, m_folder, DataHome()));
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!fs::exists(m_folder / "big.bin.fr") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
  std::this_thread::sleep_for(1500ms);
  first.Signal(SIGKILL);
  first.Wait();
  ASSERT_TRUE(fs::exists(m_folder / "big.bin.fr"));
  EXPECT_EQ(Run(command), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "big.bin", kSize));
  // The second run asked only for what was missing: every part's request named an offset.
  nginx.WaitForRequests(8, 10s);
  long long sent = 0;
  for (const test::AccessLogEntry& entry : nginx.AccessLog()) sent += entry.bodyBytesSent;
  EXPECT_LT(sent, static_cast<long long>(kSize) * 3 / 2);
  fs::remove(m_folder / "big.bin");

  test::WritePatternFile(nginx.Root() / "small.bin", 5000);
  EXPECT_EQ(Run({"--insecure", nginx.Url("/small.bin")}), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "small.bin", 5000));
  EXPECT_NE(m_output.find("small.bin [insecure: certificates not checked]: completed"),
            std::string::npos)
      << m_output;
}

// ftps:// to vsftpd that requires TLS: a download in parts and a folder listing.
TEST_F(FerrowGetTest, FtpsDownloadsAndListsFromAServerThatRequiresTls) {
  const test::TestCertificates& certs = test::TestCertificates::Get();
  if (!certs.Ok()) FERROW_SKIP_OR_FAIL(certs.Error());
  test::VsftpdServer vsftpd({.tlsCertificate = certs.ServerCert(), .tlsKey = certs.Key()});
  FERROW_START_OR_SKIP(vsftpd);
  test::WritePatternFile(vsftpd.Root() / "tls.bin", 700'001);
  fs::permissions(vsftpd.Root() / "tls.bin", fs::perms::others_read, fs::perm_options::add);
  const std::string trust = "--ca-certificate=" + certs.Authority().string();
  EXPECT_EQ(Run({"-n", "3", trust, vsftpd.Url("/tls.bin")}), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "tls.bin", 700'001));
  EXPECT_EQ(Run({trust, "--list", vsftpd.Url("/")}), 0) << m_output;
  EXPECT_NE(m_output.find("  tls.bin"), std::string::npos) << m_output;
}

}  // namespace
}  // namespace ferrow
