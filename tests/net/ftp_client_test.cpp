#include "net/ftp_client.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "net/file_listing.h"
#include "net/ftp_reply.h"
#include "platform/local_time.h"
#include "tests/net/client_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"
#include "tests/support/vsftpd_server.h"

namespace ferrow {
namespace {

using namespace std::chrono_literals;
using test::FtpServer;
using test::PatternBytes;
using test::ScriptedServer;
using test::VsftpdServer;

constexpr int64_t kDate = 1445412525;  // 2015-10-21 07:28:45 UTC

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

uint64_t Local(int year, int month, int day, int hour, int minute, int second) {
  LocalDateTime time{year, month, day, hour, minute, second};
  int64_t seconds = 0;
  EXPECT_TRUE(LocalTimeToUnix(time, seconds));
  return static_cast<uint64_t>(seconds);
}

void WriteDatedPatternFile(const std::filesystem::path& file, uint64_t size) {
  std::filesystem::create_directories(file.parent_path());
  test::WritePatternFile(file, size);
  chmod(file.c_str(), 0644);
  timespec times[2] = {{kDate, 0}, {kDate, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

std::string FaultUrl(const ScriptedServer& server, const std::string& path) {
  return "ftp://127.0.0.1:" + std::to_string(server.Port()) + path;
}

class FtpClientTest : public test::ClientTest {
 protected:
  bool Start(CFtpClient& client, const std::string& url) {
    return client.Open(Wide(url)) && client.Connect() && client.Login();
  }

  // The log lines as text, each with its kind in front ("1 USER anonymous\r\n").
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    for (const CLogInfo& line : m_log.Lines()) {
      std::string text(line.Text().begin(), line.Text().end());
      lines.push_back(std::to_string(LogKindNumber(line.Kind())) + " " + text);
    }
    return lines;
  }

  size_t LogEvents() {
    size_t count = 0;
    uint32_t code;
    while (m_events.Take(code)) count += code == EventNumber(TransferEvent::kLog) ? 1 : 0;
    return count;
  }
};

// --- Reply values ---------------------------------------------------------------------------

TEST(FtpReplyTest, PassiveAddress) {
  uint32_t address = 0;
  uint16_t port = 0;
  ASSERT_TRUE(ParsePassiveReply("Entering Passive Mode (10,0,0,5,4,1)\r\n", address, port));
  EXPECT_EQ(address, 0x0A000005u);
  EXPECT_EQ(port, 1025);
  EXPECT_TRUE(ParsePassiveReply("=(127, 0, 0, 1, 200, 10).", address, port));
  EXPECT_EQ(port, 200 * 256 + 10);
  for (const char* bad : {"Entering Passive Mode 10,0,0,5,4,1", "(10,0,0,5,4)", "(10,0,0,5,4,)",
                          "(10,0,0,256,4,1)", "(a,b,c,d,e,f)", "(1,2,3,4,5,6000)", "("})
    EXPECT_FALSE(ParsePassiveReply(bad, address, port)) << bad;
}

TEST(FtpReplyTest, ModificationTimeAndSize) {
  EXPECT_EQ(ParseModificationTimeReply("20151021072845\r\n"), Local(2015, 10, 21, 7, 28, 45));
  for (const char* bad : {"20151021072845", "20151021072845.123\r\n", "2015102107284\r\n",
                          "20151321072845\r\n", "20150229000000\r\n", "2015102107284x\r\n"})
    EXPECT_EQ(ParseModificationTimeReply(bad), ~uint64_t{0}) << bad;
  EXPECT_EQ(ParseModificationTimeReply("20160229000000\r\n"), Local(2016, 2, 29, 0, 0, 0));
  int64_t size = 0;
  EXPECT_TRUE(ParseSizeReply("123456789012\r\n", size));
  EXPECT_EQ(size, 123456789012);
  EXPECT_FALSE(ParseSizeReply("-5\r\n", size));
  EXPECT_FALSE(ParseSizeReply("none\r\n", size));
  EXPECT_FALSE(ParseSizeReply("99999999999999999999\r\n", size));
}

TEST(FtpReplyTest, NumberedLines) {
  uint32_t code = 0;
  EXPECT_TRUE(ParseReplyCode("220 Welcome\r\n", code));
  EXPECT_EQ(code, 220u);
  EXPECT_TRUE(ParseReplyCode("220-Welcome\r\n", code));
  EXPECT_TRUE(IsContinuedReplyLine("220-Welcome\r\n"));
  EXPECT_TRUE(ParseReplyCode("226\r\n", code));
  EXPECT_FALSE(ParseReplyCode(" 220 inner\r\n", code));
  EXPECT_FALSE(ParseReplyCode("2200 x\r\n", code));
  EXPECT_FALSE(ParseReplyCode("22\r\n", code));
}

TEST_F(FtpClientTest, StoredLoginOrAnonymous) {
  CFtpClient client(Context());
  client.Open(L"ftp://host.example/pub/a.zip");
  EXPECT_EQ(client.Url().User(), L"anonymous");
  EXPECT_EQ(client.Url().Password(), L"tester@example.org");
  CLoginList logins;
  logins.SetLogin(L"host.example", L"alice", L"pw", false);
  m_settings.SetSiteLogins(logins);
  client.Open(L"ftp://host.example/pub/a.zip");
  EXPECT_EQ(client.Url().User(), L"alice");
  EXPECT_EQ(client.Url().Password(), L"pw");
}

// --- pyftpdlib --------------------------------------------------------------------------------

TEST_F(FtpClientTest, AnonymousLoginQueryAndPassiveDownloadWithTheirLogLines) {
  FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  WriteDatedPatternFile(ftp.Root() / "pub" / "a.bin", 30000);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, ftp.Url("/pub/a.bin"))) << Error();
  ASSERT_TRUE(client.QueryInformation()) << Error();
  EXPECT_EQ(m_transfer.Size(), 30000u);
  EXPECT_EQ(m_transfer.Date(), Local(2015, 10, 21, 7, 28, 45));  // read as local time
  EXPECT_TRUE(client.ProbeResume());
  EXPECT_EQ(m_transfer.GetResumeMode(), ResumeMode::kResumable);
  client.Disconnect();

  CFtpClient part(Context());
  ASSERT_TRUE(Start(part, ftp.Url("/pub/a.bin")));
  CProxySocket* data = part.OpenData(0);
  ASSERT_NE(data, nullptr) << Error();
  std::string bytes = ReadBytes(*data, 30000);
  EXPECT_TRUE(bytes == PatternBytes(0, 30000));

  auto commands = ftp.Commands();
  std::vector<std::string> expected = {"USER anonymous",
                                       "PASS tester@example.org",
                                       "TYPE I",
                                       "SIZE /pub/a.bin",
                                       "MDTM /pub/a.bin",
                                       "REST 1",
                                       "USER anonymous",
                                       "PASS tester@example.org",
                                       "EPSV",
                                       "TYPE I",
                                       "REST 0",
                                       "RETR /pub/a.bin"};
  ASSERT_GE(commands.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + expected.size()),
            expected);

