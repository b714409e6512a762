#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ferrow {
namespace {

std::string ObjectName(const std::string& name) {
  std::string object = "/";
  object += name;
  object += '-';
  object += std::to_string(::getuid());
  return object;
}

ErrorValue SystemError(int err) {
  return MakeError(kCategorySystem, SystemCodeFromErrno(err));
}

}  // namespace

CSharedMemory::~CSharedMemory() {
  Close();
}

ErrorValue CSharedMemory::Create(const std::string& name, size_t size) {
  Close();
  if (size == 0 || name.empty() || name.find('/') != std::string::npos) return SystemError(EINVAL);
  const std::string object = ObjectName(name);
  const int fd = ::shm_open(object.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return SystemError(errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int err = errno;
    ::close(fd);
    return SystemError(err);
  }
  if (info.st_uid != ::getuid()) {
    ::close(fd);
    return SystemError(EACCES);
  }
  // Growing a new object fills it with zeros; an existing one keeps what the others wrote.
  if (static_cast<size_t>(info.st_size) < size && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    const int err = errno;
    ::close(fd);
    return SystemError(err);
  }
  void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const int err = errno;
  ::close(fd);  // the mapping keeps the memory
  if (view == MAP_FAILED) return SystemError(err);
  m_view = static_cast<unsigned char*>(view);
  m_size = size;
  return 0;
}

void CSharedMemory::Close() {
  if (m_view) ::munmap(m_view, m_size);
  m_view = nullptr;
  m_size = 0;
}

void CSharedMemory::Remove(const std::string& name) {
  ::shm_unlink(ObjectName(name).c_str());
}

}  // namespace ferrow
