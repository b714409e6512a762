#include "platform/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/text.h"

namespace ferrow {
namespace {

std::wstring Fail(int err, ErrorValue* error) {
  if (error) *error = MakeError(kCategorySystem, SystemCodeFromErrno(err));
  return std::wstring();
}

}  // namespace

std::wstring GetRuntimeFolder(ErrorValue* error) {
  if (error) *error = 0;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    std::string folder = runtime;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return Fail(errno, error);
    if (!S_ISDIR(info.st_mode)) return Fail(ENOTDIR, error);
    if (folder != "/") folder += '/';
    return LocalToWide(folder);
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  folder += "/ferrow-";
  folder += std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return Fail(errno, error);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return Fail(errno, error);
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
    return Fail(EACCES, error);
  folder += '/';
  return LocalToWide(folder);
}

}  // namespace ferrow