  // Every command and every reply line is in the log, each followed by its event.
  auto lines = LogLines();
  EXPECT_EQ(LogEvents(), lines.size());
  EXPECT_EQ(lines[0].substr(0, 6), "2 220 ");
  EXPECT_EQ(lines[1], "1 USER anonymous\r\n");
  EXPECT_EQ(lines[2].substr(0, 6), "2 331 ");
  EXPECT_EQ(lines[3], "1 PASS ****\r\n");  // passwords never reach a log
  size_t sent = static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == '1'; }));
  EXPECT_EQ(sent, expected.size());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1 RETR /pub/a.bin\r\n"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "2 213 30000\r\n"), lines.end());
}

TEST_F(FtpClientTest, UserLoginActiveModeRestAtAnOffset) {
  FtpServer ftp({.user = "alice", .password = "pw"});
  FERROW_START_OR_SKIP(ftp);
  WriteDatedPatternFile(ftp.Root() / "b.bin", 20000);
  m_settings.SetPassiveMode(false);
  m_transfer.SetResumeMode(ResumeMode::kResumable);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, ftp.Url("/b.bin", "alice", "pw"))) << Error();
  CProxySocket* data = client.OpenData(1000);
  ASSERT_NE(data, nullptr) << Error();
  std::string bytes = ReadBytes(*data, 19000);
  EXPECT_TRUE(bytes == PatternBytes(1000, 19000));
  auto commands = ftp.Commands();
  ASSERT_GE(commands.size(), 6u);
  EXPECT_EQ(commands[0], "USER alice");
  EXPECT_EQ(commands[1], "PASS pw");
  EXPECT_EQ(commands[2].substr(0, 5), "PORT ");
  EXPECT_EQ(commands[3], "TYPE I");
  EXPECT_EQ(commands[4], "REST 1000");
  EXPECT_EQ(commands[5], "RETR /b.bin");
}

