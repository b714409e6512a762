#include "platform/autostart.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace ferrow {
namespace {

fs::path AutostartFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return fs::path(config) / "autostart";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".config" / "autostart";
}

// Quotes an Exec argument as desktop entries require: in double quotes, with '"', '`', '$' and
// '\' escaped by a backslash; '%' doubled so that it is not a field code.
std::string QuoteExecArgument(const std::string& argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  // In the value of a key, a backslash itself is escaped once more.
  std::string escaped;
  for (char c : out + "\"") {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace

std::wstring AutostartEntryPath(const std::wstring& programPath) {
  std::string name = fs::path(WideToLocal(programPath)).filename().string();
  if (name.empty()) name = "ferrow";
  return LocalToWide((AutostartFolder() / (name + ".desktop")).string());
}

bool WriteAutostartEntry(const std::wstring& programPath) {
  std::error_code error;
  fs::create_directories(AutostartFolder(), error);
  std::string path = WideToLocal(AutostartEntryPath(programPath));
  std::string program = WideToLocal(programPath);
  // A line break in the path would start a key of its own in the entry.
  if (program.empty() || program.find_first_of("\r\n") != std::string::npos) return false;
  std::string name = fs::path(program).filename().string();
  std::string text = "[Desktop Entry]\nType=Application\nName=" + name +
                     "\nExec=" + QuoteExecArgument(program) +
                     " /silent\nX-GNOME-Autostart-enabled=true\nTerminal=false\n";
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      fs::remove(temp, error);
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    fs::remove(temp, error);
    return false;
  }
  return true;
}

bool DeleteAutostartEntry(const std::wstring& programPath) {
  std::error_code error;
  fs::path path = WideToLocal(AutostartEntryPath(programPath));
  fs::remove(path, error);
  return !fs::exists(path, error);
}

std::wstring ReadAutostartCommand(const std::wstring& programPath) {
  std::ifstream in(WideToLocal(AutostartEntryPath(programPath)));
  std::string line;
  while (std::getline(in, line))
    if (line.starts_with("Exec=")) return LocalToWide(line.substr(5));
  return L"";
}

}  // namespace ferrow
