#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace ferrow {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  return home.empty() ? "/tmp" : home;
}

std::wstring WithSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path.back() != '/') path += '/';
  return LocalToWide(path);
}

bool HasLanguages(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder / "Languages", error);
}

// The value of XDG_DOWNLOAD_DIR in user-dirs.dirs ("$HOME/Downloads" or an absolute path).
std::string DownloadDirFromUserDirs() {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = HomeFolder() + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, 17, "XDG_DOWNLOAD_DIR=") != 0) continue;
    std::string value = line.substr(start + 17);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.starts_with("$HOME")) value = HomeFolder() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return "";
}

}  // namespace

std::wstring GetDataFolderPath() {
  std::string data = Env("XDG_DATA_HOME");
  if (data.empty() || data[0] != '/') data = HomeFolder() + "/.local/share";
  return WithSlash(data);
}

std::wstring GetAppDataFolderPath() {
  return GetDataFolderPath() + L"Brennick/Ferrow/";
}

std::wstring GetDataFolder() {
  const std::wstring data = GetDataFolderPath();
  std::error_code error;
  fs::create_directories(WideToLocal(data), error);
  return data;
}

std::wstring GetAppDataFolder() {
  return GetDataFolder() + L"Brennick/Ferrow/";
}

std::wstring GetProgramPath() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error ? std::wstring() : LocalToWide(exe.string());
}

std::wstring GetProgramFolder() {
  std::string overridden = Env("FERROW_PROGRAM_DIR");
  if (!overridden.empty()) return WithSlash(overridden);
  fs::path exeDir = fs::path(WideToLocal(GetProgramPath())).parent_path();
  if (!exeDir.empty() && HasLanguages(exeDir)) return WithSlash(exeDir.string());
  for (const fs::path& share :
       {exeDir.parent_path() / "share" / "ferrow", fs::path("/usr/local/share/ferrow"),
        fs::path("/usr/share/ferrow")}) {
    if (HasLanguages(share)) return WithSlash(share.string());
  }
  return exeDir.empty() ? std::wstring(L"./") : WithSlash(exeDir.string());
}

std::wstring GetDownloadFolder() {
  std::string folder = Env("XDG_DOWNLOAD_DIR");
  if (folder.empty() || folder[0] != '/') folder = DownloadDirFromUserDirs();
  if (folder.empty()) folder = HomeFolder() + "/Downloads";
  return WithSlash(folder);
}

bool CreateFolderChain(const std::wstring& path) {
  if (path.find(L'/') == std::wstring::npos) return false;
  std::string local = WideToLocal(path);
  // Mostly the folder is there already: one look instead of a try at every level.
  struct stat whole {};
  if (::stat(local.c_str(), &whole) == 0 && S_ISDIR(whole.st_mode)) return true;
  auto create = [](const std::string& folder) {
    if (folder.empty()) return true;
    if (::mkdir(folder.c_str(), 0777) == 0) return true;
    struct stat info {};
    return errno == EEXIST && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  };
  for (size_t pos = local.find('/', 1); pos != std::string::npos; pos = local.find('/', pos + 1)) {
    if (!create(local.substr(0, pos))) return false;
  }
  return create(local);
}

}  // namespace ferrow