TEST_F(FtpClientTest, WithoutRestartSupportNoRestIsSent) {
  FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  WriteDatedPatternFile(ftp.Root() / "c.bin", 100);
  m_transfer.SetResumeMode(ResumeMode::kNotResumable);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, ftp.Url("/c.bin")));
  CProxySocket* data = client.OpenData(0);
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(ReadBytes(*data, 100) == PatternBytes(0, 100));
  auto commands = ftp.Commands();
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                          [](const std::string& c) { return c.rfind("REST", 0) == 0; }),
            0);
}

TEST_F(FtpClientTest, WrongPasswordIsALoginFailure) {
  FtpServer ftp({.user = "alice", .password = "pw"});
  FERROW_START_OR_SKIP(ftp);
  CFtpClient client(Context());
  EXPECT_FALSE(Start(client, ftp.Url("/x", "alice", "wrong")));
  EXPECT_EQ(Error(), MakeError(kCategoryFtp, 530));
  EXPECT_TRUE(client.IsLoginFailure(Error()));
  EXPECT_FALSE(client.IsLoginFailure(MakeError(kCategoryHttp, 401)));
  EXPECT_NE(dynamic_cast<CFtpClient*>(client.Clone(Context()).get()), nullptr);
}

TEST_F(FtpClientTest, ListsAFolderTwiceOnOneConnection) {
  FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  WriteDatedPatternFile(ftp.Root() / "pub" / "one.bin", 10);
  WriteDatedPatternFile(ftp.Root() / "pub" / "two words.txt", 2000);
  std::filesystem::create_directories(ftp.Root() / "pub" / "sub");
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, ftp.Url("/pub")));
  for (int round = 0; round < 2; ++round) {
    CFileListing listing;
    ASSERT_TRUE(client.ListDirectory(listing)) << Error();
    ASSERT_EQ(listing.GetCount(), 4u);
    EXPECT_EQ(listing.GetAt(0).GetName(), L"..");
    EXPECT_EQ(listing.GetAt(0).GetType(), CEntryInfo::kTypeDirectory);
    std::vector<std::wstring> names;
    for (size_t i = 1; i < listing.GetCount(); ++i) names.push_back(listing.GetAt(i).GetName());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"one.bin", L"sub", L"two words.txt"}));
    for (size_t i = 1; i < listing.GetCount(); ++i) {
      const CEntryInfo& entry = listing.GetAt(i);
      EXPECT_EQ(entry.GetAddress(), Wide(ftp.Url("/pub/")) + entry.GetName());
      if (entry.GetName() == L"two words.txt") {
        EXPECT_EQ(entry.GetSize(), 2000);
      }
      if (entry.GetName() == L"sub") {
        EXPECT_EQ(entry.GetType(), CEntryInfo::kTypeDirectory);
      }
    }
  }
  auto commands = ftp.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "CWD /pub"), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "TYPE A"), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "LIST"), commands.end());
}

