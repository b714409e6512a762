// ferrow-native-host: the browser extension's native messaging host. The browser starts it with
// the caller's origin (Chromium) or manifest and extension id (Firefox) as arguments and talks
// to it over standard input and output; it answers each message and hands URLs to the main
// program. "--register [FOLDER]" stores FOLDER (default: this program's own folder) as the
// main program's "AppPath" for the current user.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/folders.h"
#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/host/handover_request.h"
#include "plugins/host/native_messaging.h"

using namespace ferrow;

namespace {

// Chromium sends at most 4 GiB; nothing the extension sends comes near this.
constexpr size_t kMaxMessage = 1 << 20;

int Register(const char* folderArgument) {
  std::string folder = folderArgument
                           ? folderArgument
                           : std::filesystem::path(WideToLocal(GetProgramPath())).parent_path();
  if (folder.empty() || folder.find_first_of("\r\n") != std::string::npos) {
    std::fprintf(stderr, "ferrow-native-host: no usable folder given\n");
    return 2;
  }
  if (folder.back() != '/') folder += '/';
  const std::wstring wide = LocalToWide(folder);
  if (!RegistryWriteValue(RegistryHive::kLocalMachine, L"Software\\Brennick\\Ferrow",
                          std::wstring(L"AppPath"),
                          {RegistryType::kString, WideToUtf16Le(wide) + std::string(2, '\0')})) {
    std::fprintf(stderr, "ferrow-native-host: cannot write the registry in %s\n",
                 RegistryFolder().c_str());
    return 1;
  }
  std::printf("AppPath is now %s\n", folder.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--register") == 0)
    return Register(argc >= 3 ? argv[2] : nullptr);
  // A browser that goes away makes writes fail instead of killing the host.
  std::signal(SIGPIPE, SIG_IGN);
  const host::MainProgram program = host::DefaultMainProgram();
  for (;;) {
    std::string body;
    uint64_t length = 0;
    switch (host::ReadFrame(0, kMaxMessage, body, length)) {
      case host::FrameResult::kEnd:
        return 0;
      case host::FrameResult::kEmpty:
        if (!host::WriteFrame(1, host::ErrorReply("The message is empty."))) return 1;
        break;
      case host::FrameResult::kTooLong:
        // Nothing after an unread body can be trusted to be a frame: answer and end.
        host::WriteFrame(1, host::ErrorReply("The message of " + std::to_string(length) +
                                             " bytes is longer than the " +
                                             std::to_string(kMaxMessage) + " bytes allowed."));
        return 1;
      case host::FrameResult::kTruncated:
        host::WriteFrame(1, host::ErrorReply("The message ended early."));
        return 1;
      case host::FrameResult::kMessage:
        if (!host::WriteFrame(1, host::HandleMessage(body, program))) return 1;
        break;
    }
  }
}
