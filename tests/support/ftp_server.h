#pragma once
// A real FTP server for the integration tests: pyftpdlib through tests/servers/ftp_server.py.
// Anonymous (read-only) and one user with a password, both see Root(); passive and active
// data connections. Every command and every transfer is logged:
//
//   FtpServer ftp({.user = "alice", .password = "pw"});
//   FERROW_START_OR_SKIP(ftp);
//   WriteFileBytes(ftp.Root() / "file.bin", ...);
//   ... ftp.RetrBytes() counts the bytes the server sent in RETR data connections ...
#include <filesystem>
#include <string>

#include "tests/support/scripted_server.h"

namespace ferrow::test {

struct FtpOptions {
  std::filesystem::path root{};  // served folder; empty: a fresh folder inside Dir()
  std::string user = "user";
  std::string password = "secret";
  bool anonymous = true;
  int passivePortFrom = 0;  // 0: any free port for passive data connections
  int passivePortTo = 0;
  bool ipv6 = false;  // listens on ::1 (data connections too) instead of 127.0.0.1
};

class FtpServer : public ScriptedServer {
 public:
  explicit FtpServer(FtpOptions options = {});

  std::string Name() const override { return "pyftpdlib"; }
  bool Available() const override;

  const std::filesystem::path& Root() const { return m_root; }
  // "ftp://[user:password@]127.0.0.1:port" + path ([::1] with ipv6); with an empty user,
  // anonymous.
  std::string Url(const std::string& path, const std::string& user = "",
                  const std::string& password = "") const;
  // The commands received, in order ("USER anonymous", "REST 1000", ...).
  std::vector<std::string> Commands() const;
  // Bytes sent in RETR data connections, completed or broken.
  long long RetrBytes() const;

 private:
  std::filesystem::path m_root{};
  bool m_ipv6 = false;
};

}  // namespace ferrow::test