TEST_F(FtpClientTest, MissingFolderIsNotListed) {
  FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, ftp.Url("/nowhere")));
  CFileListing listing;
  listing.Add(CEntryInfo(L"old", CEntryInfo::kTypeFile));
  EXPECT_FALSE(client.ListDirectory(listing));
  EXPECT_TRUE(listing.IsEmpty());
  EXPECT_EQ(Error(), MakeError(kCategoryFtp, 550));
}

// --- vsftpd -----------------------------------------------------------------------------------

TEST_F(FtpClientTest, VsftpdAnonymousPassiveAndActive) {
  VsftpdServer ftp;
  FERROW_START_OR_SKIP(ftp);
  WriteDatedPatternFile(ftp.Root() / "v.bin", 40000);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, ftp.Url("/v.bin"))) << Error();
  ASSERT_TRUE(client.QueryInformation()) << Error();
  EXPECT_EQ(m_transfer.Size(), 40000u);
  EXPECT_EQ(m_transfer.Date(), Local(2015, 10, 21, 7, 28, 45));
  EXPECT_TRUE(client.ProbeResume());
  client.Disconnect();
  for (bool passive : {true, false}) {
    m_settings.SetPassiveMode(passive);
    CFtpClient part(Context());
    ASSERT_TRUE(Start(part, ftp.Url("/v.bin")));
    CProxySocket* data = part.OpenData(5000);
    ASSERT_NE(data, nullptr) << Error() << (passive ? " passive" : " active");
    EXPECT_TRUE(ReadBytes(*data, 35000) == PatternBytes(5000, 35000));
  }
  auto commands = ftp.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "REST 5000"), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "EPSV"), commands.end());
  EXPECT_NE(std::find_if(commands.begin(), commands.end(),
                         [](const std::string& c) { return c.rfind("PORT ", 0) == 0; }),
            commands.end());
}

// --- Scripted fault server --------------------------------------------------------------------

TEST_F(FtpClientTest, MultiLineRepliesAreReadToTheirEnd) {
  ScriptedServer ftp("fault_ftp",
                     {"--greeting-lines", "4", "--multiline", "USER", "--multiline", "TYPE"});
  FERROW_START_OR_SKIP(ftp);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, FaultUrl(ftp, "/file.bin"))) << Error();
  ASSERT_TRUE(client.QueryInformation()) << Error();
  EXPECT_EQ(m_transfer.Size(), 100000u);
  // USER goes out only after the whole greeting.
  auto log = ftp.LogLines("");
  auto user = std::find_if(log.begin(), log.end(), [](const std::string& l) {
    return l.find("COMMAND") == 0 && l.find("USER") != std::string::npos;
  });
  ASSERT_NE(user, log.end());
  EXPECT_NE((user - 1)->find("220 End"), std::string::npos);
  // The trap lines of the multi-line replies are logged like every other line.
  auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "2 123 not the end\r\n"), lines.end());
}

TEST_F(FtpClientTest, FaultServerCases) {
  struct Case {
    std::vector<std::string> switches;
    ErrorValue error;
    bool passesLogin;
  } cases[] = {
      {{"--login-530", "--no-anonymous"}, MakeError(kCategoryFtp, 530), false},
      {{"--size-550"}, MakeError(kCategoryFtp, 550), true},
      {{"--mdtm-550"}, MakeError(kCategoryFtp, 550), true},
  };
  for (const Case& c : cases) {
    ScriptedServer ftp("fault_ftp", c.switches);
    FERROW_START_OR_SKIP(ftp);
    CFtpClient client(Context());
    m_transfer.ClearError();
    bool loggedIn = Start(client, FaultUrl(ftp, "/file.bin"));
    EXPECT_EQ(loggedIn, c.passesLogin) << c.switches[0];
    if (loggedIn) {
      EXPECT_FALSE(client.QueryInformation()) << c.switches[0];
    }
    EXPECT_EQ(Error(), c.error) << c.switches[0];
    EXPECT_FALSE(client.IsRetryable(Error()));
  }
}

