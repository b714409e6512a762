#include "platform/guid.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace ferrow {
namespace {

bool FillFromGetrandom(uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = getrandom(data + done, size - done, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

bool FillFromUrandom(uint8_t* data, size_t size) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t got = read(fd, data + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  return done == size;
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool IsHyphenPosition(size_t i) {
  return i == 8 || i == 13 || i == 18 || i == 23;
}

// The kernel's random bytes fetched for many identities at once: a transfer makes an identity
// for every record it copies, and one system call each showed in the time of small downloads.
// Per thread, so no lock; a forked child execs before it would make one.
bool TakeRandomBytes(uint8_t* data, size_t size) {
  struct Reserve {
    std::array<uint8_t, 512> bytes;
    size_t used = 512;
  };
  thread_local Reserve reserve;
  if (reserve.used + size > reserve.bytes.size()) {
    if (!FillFromGetrandom(reserve.bytes.data(), reserve.bytes.size())) return false;
    reserve.used = 0;
  }
  std::memcpy(data, reserve.bytes.data() + reserve.used, size);
  // Handed out once only.
  std::memset(reserve.bytes.data() + reserve.used, 0, size);
  reserve.used += size;
  return true;
}

}  // namespace

Guid Guid::Create() {
  Guid guid;
  if (!TakeRandomBytes(guid.bytes.data(), guid.bytes.size()) &&
      !FillFromUrandom(guid.bytes.data(), guid.bytes.size())) {
    // No kernel source at all: still unique enough for record identities.
    std::random_device device;
    for (auto& b : guid.bytes) b = static_cast<uint8_t>(device());
  }
  guid.bytes[6] = static_cast<uint8_t>((guid.bytes[6] & 0x0F) | 0x40);  // version 4
  guid.bytes[8] = static_cast<uint8_t>((guid.bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return guid;
}

bool Guid::IsNull() const {
  for (uint8_t b : bytes)
    if (b != 0) return false;
  return true;
}

std::wstring Guid::ToString() const {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  text.reserve(36);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += L'-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

bool Guid::Parse(std::wstring_view text, Guid& out) {
  if (text.size() != 36) return false;
  Guid parsed;
  size_t byte = 0;
  for (size_t i = 0; i < text.size();) {
    if (IsHyphenPosition(i)) {
      if (text[i] != L'-') return false;
      ++i;
      continue;
    }
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    parsed.bytes[byte++] = static_cast<uint8_t>(high << 4 | low);
    i += 2;
  }
  out = parsed;
  return true;
}

}  // namespace ferrow
