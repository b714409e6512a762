#pragma once
// Shared by the transfer tests that run the real protocol clients against real or scripted
// servers: one target file in the sandbox's download folder, a transfer started or run to
// its end, and the checks of the finished file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "download/file_transfer.h"
#include "download/resume_block.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"
#include "tests/support/wait_until.h"

namespace ferrow::test {

class RealTransferTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_settings.SetMaxThreads(1);
    m_settings.SetRetryAttempts(1);
  }
  std::filesystem::path Target() const { return DownloadDir() / "file.bin"; }
  std::filesystem::path Temporary() const { return Target().string() + ".fr"; }

  std::unique_ptr<CFileTransfer> Start(const std::string& url) {
    auto transfer = std::make_unique<CFileTransfer>(&m_settings);
    EXPECT_TRUE(transfer->Start(Utf8ToWide(url), Utf8ToWide(Target().string())));
    return transfer;
  }
  std::unique_ptr<CFileTransfer> Run(const std::string& url) {
    auto transfer = Start(url);
    transfer->Wait();
    return transfer;
  }
  void ExpectFile(CFileTransfer& transfer, const std::string& content) {
    EXPECT_EQ(transfer.Master().Status(), DownloadStatus::kCompleted);
    EXPECT_EQ(transfer.Master().Error(), 0u);
    EXPECT_FALSE(std::filesystem::exists(Temporary()));
    ASSERT_TRUE(std::filesystem::exists(Target()));
    EXPECT_EQ(std::filesystem::file_size(Target()), content.size());
    EXPECT_TRUE(ReadFileBytes(Target()) == content) << "content differs";
  }
  // The done counters of the temporary file's block, by part start.
  std::vector<std::pair<uint64_t, uint64_t>> PartsInBlock() {
    CResumeBlock block;
    EXPECT_EQ(block.OpenExisting(Utf8ToWide(Temporary().string())), 0u);
    std::vector<std::pair<uint64_t, uint64_t>> parts;
    for (int32_t i = 0; i < block.Parts(); ++i) {
      parts.emplace_back(block.PartStart(i), block.PartDone(i));
    }
    return parts;
  }

  CTransferSettings m_settings;
};

}  // namespace ferrow::test
