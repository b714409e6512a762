#include "tests/support/vsftpd_server.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ferrow::test {
namespace {

std::string Program() {
  return FindProgram({"/usr/sbin/vsftpd", "vsftpd"});
}

}  // namespace

VsftpdServer::VsftpdServer(VsftpdOptions options)
    : PeerServer("vsftpd"), m_root(m_dir / "root"), m_options(std::move(options)) {
  namespace fs = std::filesystem;
  // vsftpd serves anonymous sessions as the "ftp" account inside a chroot, and wants an empty
  // folder that nobody may write for its unprivileged helper.
  fs::create_directories(m_root);
  fs::create_directories(m_dir / "empty");
  const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                    fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(m_dir, open);
  fs::permissions(m_root, open);
  fs::permissions(m_dir / "empty", fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
}

bool VsftpdServer::Available() const {
  return !Program().empty();
}

bool VsftpdServer::Start() {
  const std::string program = Program();
  if (program.empty()) return Fail("vsftpd not found");
  return StartOnFreePort([&](int port) {
    const auto config = m_dir / "vsftpd.conf";
    std::ofstream out(config);
    out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
        << "listen_port=" << port << "\n"
        << "background=NO\n"
        << "anonymous_enable=YES\nlocal_enable=NO\nwrite_enable=NO\n"
        << "anon_root=" << m_root.string() << "\n"
        << "secure_chroot_dir=" << (m_dir / "empty").string() << "\n"
        << "pasv_enable=YES\npasv_address=127.0.0.1\nport_enable=YES\n"
        << "connect_from_port_20=NO\n"
        << "xferlog_enable=YES\nxferlog_std_format=NO\nlog_ftp_protocol=YES\n"
        << "vsftpd_log_file=" << (m_dir / "vsftpd.log").string() << "\n"
        << "seccomp_sandbox=NO\n";
    if (geteuid() != 0) out << "run_as_launching_user=YES\n";
    if (!m_options.tlsCertificate.empty()) {
      out << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
          << "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
          << "rsa_cert_file=" << m_options.tlsCertificate.string() << "\n"
          << "rsa_private_key_file=" << m_options.tlsKey.string() << "\n";
    }
    return std::vector<std::string>{program, config.string()};
  });
}

std::string VsftpdServer::Url(const std::string& path) const {
  return std::string(m_options.tlsCertificate.empty() ? "ftp://" : "ftps://") +
         "127.0.0.1:" + std::to_string(m_port) + path;
}

std::string VsftpdServer::Log() const {
  return ReadTextFile(m_dir / "vsftpd.log");
}

std::vector<std::string> VsftpdServer::Commands() const {
  // ... FTP command: Client "127.0.0.1", "REST 1000"
  std::vector<std::string> commands;
  std::istringstream in(Log());
  std::string line;
  while (std::getline(in, line)) {
    size_t at = line.find("FTP command: Client ");
    if (at == std::string::npos) continue;
    size_t open = line.find(", \"", at);
    if (open == std::string::npos || line.back() != '"') continue;
    commands.push_back(line.substr(open + 3, line.size() - open - 4));
  }
  return commands;
}

long long VsftpdServer::RetrBytes() const {
  // ... OK DOWNLOAD: Client "127.0.0.1", "/a.txt", 3 bytes, 18.66Kbyte/sec (or FAIL DOWNLOAD)
  long long sum = 0;
  std::istringstream in(Log());
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(" DOWNLOAD: Client ") == std::string::npos) continue;
    size_t bytes = line.rfind(" bytes, ");
    size_t comma = line.rfind(", ", bytes - 1);
    if (bytes == std::string::npos || comma == std::string::npos) continue;
    sum += std::atoll(line.c_str() + comma + 2);
  }
  return sum;
}

}  // namespace ferrow::test
