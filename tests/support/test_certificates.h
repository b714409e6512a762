#pragma once
// A test certificate authority and server certificates, made with the openssl command in a
// folder of their own: a good certificate for localhost, 127.0.0.1 and ::1, the same names
// expired, one for another host, and one from an authority nobody trusts. Made once per test
// program (they take a moment) and removed at its end.
//
//   const TestCertificates& certs = TestCertificates::Get();
//   ASSERT_TRUE(certs.Ok()) << certs.Error();
//   NginxServer nginx({.tlsCertificate = certs.ServerCert(), .tlsKey = certs.Key()});
#include <filesystem>
#include <string>

namespace ferrow::test {

class TestCertificates {
 public:
  static const TestCertificates& Get();

  bool Ok() const { return m_error.empty(); }
  const std::string& Error() const { return m_error; }
  // The authority's certificate: what a client trusts (--ca-certificate).
  std::filesystem::path Authority() const { return m_dir / "ca.pem"; }
  // The one key of every server certificate below.
  std::filesystem::path Key() const { return m_dir / "server.key"; }
  std::filesystem::path ServerCert() const { return m_dir / "server.pem"; }
  std::filesystem::path ExpiredCert() const { return m_dir / "expired.pem"; }
  std::filesystem::path OtherHostCert() const { return m_dir / "other-host.pem"; }
  std::filesystem::path UnknownAuthorityCert() const { return m_dir / "unknown-ca-server.pem"; }

 private:
  TestCertificates();
  ~TestCertificates();
  bool Run(const std::string& command);

  std::filesystem::path m_dir;
  std::string m_error;
};

}  // namespace ferrow::test
