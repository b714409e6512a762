#pragma once
// vsftpd on 127.0.0.1 with anonymous read-only access to Root() (its user logins need system
// accounts, so tests that log in with a password use FtpServer). Passive and active data
// connections; its protocol log records every command and every transfer's byte count.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/peer_server.h"

namespace ferrow::test {

struct VsftpdOptions {
  // Both set: TLS is required for logins and data (explicit FTPS; Url() gives ftps://), with
  // the data connections resuming the control connection's session (require_ssl_reuse).
  std::filesystem::path tlsCertificate{};
  std::filesystem::path tlsKey{};
};

class VsftpdServer : public PeerServer {
 public:
  explicit VsftpdServer(VsftpdOptions options = {});

  std::string Name() const override { return "vsftpd"; }
  bool Available() const override;
  bool Start() override;

  // The served folder; files put there must be readable by the "ftp" account (mode 0644).
  const std::filesystem::path& Root() const { return m_root; }
  std::string Url(const std::string& path) const;
  std::string Log() const;
  // The commands received, in order ("USER anonymous", "REST 1000", ...).
  std::vector<std::string> Commands() const;
  // Bytes sent in downloads, completed or broken.
  long long RetrBytes() const;

 private:
  std::filesystem::path m_root;
  VsftpdOptions m_options;
};

}  // namespace ferrow::test
