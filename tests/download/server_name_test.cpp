// Downloads into a folder take the name the server gives: Content-Disposition first, else the
// last segment of the address after redirects; made safe, and never over a file of the user's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/file_transfer.h"
#include "download/transfer_options.h"
#include "platform/text.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

class ServerNameTest : public test::RealTransferTest {
 protected:
  // Runs into the folder; returns the name of the file it made there.
  std::string RunIntoFolder(const std::string& url) {
    std::filesystem::create_directories(Folder());
    auto transfer = std::make_unique<CFileTransfer>(&m_settings);
    transfer->SetOptions(m_options);
    EXPECT_TRUE(transfer->Start(Utf8ToWide(url), Utf8ToWide(Folder().string() + "/")));
    transfer->Wait();
    EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kCompleted);
    const std::filesystem::path file = WideToUtf8(transfer->Master().File());
    EXPECT_EQ(file.parent_path(), Folder());
    return file.filename().string();
  }
  std::filesystem::path Folder() const { return DownloadDir() / "into"; }
  TransferOptions m_options;
};

TEST_F(ServerNameTest, ContentDispositionNamesTheFileSafely) {
  struct Case {
    const char* header;
    const char* name;
  };
  for (const Case& c :
       {Case{"attachment; filename=plain.bin", "plain.bin"},
        Case{"attachment; filename=\"quoted name.bin\"", "quoted name.bin"},
        Case{"attachment; filename*=UTF-8''r%C3%A9sum%C3%A9.pdf", "r\xC3\xA9sum\xC3\xA9.pdf"},
        Case{"attachment; filename=\"../../etc/passwd\"", "passwd"},
        Case{"attachment; filename=\"\"", "file.bin"}}) {
    SCOPED_TRACE(c.header);
    test::ScriptedServer http("fault_http", {"--size", "5000", "--content-disposition", c.header});
    FERROW_START_OR_SKIP(http);
    EXPECT_EQ(RunIntoFolder(http.Url("/file.bin?query=1#part")), c.name);
    EXPECT_TRUE(test::ReadFileBytes(Folder() / c.name) == test::PatternBytes(0, 5000));
    // The fragment never reached the server.
    for (const std::string& line : http.LogLines("REQUEST"))
      EXPECT_EQ(line.find('#'), std::string::npos) << line;
    std::filesystem::remove_all(Folder());
  }
  std::filesystem::remove_all(DownloadDir() / "etc");
  EXPECT_FALSE(std::filesystem::exists(DownloadDir() / "etc"));
}

TEST_F(ServerNameTest, TheFinalAddressNamesTheFileAndATakenNameIsLeftAlone) {
  test::NginxServer nginx({.redirects = {{"/download", 302, "/files/target.bin"}}});
  FERROW_START_OR_SKIP(nginx);
  std::filesystem::create_directories(nginx.Root() / "files");
  test::WriteFileBytes(nginx.Root() / "files" / "target.bin", test::PatternBytes(0, 7000));
  EXPECT_EQ(RunIntoFolder(nginx.Url("/download")), "target.bin");
  // The user's file of that name stays when the options say so; the new one gets a free name.
  test::WriteFileBytes(Folder() / "target.bin", "mine");
  m_options.existing = ExistingFile::kKeepOrNew;
  EXPECT_EQ(RunIntoFolder(nginx.Url("/download")), "target.1.bin");
  EXPECT_EQ(test::ReadFileBytes(Folder() / "target.bin"), "mine");
}

}  // namespace
}  // namespace ferrow
