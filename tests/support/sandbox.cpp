#include "tests/support/sandbox.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace ferrow::test {

std::filesystem::path MakeTempDir(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
  return std::filesystem::path(buffer.data());
}

void SandboxedTest::SetUp() {
  m_root = MakeTempDir("ferrow-test-");
  for (const auto& dir : {DataHome(), ConfigHome(), RegistryDir(), DownloadDir()})
    std::filesystem::create_directories(dir);
  setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
  setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
  setenv("FERROW_REGISTRY_DIR", RegistryDir().c_str(), 1);
  setenv("XDG_DOWNLOAD_DIR", DownloadDir().c_str(), 1);
}

void SandboxedTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(m_root, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path SourceDir() { return FERROW_SOURCE_DIR; }

}  // namespace ferrow::test
