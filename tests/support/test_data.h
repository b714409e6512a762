#pragma once
// The generated test content that our scripted servers also serve: byte i is the top byte of
// i * 0x9E3779B1 (mod 2^32). It has no short period, so bytes written at a wrong offset
// never match by chance.
#include <cstdint>
#include <filesystem>
#include <string>

namespace ferrow::test {

std::string PatternBytes(uint64_t offset, uint64_t count);
// Writes size bytes of the pattern (in blocks, so large files need little memory).
void WritePatternFile(const std::filesystem::path& path, uint64_t size);

}  // namespace ferrow::test
