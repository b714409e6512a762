// Bodies without a length, downloaded whole as one stream: chunked coding and bodies that end
// with their connection, against the scripted server. A download is complete only when the
// body ended as its coding says, and then the file is exactly what was sent.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/file_transfer.h"
#include "net/log_info.h"
#include "platform/text.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using UnknownLengthTest = test::RealTransferTest;

TEST_F(UnknownLengthTest, ChunkedAndCloseDelimitedBodiesArriveWhole) {
  m_settings.SetMaxThreads(8);  // one stream whatever the setting
  for (uint64_t size : {uint64_t{0}, uint64_t{1}, uint64_t{70000}, uint64_t{3'000'001}}) {
    for (const char* coding : {"--chunked", "--no-content-length"}) {
      SCOPED_TRACE(std::string(coding) + " " + std::to_string(size));
      // A range answered would tell the size: the close-delimited body comes as a 200.
      test::ScriptedServer http("fault_http",
                                {coding, "--ignore-range", "--size", std::to_string(size)});
      FERROW_START_OR_SKIP(http);
      auto transfer = Start(http.Url("/file.bin"));
      transfer->Wait();
      ExpectFile(*transfer, test::PatternBytes(0, size));
      EXPECT_EQ(transfer->Master().Size(), size);
      // The query's answer is the one stream.
      EXPECT_EQ(http.LogLines("RESPONSE").size(), 1u);
      std::filesystem::remove(Target());
    }
  }
}

TEST_F(UnknownLengthTest, HostileOrCutChunkedBodiesFailAndAreNeverFinished) {
  m_settings.SetRetryAttempts(2);
  struct Case {
    std::vector<std::string> switches;
    ErrorValue error;
  };
  for (const Case& c :
       {Case{{"--chunk-size-line", "ffffffffffffffffff"},
             MakeError(kCategorySystem, SystemCode::kInvalidData)},
        Case{{"--chunked-cut", "150000"}, MakeError(kCategorySocket, SocketCode::kDisconnected)}}) {
    SCOPED_TRACE(c.switches[0]);
    std::vector<std::string> switches = {"--chunked", "--size", "300000"};
    switches.insert(switches.end(), c.switches.begin(), c.switches.end());
    test::ScriptedServer http("fault_http", switches);
    FERROW_START_OR_SKIP(http);
    auto first = Run(http.Url("/file.bin"));
    EXPECT_EQ(first->Master().Error(), c.error);
    EXPECT_EQ(first->Master().Status(), DownloadStatus::kFailed);
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_EQ(first->Master().Size(), kUnknownSize);
  }
  // A second start of a cut stream begins at byte 0 again and says why.
  test::ScriptedServer http("fault_http",
                            {"--chunked", "--size", "300000", "--chunked-cut", "150000"});
  FERROW_START_OR_SKIP(http);
  Run(http.Url("/file.bin"));
  auto again = Run(http.Url("/file.bin"));
  bool told = false;
  for (const CLogInfo& line : again->Log().Lines())
    told = told ||
           WideToUtf8(line.Text()).find("does not tell the file's length") != std::string::npos;
  EXPECT_TRUE(told);
}

// http:// that moves to https:// is followed; the download ends encrypted.
TEST_F(UnknownLengthTest, RedirectFromHttpToHttpsIsFollowed) {
  const test::TestCertificates& certs = test::TestCertificates::Get();
  if (!certs.Ok()) FERROW_SKIP_OR_FAIL(certs.Error());
  test::NginxServer secure({.tlsCertificate = certs.ServerCert(), .tlsKey = certs.Key()});
  FERROW_START_OR_SKIP(secure);
  const std::string content = test::PatternBytes(0, 500000);
  test::WriteFileBytes(secure.Root() / "file.bin", content);
  test::NginxServer plain({.redirects = {{"/file.bin", 301, secure.Url("/file.bin")}}});
  FERROW_START_OR_SKIP(plain);
  m_settings.SetTlsOptions({.extraAuthority = certs.Authority().string()});
  m_settings.SetMaxThreads(2);
  auto transfer = Run(plain.Url("/file.bin"));
  ExpectFile(*transfer, content);
  EXPECT_EQ(WideToUtf8(transfer->Master().Url()), secure.Url("/file.bin"));
}

}  // namespace
}  // namespace ferrow