TEST_F(FtpClientTest, LoggedInByUserIsNotSentPass) {
  ScriptedServer ftp("fault_ftp", {"--user-230"});
  FERROW_START_OR_SKIP(ftp);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, FaultUrl(ftp, "/file.bin"))) << Error();
  ASSERT_TRUE(client.QueryInformation());
  for (const std::string& line : ftp.LogLines("COMMAND "))
    EXPECT_EQ(line.find("PASS"), std::string::npos) << line;
}

TEST_F(FtpClientTest, RefusedRestMeansOnePartWithoutError) {
  ScriptedServer ftp("fault_ftp", {"--rest-refused", "--size", "3000"});
  FERROW_START_OR_SKIP(ftp);
  m_transfer.SetParts(4);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, FaultUrl(ftp, "/file.bin")));
  EXPECT_FALSE(client.ProbeResume());
  EXPECT_EQ(Error(), 0u);
  EXPECT_EQ(m_transfer.GetResumeMode(), ResumeMode::kNotResumable);
  EXPECT_EQ(m_transfer.Parts(), 1);
  CProxySocket* data = client.OpenData(0);
  ASSERT_NE(data, nullptr) << Error();
  EXPECT_TRUE(ReadBytes(*data, 3000) == PatternBytes(0, 3000));
}

TEST_F(FtpClientTest, MalformedPassiveRepliesFailWithTheirCode) {
  for (const char* kind : {"short", "no-numbers", "out-of-range"}) {
    ScriptedServer ftp("fault_ftp", {"--bad-pasv", kind});
    FERROW_START_OR_SKIP(ftp);
    CFtpClient client(Context());
    m_transfer.ClearError();
    ASSERT_TRUE(Start(client, FaultUrl(ftp, "/file.bin")));
    EXPECT_EQ(client.OpenData(0), nullptr) << kind;
    EXPECT_EQ(Error(), MakeError(kCategoryFtp, 227)) << kind;
  }
}

// Paths go to the server decoded ("%20" is a space); a decoded line end or NUL never does.
TEST_F(FtpClientTest, PathsAreSentDecodedAndALineEndIsRefused) {
  ScriptedServer ftp("fault_ftp");
  FERROW_START_OR_SKIP(ftp);
  CFtpClient client(Context());
  ASSERT_TRUE(Start(client, FaultUrl(ftp, "/my%20file.bin")));
  ASSERT_TRUE(client.QueryInformation()) << Error();
  std::vector<std::string> commands = ftp.LogLines("COMMAND ");
  EXPECT_NE(std::find_if(commands.begin(), commands.end(),
                         [](const std::string& l) { return l.ends_with("SIZE /my file.bin"); }),
            commands.end());
  for (std::wstring tail : {L"\r\nDELE /important", L"%0d%0aDELE%20/important", L"%00x"}) {
    ASSERT_TRUE(client.Open(Wide(FaultUrl(ftp, "/a.bin")) + tail));
    EXPECT_FALSE(client.QueryInformation());
    EXPECT_EQ(Error(), MakeError(kCategorySystem, SystemCode::kInvalidName));
  }
  for (const std::string& line : ftp.LogLines("COMMAND ")) {
    EXPECT_EQ(line.find("DELE"), std::string::npos) << line;
    EXPECT_EQ(line.find("SIZE /a.bin"), std::string::npos) << line;
  }
}

TEST_F(FtpClientTest, StopEndsAGreetingWaitAtOnce) {
  ScriptedServer ftp("fault_ftp", {"--stall"});
  FERROW_START_OR_SKIP(ftp);
  CFtpClient client(Context());
  ASSERT_TRUE(client.Open(Wide(FaultUrl(ftp, "/file.bin"))) && client.Connect());
  std::chrono::milliseconds afterStop{};
  EXPECT_FALSE(RunAndStop([&] { return client.Login(); }, 200ms, afterStop));
  EXPECT_EQ(Error(), kCancelledError);
  EXPECT_LT(afterStop, 2s);
}

}  // namespace
}  // namespace ferrow
