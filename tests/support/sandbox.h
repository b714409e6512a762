#pragma once
// A test fixture that gives every test its own temporary home: data folder, configuration
// folder (autostart), registry folder and download folder, removed again at the end.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace ferrow::test {

class SandboxedTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::filesystem::path& SandboxDir() const { return m_root; }
  std::filesystem::path DataHome() const { return m_root / "data"; }
  std::filesystem::path ConfigHome() const { return m_root / "config"; }
  std::filesystem::path RegistryDir() const { return m_root / "registry"; }
  std::filesystem::path DownloadDir() const { return m_root / "downloads"; }

 private:
  std::filesystem::path m_root;
};

// Makes a fresh empty temporary folder (mkdtemp under TMPDIR or /tmp).
std::filesystem::path MakeTempDir(const std::string& prefix);

// Reads or writes a whole file as bytes; test helpers only.
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// The source tree's folder (for shipped files such as Languages/).
std::filesystem::path SourceDir();

}  // namespace ferrow::test
