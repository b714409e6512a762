#include "tests/support/test_data.h"

#include <fstream>

namespace ferrow::test {

std::string PatternBytes(uint64_t offset, uint64_t count) {
  std::string bytes(count, '\0');
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t mixed = static_cast<uint32_t>((offset + i) * 0x9E3779B1u);
    bytes[i] = static_cast<char>(mixed >> 24);
  }
  return bytes;
}

void WritePatternFile(const std::filesystem::path& path, uint64_t size) {
  constexpr uint64_t kBlock = 1 << 20;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (uint64_t done = 0; done < size; done += kBlock) {
    std::string block = PatternBytes(done, std::min(kBlock, size - done));
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

}  // namespace ferrow::test
