// A start of the program as the tests need it in a process of its own: CFerrowApp with a front
// end that prints what reaches it, no sounds, no dial-up watcher, no update check, nothing that
// could hang up or switch off. The names of the shared objects carry $FERROW_TEST_TAG so that no
// test ever meets a real instance.
//
// Prints "READY" once it runs as the first instance, "ACTIVATE" for each request to be shown and
// "URLS <count> <url>|<url>..." for each hand-over. Exits 3 after handing over, 1 on failure;
// a running instance stops when it is terminated.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/ferrow_app.h"
#include "l10n/resource_manager.h"
#include "platform/text.h"
#include "platform/wave_player.h"
#include "shell/shell_actions.h"
#include "shell/shell_front_end.h"
#include "tests/support/inert_shell.h"

namespace {

using namespace ferrow;

class PrintingFrontEnd : public IShellFrontEnd {
 public:
  void ShowStartupError(const std::wstring& text) override {
    std::printf("ERROR %s\n", WideToUtf8(text).c_str());
    std::fflush(stdout);
  }
  void OnActivate() override {
    std::printf("ACTIVATE\n");
    std::fflush(stdout);
  }
  void OnUrls(const std::vector<std::wstring>& urls) override {
    std::wstring joined;
    for (const std::wstring& url : urls) joined += (joined.empty() ? L"" : L"|") + url;
    std::printf("URLS %zu %s\n", urls.size(), WideToUtf8(joined).c_str());
    std::fflush(stdout);
  }
};

using test::InertActions;
using test::SilentPlayer;

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::wstring> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(LocalToWide(argv[i]));
  const char* tag = std::getenv("FERROW_TEST_TAG");
  const char* answer = std::getenv("FERROW_TEST_ANSWER_MS");

  PrintingFrontEnd frontEnd;
  InertActions actions;
  SilentPlayer player;
  CFerrowApp::Options options;
  options.names = InstanceNames::Tagged(tag ? tag : "child");
  if (answer) options.answerMilliseconds = static_cast<uint32_t>(std::atoi(answer));
  options.actions = &actions;
  options.wavePlayer = &player;
  options.updateUrl.clear();
  options.watchConnections = false;
  options.applyIntegration = [](CApplicationData&) {};
  CFerrowApp app(frontEnd, CResourceManager::Instance(), std::move(options));
  switch (app.Start(arguments)) {
    case CFerrowApp::StartResult::kHandedOver:
      return 3;
    case CFerrowApp::StartResult::kFailed:
      return 1;
    case CFerrowApp::StartResult::kRunning:
      break;
  }
  std::printf("READY\n");
  std::fflush(stdout);
  for (;;) {
    app.Poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
