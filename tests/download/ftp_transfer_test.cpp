// Segmented transfers with the real FTP client against pyftpdlib, vsftpd and the scripted
// fault server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "download/file_transfer.h"
#include "download/resume_block.h"
#include "net/log_info.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_data.h"
#include "tests/support/vsftpd_server.h"

namespace ferrow {
namespace {

std::string FtpUrl(const test::ScriptedServer& server) {
  return "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/file.bin";
}

using test::WaitUntil;

class FtpTransferTest : public test::RealTransferTest {};

TEST_F(FtpTransferTest, FilesFinishByteIdentical) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  struct Case {
    uint64_t size;
    int32_t threads;
  };
  for (Case c : {Case{0, 4}, Case{10, 3}, Case{1, 64}, Case{2000003, 8}}) {
    SCOPED_TRACE(c.size);
    std::string content = test::PatternBytes(0, c.size);
    test::WriteFileBytes(ftp.Root() / "file.bin", content);
    m_settings.SetMaxThreads(c.threads);
    auto transfer = Run(ftp.Url("/file.bin", "user", "secret"));
    ExpectFile(*transfer, content);
    std::filesystem::remove(Target());
  }
}

TEST_F(FtpTransferTest, VsftpdAnonymousInParts) {
  test::VsftpdServer vsftpd;
  FERROW_START_OR_SKIP(vsftpd);
  std::string content = test::PatternBytes(0, 1000001);
  test::WriteFileBytes(vsftpd.Root() / "file.bin", content);
  std::filesystem::permissions(vsftpd.Root() / "file.bin", std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  m_settings.SetMaxThreads(4);
  auto transfer = Run(vsftpd.Url("/file.bin"));
  ExpectFile(*transfer, content);
}

// Explicit FTPS against vsftpd that requires TLS for logins and data and that the data
// connections resume the control connection's session: several parts, each encrypted.
TEST_F(FtpTransferTest, VsftpdWithTlsRequiredInParts) {
  const test::TestCertificates& certs = test::TestCertificates::Get();
  if (!certs.Ok()) FERROW_SKIP_OR_FAIL(certs.Error());
  test::VsftpdServer vsftpd({.tlsCertificate = certs.ServerCert(), .tlsKey = certs.Key()});
  FERROW_START_OR_SKIP(vsftpd);
  std::string content = test::PatternBytes(0, 1000001);
  test::WriteFileBytes(vsftpd.Root() / "file.bin", content);
  std::filesystem::permissions(vsftpd.Root() / "file.bin", std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  m_settings.SetTlsOptions({.extraAuthority = certs.Authority().string()});
  m_settings.SetMaxThreads(3);
  auto transfer = Run(vsftpd.Url("/file.bin"));
  ExpectFile(*transfer, content);
  const std::vector<std::string> commands = vsftpd.Commands();
  // The query and 3 parts, and any part that takes over the back of another's range: every
  // control connection encrypted, every data connection protected.
  const auto auth = std::count(commands.begin(), commands.end(), "AUTH TLS");
  EXPECT_GE(auth, 4);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "PROT P"), auth);
  // No data connection was refused for a session that was not resumed (the reply's code in
  // quotes: a process number may hold the same digits).
  EXPECT_EQ(vsftpd.Log().find("\"522 "), std::string::npos);
}

TEST_F(FtpTransferTest, StopThenStartFetchesOnlyTheMissingBytes) {
  test::ScriptedServer ftp("fault_ftp", {"--size", "2000000", "--slow", "16384:10"});
  FERROW_START_OR_SKIP(ftp);
  m_settings.SetMaxThreads(4);
  auto first = Start(FtpUrl(ftp));
  ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > 300000; }));
  first->Stop();
  CResumeBlock block;
  ASSERT_EQ(block.OpenExisting(Utf8ToWide(Temporary().string())), 0u);
  std::vector<std::string> expected;
  std::vector<std::pair<uint64_t, uint64_t>> missing;
  for (int32_t i = 0; i < block.Parts(); ++i) {
    expected.push_back("REST " + std::to_string(block.PartStart(i) + block.PartDone(i)));
    missing.emplace_back(block.PartStart(i) + block.PartDone(i),
                         block.PartStart(i) + block.PartLength(i));
  }
  block.Close();
  ASSERT_TRUE(ftp.Restart({"--size", "2000000"}));
  size_t before = ftp.LogLines("COMMAND ").size();
  auto second = Run(FtpUrl(ftp));
  ExpectFile(*second, test::PatternBytes(0, 2000000));
  std::vector<std::string> commands = ftp.LogLines("COMMAND ");
  std::vector<std::string> rests;
  for (size_t i = before; i < commands.size(); ++i) {
    size_t at = commands[i].find("REST ");
    if (at != std::string::npos && commands[i].substr(at) != "REST 1") {
      rests.push_back(commands[i].substr(at));
    }
  }
  // Every part goes on where it stopped; more requests only where an idle part took over the
  // back of a missing range.
  for (const std::string& rest : expected)
    EXPECT_NE(std::find(rests.begin(), rests.end(), rest), rests.end()) << rest;
  for (const std::string& rest : rests) {
    uint64_t offset = std::stoull(rest.substr(5));
    EXPECT_TRUE(std::any_of(missing.begin(), missing.end(), [offset](const auto& span) {
      return offset >= span.first && offset < span.second;
    })) << rest;
  }
}

