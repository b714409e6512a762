// Downloads over TLS with the real HTTP client against nginx: whole files in any number of
// parts, one full handshake per download, and certificates that must stop a download.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/file_transfer.h"
#include "net/log_info.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/http_proxy.h"
#include "tests/support/nginx_server.h"
#include "tests/support/socks_proxy.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

class HttpsTransferTest : public test::RealTransferTest {
 protected:
  void SetUp() override {
    test::RealTransferTest::SetUp();
    const test::TestCertificates& certs = test::TestCertificates::Get();
    if (!certs.Ok()) FERROW_SKIP_OR_FAIL(certs.Error());
    m_settings.SetTlsOptions({.extraAuthority = certs.Authority().string()});
  }
  static test::NginxOptions Serving(const std::filesystem::path& certificate) {
    return {.tlsCertificate = certificate, .tlsKey = test::TestCertificates::Get().Key()};
  }
  static std::string Notices(CFileTransfer& transfer) {
    std::string text;
    for (const CLogInfo& line : transfer.Log().Lines())
      if (line.Kind() == LogKind::kNotice) text += WideToUtf8(line.Text()) + "\n";
    return text;
  }
};

TEST_F(HttpsTransferTest, PartsResumeOneSessionAndFinishByteIdentical) {
  test::NginxServer nginx(Serving(test::TestCertificates::Get().ServerCert()));
  FERROW_START_OR_SKIP(nginx);
  const std::string content = test::PatternBytes(0, 3'000'017);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  size_t logged = 0;
  for (int32_t parts : {1, 4, 16}) {
    SCOPED_TRACE(parts);
    m_settings.SetMaxThreads(parts);
    auto transfer = Run(nginx.Url("/file.bin"));
    ExpectFile(*transfer, content);
    std::filesystem::remove(Target());
    // The query's answer is the first part's data; every other part (and a part that takes
    // over a range) resumes that connection's session: one full handshake per download.
    ASSERT_TRUE(nginx.WaitForRequests(logged + parts, std::chrono::seconds(10)));
    const auto log = nginx.AccessLog();
    int full = 0;
    for (size_t i = logged; i < log.size(); ++i) full += log[i].sessionReused ? 0 : 1;
    EXPECT_EQ(full, 1);
    logged = log.size();
  }
}

TEST_F(HttpsTransferTest, BadCertificatesFailWithTheirOwnErrorAndFetchNothing) {
  const test::TestCertificates& certs = test::TestCertificates::Get();
  struct Case {
    std::filesystem::path certificate;
    uint16_t code;
  };
  for (const Case& c : {Case{certs.ExpiredCert(), TlsCode::kExpired},
                        Case{certs.OtherHostCert(), TlsCode::kWrongHost},
                        Case{certs.UnknownAuthorityCert(), TlsCode::kNotTrusted}}) {
    SCOPED_TRACE(c.certificate.filename().string());
    test::NginxServer nginx(Serving(c.certificate));
    FERROW_START_OR_SKIP(nginx);
    test::WritePatternFile(nginx.Root() / "file.bin", 100000);
    m_settings.SetRetryAttempts(3);
    auto transfer = Run(nginx.Url("/file.bin"));
    EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryTls, c.code)) << Notices(*transfer);
    // Not retried: one attempt, and no request ever reached the server.
    EXPECT_EQ(transfer->Master().Attempts(), 1);
    EXPECT_TRUE(nginx.AccessLog().empty());
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_FALSE(std::filesystem::exists(Temporary()));
    EXPECT_NE(Notices(*transfer).find("The secure connection to 127.0.0.1 failed"),
              std::string::npos);
  }
}

TEST_F(HttpsTransferTest, TheSystemStoreAloneDoesNotTrustTheTestAuthorityUnlessVerifyingIsOff) {
  test::NginxServer nginx(Serving(test::TestCertificates::Get().ServerCert()));
  FERROW_START_OR_SKIP(nginx);
  const std::string content = test::PatternBytes(0, 70000);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetTlsOptions({});
  auto refused = Run(nginx.Url("/file.bin"));
  EXPECT_EQ(refused->Master().Error(), MakeError(kCategoryTls, TlsCode::kNotTrusted));
  m_settings.SetTlsOptions({.verify = false});
  auto taken = Run(nginx.Url("/file.bin"));
  ExpectFile(*taken, content);
}

TEST_F(HttpsTransferTest, ThroughTheHttpProxyAsATunnelAndThroughSocks) {
  test::NginxServer nginx(Serving(test::TestCertificates::Get().ServerCert()));
  FERROW_START_OR_SKIP(nginx);
  test::HttpProxy http;
  FERROW_START_OR_SKIP(http);
  test::SocksProxy socks;
  FERROW_START_OR_SKIP(socks);
  const std::string content = test::PatternBytes(0, 1'000'003);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetMaxThreads(3);

  CProxyInfo proxy;
  proxy.m_enabled = true;
  proxy.m_server = L"127.0.0.1";
  proxy.m_port = http.Port();
  proxy.m_user = L"proxyuser";
  proxy.m_password = L"proxysecret";
  m_settings.SetHttpProxy(proxy);
  ExpectFile(*Run(nginx.Url("/file.bin")), content);
  // Only tunnels went through the proxy; it never saw a request for the file.
  for (const std::string& line : http.RequestLines()) {
    EXPECT_EQ(line.rfind("CONNECT 127.0.0.1:" + std::to_string(nginx.Port()), 0), 0u) << line;
    EXPECT_EQ(line.find("proxysecret"), std::string::npos);
  }
  EXPECT_FALSE(http.RequestLines().empty());
  std::filesystem::remove(Target());

  m_settings.SetHttpProxy(CProxyInfo());
  proxy.m_port = socks.Port();
  proxy.m_user.clear();
  proxy.m_password.clear();
  m_settings.SetSocksProxy(proxy);
  ExpectFile(*Run(nginx.Url("/file.bin")), content);
}

}  // namespace
}  // namespace ferrow
