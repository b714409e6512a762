#include "tests/support/test_certificates.h"

#include <cstdlib>
#include <fstream>

#include "tests/support/sandbox.h"
#include "tests/support/server_process.h"

namespace ferrow::test {

namespace {

// "openssl ca" with its database in the folder, so a certificate can be dated in the past.
constexpr const char* kAuthorityConfig = R"([ ca ]
default_ca = test_ca
[ test_ca ]
dir = .
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
copy_extensions = copy
unique_subject = no
[ any ]
commonName = supplied
)";

constexpr const char* kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

}  // namespace

const TestCertificates& TestCertificates::Get() {
  static TestCertificates certificates;
  return certificates;
}

TestCertificates::TestCertificates() : m_dir(MakeTempDir("ferrow-certs")) {
  if (FindProgram({"/usr/bin/openssl", "openssl"}).empty()) {
    m_error = "openssl is not installed";
    return;
  }
  std::ofstream(m_dir / "ca.cnf") << kAuthorityConfig;
  std::ofstream(m_dir / "index.txt");
  std::ofstream(m_dir / "serial") << "01\n";
  const std::string sign = "openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key ";
  const std::string names = "-addext 'subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1'";
  // Each step stops the chain at its first failure, which Run reports.
  Run(std::string("openssl req -x509 ") + kNewKey +
      " -keyout ca.key -out ca.pem -days 30 -subj '/CN=Ferrow Test CA'") &&
      Run(std::string("openssl req ") + kNewKey +
          " -keyout server.key -out server.csr -subj '/CN=localhost' " + names) &&
      Run(sign + "-in server.csr -out server.pem -days 30") &&
      Run(sign +
          "-in server.csr -out expired.pem -startdate 20200101000000Z "
          "-enddate 20200201000000Z") &&
      Run("openssl req -new -key server.key -out other.csr -subj '/CN=other.example' "
          "-addext 'subjectAltName=DNS:other.example'") &&
      Run(sign + "-in other.csr -out other-host.pem -days 30") &&
      Run(std::string("openssl req -x509 ") + kNewKey +
          " -keyout unknown-ca.key -out unknown-ca.pem -days 30 -subj '/CN=Nobody Trusts Me'") &&
      Run("openssl x509 -req -in server.csr -CA unknown-ca.pem -CAkey unknown-ca.key "
          "-CAcreateserial -copy_extensions copy -out unknown-ca-server.pem -days 30");
}

TestCertificates::~TestCertificates() {
  std::error_code ignored;
  if (std::getenv("FERROW_KEEP_SERVER_DIRS") == nullptr)
    std::filesystem::remove_all(m_dir, ignored);
}

bool TestCertificates::Run(const std::string& command) {
  // Only fixed text of this file reaches the shell; the folder is one MakeTempDir made.
  const std::string line = "cd '" + m_dir.string() + "' && " + command + " >>openssl.log 2>&1";
  if (std::system(line.c_str()) == 0) return true;
  m_error = "'" + command + "' failed: " + ReadFileBytes(m_dir / "openssl.log");
  return false;
}

}  // namespace ferrow::test