TEST_F(FtpTransferTest, ResetDataConnectionsAreRetriedAndResumed) {
  test::ScriptedServer ftp("fault_ftp",
                           {"--size", "300000", "--reset-after", "20000", "--reset-count", "3"});
  FERROW_START_OR_SKIP(ftp);
  m_settings.SetMaxThreads(2);
  m_settings.SetRetryAttempts(10);
  auto transfer = Run(FtpUrl(ftp));
  ExpectFile(*transfer, test::PatternBytes(0, 300000));
}

TEST_F(FtpTransferTest, RefusedLoginWaitsInLoginRequired) {
  test::ScriptedServer ftp("fault_ftp", {"--size", "1000", "--login-530"});
  FERROW_START_OR_SKIP(ftp);
  auto transfer = Start(FtpUrl(ftp));
  ASSERT_TRUE(
      WaitUntil([&] { return transfer->Master().Status() == DownloadStatus::kLoginRequired; }));
  transfer->Resume(0);
  transfer->Wait();
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryFtp, 530));
}

TEST_F(FtpTransferTest, ServerWithoutRestGetsOnePartFromTheStart) {
  test::ScriptedServer ftp("fault_ftp", {"--size", "100000", "--rest-refused"});
  FERROW_START_OR_SKIP(ftp);
  m_settings.SetMaxThreads(8);
  auto transfer = Run(FtpUrl(ftp));
  ExpectFile(*transfer, test::PatternBytes(0, 100000));
  EXPECT_EQ(transfer->Master().Parts(), 1);
}

// Trust boundary: the passive reply. Only its port is used; the data connection goes to the
// control connection's host (the reply's 127.0.0.2 has no listener), and the log says so.
TEST_F(FtpTransferTest, PassiveReplyNamingAnotherHostIsNotFollowed) {
  test::ScriptedServer ftp("fault_ftp", {"--size", "100000", "--pasv-address", "127.0.0.2"});
  FERROW_START_OR_SKIP(ftp);
  m_settings.SetMaxThreads(2);
  auto transfer = Run(FtpUrl(ftp));
  ExpectFile(*transfer, test::PatternBytes(0, 100000));
  bool noticed = false;
  for (const CLogInfo& line : transfer->Log().Lines())
    noticed = noticed || line.Text().find(L"127.0.0.2") != std::wstring::npos;
  EXPECT_TRUE(noticed);
}

TEST_F(FtpTransferTest, SilentDataConnectionTimesOut) {
  test::ScriptedServer ftp("fault_ftp", {"--size", "100000", "--stall-data"});
  FERROW_START_OR_SKIP(ftp);
  m_settings.SetStallTimeout(400);
  m_settings.SetRetryAttempts(2);
  auto transfer = Run(FtpUrl(ftp));
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategorySocket, SocketCode::kTimedOut));
  EXPECT_EQ(ftp.LogLines("STALL ").size(), 2u);
}

}  // namespace
}  // namespace ferrow
