// Large downloads in 4, 16 and 64 parts, byte-identical at the end. One 200 MiB content, held
// once in memory, serves every case; the temporary file stays sparse until the parts fill it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "download/file_transfer.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/download/fake_server.h"
#include "tests/support/ftp_server.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

constexpr uint64_t kLargeSize = 200ull << 20;

// Compares a file with the pattern block by block, so no second copy is held in memory.
bool MatchesPattern(const std::filesystem::path& path, uint64_t size) {
  std::ifstream in(path, std::ios::binary);
  std::string block(4 << 20, '\0');
  for (uint64_t offset = 0; offset < size;) {
    uint64_t count = std::min<uint64_t>(block.size(), size - offset);
    if (!in.read(block.data(), static_cast<std::streamsize>(count))) return false;
    if (block.compare(0, count, test::PatternBytes(offset, count)) != 0) return false;
    offset += count;
  }
  return in.peek() == std::char_traits<char>::eof();
}

class LargeTransferTest : public test::SandboxedTest {
 protected:
  static void SetUpTestSuite() {
    s_source = new test::FakeSource;
    s_source->content = test::PatternBytes(0, kLargeSize + 12345);
  }
  static void TearDownTestSuite() {
    delete s_source;
    s_source = nullptr;
  }

  static test::FakeSource* s_source;
};

test::FakeSource* LargeTransferTest::s_source = nullptr;

TEST_F(LargeTransferTest, InMemoryServerInFourSixteenAndSixtyFourParts) {
  test::FakeServer server(*s_source);
  CTransferSettings settings;
  for (int32_t parts : {4, 16, 64}) {
    SCOPED_TRACE(parts);
    settings.SetMaxThreads(parts);
    std::filesystem::path target = DownloadDir() / "large.bin";
    CFileTransfer transfer(&settings);
    transfer.SetClientFactory([](Scheme, const CClientContext& context) {
      return std::make_unique<test::FakeClient>(*s_source, context);
    });
    ASSERT_TRUE(transfer.Start(server.Url(), Utf8ToWide(target.string())));
    transfer.Wait();
    ASSERT_EQ(transfer.Master().Status(), DownloadStatus::kCompleted);
    // Idle connections take over the backs of slower ranges as new entries.
    EXPECT_GE(transfer.Master().Parts(), parts);
    EXPECT_LE(transfer.Master().Parts(), kMaxParts);
    ASSERT_EQ(std::filesystem::file_size(target), s_source->content.size());
    EXPECT_TRUE(test::ReadFileBytes(target) == s_source->content);
    std::filesystem::remove(target);
  }
}

TEST_F(LargeTransferTest, NginxInFourSixteenAndSixtyFourParts) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  const uint64_t size = kLargeSize + 777;
  test::WritePatternFile(nginx.Root() / "large.bin", size);
  CTransferSettings settings;
  for (int32_t parts : {4, 16, 64}) {
    SCOPED_TRACE(parts);
    settings.SetMaxThreads(parts);
    std::filesystem::path target = DownloadDir() / "large.bin";
    CFileTransfer transfer(&settings);
    ASSERT_TRUE(transfer.Start(Utf8ToWide(nginx.Url("/large.bin")), Utf8ToWide(target.string())));
    transfer.Wait();
    ASSERT_EQ(transfer.Master().Status(), DownloadStatus::kCompleted);
    // Idle connections take over the backs of slower ranges as new entries.
    EXPECT_GE(transfer.Master().Parts(), parts);
    EXPECT_LE(transfer.Master().Parts(), kMaxParts);
    ASSERT_EQ(std::filesystem::file_size(target), size);
    EXPECT_TRUE(MatchesPattern(target, size));
    std::filesystem::remove(target);
  }
}

TEST_F(LargeTransferTest, FtpInFourSixteenAndSixtyFourParts) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  const uint64_t size = kLargeSize + 4099;
  test::WritePatternFile(ftp.Root() / "large.bin", size);
  CTransferSettings settings;
  for (int32_t parts : {4, 16, 64}) {
    SCOPED_TRACE(parts);
    settings.SetMaxThreads(parts);
    std::filesystem::path target = DownloadDir() / "large.bin";
    CFileTransfer transfer(&settings);
    ASSERT_TRUE(transfer.Start(Utf8ToWide(ftp.Url("/large.bin", "user", "secret")),
                               Utf8ToWide(target.string())));
    transfer.Wait();
    ASSERT_EQ(transfer.Master().Status(), DownloadStatus::kCompleted);
    // Idle connections take over the backs of slower ranges as new entries.
    EXPECT_GE(transfer.Master().Parts(), parts);
    EXPECT_LE(transfer.Master().Parts(), kMaxParts);
    ASSERT_EQ(std::filesystem::file_size(target), size);
    EXPECT_TRUE(MatchesPattern(target, size));
    std::filesystem::remove(target);
  }
}

}  // namespace
}  // namespace ferrow
