#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/guid.h"

namespace ferrow {
namespace {

void SetError(ErrorValue* error, int err) {
  if (error) *error = MakeError(kCategorySystem, SystemCodeFromErrno(err));
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Opens a new temporary file beside the target. The kernel applies the umask to a new shared
// file; an owner-only file never has wider permissions, not even for a moment.
int CreateTemporary(const std::filesystem::path& path, FileAccess access, std::string& tempName) {
  const mode_t mode = access == FileAccess::kOwnerOnly ? (S_IRUSR | S_IWUSR) : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring suffix = Guid::Create().ToString().substr(0, 8);
    // Appended piece by piece: g++ 12 warns (-Wrestrict, a false positive) about
    // "literal" + std::string temporaries when optimising.
    std::string name = ".";
    name += path.filename().string();
    name += '.';
    name.append(suffix.begin(), suffix.end());
    name += ".tmp";
    tempName = (path.parent_path() / name).string();
    const int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// A shared file keeps the permissions of the file it replaces.
bool KeepOldMode(int fd, const std::filesystem::path& path, FileAccess access) {
  if (access == FileAccess::kOwnerOnly) return true;
  struct stat old {};
  if (stat(path.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return true;
  return fchmod(fd, old.st_mode & 0777) == 0;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileAccess access, ErrorValue* error) {
  // A data file the user linked elsewhere stays a link: the file it points to is replaced.
  std::filesystem::path path = target;
  std::error_code linkError;
  if (std::filesystem::is_symlink(target, linkError)) {
    std::filesystem::path resolved = std::filesystem::weakly_canonical(target, linkError);
    if (!linkError) path = resolved;
  }
  const std::filesystem::path folder = path.parent_path();
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      SetError(error, ec.value());
      return false;
    }
  }

  std::string tempName;
  const int fd = CreateTemporary(path, access, tempName);
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }

  bool ok = KeepOldMode(fd, path, access) && WriteAll(fd, bytes) && fsync(fd) == 0;
  int err = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && rename(tempName.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(tempName.c_str());
    SetError(error, err);
    return false;
  }

  // Make the rename itself durable; a failure here no longer endangers either version.
  const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return true;
}

ReadFileResult ReadWholeFile(const std::filesystem::path& path, std::string& out, size_t maxBytes,
                             ErrorValue* error) {
  // Non-blocking, so that a FIFO planted at the path cannot hang the open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int err = errno;
    SetError(error, err);
    return err == ENOENT ? ReadFileResult::kNotFound : ReadFileResult::kFailed;
  }
  struct stat info {};
  const bool statted = fstat(fd, &info) == 0;
  if (!statted || !S_ISREG(info.st_mode)) {
    SetError(error, !statted ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    close(fd);
    return ReadFileResult::kFailed;
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      SetError(error, errno);
      close(fd);
      return ReadFileResult::kFailed;
    }
    if (got == 0) break;
    if (data.size() + static_cast<size_t>(got) > maxBytes) {
      SetError(error, EFBIG);
      close(fd);
      return ReadFileResult::kFailed;
    }
    data.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  out = std::move(data);
  return ReadFileResult::kRead;
}

}  // namespace ferrow
