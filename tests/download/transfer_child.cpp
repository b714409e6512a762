// Runs one transfer from the in-memory test server to a file and exits 0 when it completed, so
// that a test can kill it mid-way and resume in another process.
//   transfer_child <url> <target> <size> <max threads>
#include <cstdlib>
#include <string>

#include "download/file_transfer.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/download/fake_server.h"
#include "tests/support/test_data.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  ferrow::test::FakeSource source;
  source.content = ferrow::test::PatternBytes(0, std::strtoull(argv[3], nullptr, 10));
  ferrow::CTransferSettings settings;
  settings.SetMaxThreads(std::atoi(argv[4]));
  ferrow::CFileTransfer transfer(&settings);
  transfer.SetClientFactory([&source](ferrow::Scheme, const ferrow::CClientContext& context) {
    return std::make_unique<ferrow::test::FakeClient>(source, context);
  });
  if (!transfer.Start(ferrow::Utf8ToWide(argv[1]), ferrow::Utf8ToWide(argv[2]))) return 3;
  transfer.Wait();
  return transfer.Master().Status() == ferrow::DownloadStatus::kCompleted ? 0 : 1;
}
