#include "tests/support/ftp_server.h"

#include <unistd.h>

#include <cstdlib>

namespace ferrow::test {
namespace {

std::vector<std::string> FtpArguments(const FtpOptions& options,
                                      const std::filesystem::path& root) {
  std::vector<std::string> args = {"--root",     root.string(), "--user",
                                   options.user, "--password",  options.password};
  if (!options.anonymous) args.push_back("--no-anonymous");
  if (options.ipv6) args.push_back("--ipv6");
  if (options.passivePortFrom > 0)
    args.insert(args.end(), {"--passive-ports", std::to_string(options.passivePortFrom) + "-" +
                                                    std::to_string(options.passivePortTo)});
  return args;
}

}  // namespace

FtpServer::FtpServer(FtpOptions options) : ScriptedServer("ftp_server") {
  m_root = options.root.empty() ? m_dir / "root" : options.root;
  std::filesystem::create_directories(m_root);
  m_arguments = FtpArguments(options, m_root);
  m_ipv6 = options.ipv6;
}

bool FtpServer::Available() const {
  return ScriptedServer::Available() &&
         access("/usr/lib/python3/dist-packages/pyftpdlib/__init__.py", R_OK) == 0;
}

std::string FtpServer::Url(const std::string& path, const std::string& user,
                           const std::string& password) const {
  std::string login = user.empty() ? "" : user + ":" + password + "@";
  return "ftp://" + login + (m_ipv6 ? "[::1]:" : "127.0.0.1:") + std::to_string(m_port) + path;
}

std::vector<std::string> FtpServer::Commands() const {
  std::vector<std::string> commands;
  for (const auto& line : LogLines("COMMAND ")) {
    // "COMMAND <session> <command line>"
    size_t space = line.find(' ', 8);
    if (space != std::string::npos) commands.push_back(line.substr(space + 1));
  }
  return commands;
}

long long FtpServer::RetrBytes() const {
  long long sum = 0;
  for (const auto& line : LogLines("TRANSFER ")) {
    if (line.find(" RETR ") == std::string::npos) continue;
    size_t at = line.rfind(" bytes=");
    if (at != std::string::npos) sum += std::atoll(line.c_str() + at + 7);
  }
  return sum;
}

}  // namespace ferrow::test
