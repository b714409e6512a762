// What a browser extension sends the native messaging host: the input is the byte stream on
// the host's standard input. Frames are read as the host reads them and each message is
// parsed and answered as the host answers it, with a stand-in for starting the main program.
// Every answer must itself be valid JSON stating "ok"; a started program must only ever get
// URLs that pass the hand-over test; every string the reader accepts must be valid UTF-8 and
// quote back to itself.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/host/handover_request.h"
#include "plugins/host/json_value.h"
#include "plugins/host/native_messaging.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;
using namespace ferrow::host;

constexpr size_t kMaxMessage = 1 << 20;
std::filesystem::path g_home;

void RemoveHome() {
  std::error_code ignored;
  std::filesystem::remove_all(g_home, ignored);
}

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char c = byte(i);
    const size_t length = c < 0x80                 ? 1
                          : c >= 0xC2 && c <= 0xDF ? 2
                          : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      code = code << 6 | (byte(i + k) & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += length;
  }
  return true;
}

void CheckStrings(const CJsonValue& value) {
  if (value.IsString()) {
    FUZZ_CHECK(IsUtf8(value.String()));
    CJsonValue quoted;
    std::string error;
    FUZZ_CHECK(CJsonValue::Parse(JsonQuote(value.String()), quoted, error));
    FUZZ_CHECK(quoted.IsString() && quoted.String() == value.String());
  }
  for (const CJsonValue& item : value.Items()) CheckStrings(item);
}

void CheckAnswer(const std::string& answer) {
  CJsonValue reply;
  std::string error;
  FUZZ_CHECK(CJsonValue::Parse(answer, reply, error));
  const CJsonValue* ok = reply.Find("ok");
  FUZZ_CHECK(reply.IsObject() && ok != nullptr && ok->GetKind() == CJsonValue::Kind::kBool);
}

// The stand-in main program: checks what it would be started with.
int Start(const std::vector<std::string>& argv) {
  FUZZ_CHECK(argv.size() == 3 && argv[1] == "/silent" && argv[2].starts_with("/url="));
  std::string_view urls = argv[2];
  urls.remove_prefix(5);
  while (!urls.empty()) {
    const size_t bar = urls.find('|');
    std::string reason;
    FUZZ_CHECK(IsHandoverUrl(std::string(urls.substr(0, bar)), reason));
    urls.remove_prefix(bar == std::string_view::npos ? urls.size() : bar + 1);
  }
  return 4242;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_home =
      std::filesystem::temp_directory_path() / ("ferrow-host-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(g_home);
  std::atexit(RemoveHome);
  // Hand-over notes and the registry go to a folder of the fuzzer's own.
  setenv("HOME", g_home.c_str(), 1);
  setenv("XDG_DATA_HOME", (g_home / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (g_home / "config").c_str(), 1);
  setenv("FERROW_REGISTRY_DIR", (g_home / "registry").c_str(), 1);
  // Offers of these file types are taken, so that offers reach the hand-over too.
  RegistryWriteValue(RegistryHive::kCurrentUser, L"Software\\Brennick\\Ferrow",
                     std::wstring(L"ExtensionList"),
                     {RegistryType::kString, WideToUtf16Le(L"ZIP EXE ISO") + std::string(2, '\0')});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 60000) return 0;  // within a pipe's buffer, so one write never blocks
  int channel[2];
  FUZZ_CHECK(::pipe(channel) == 0);
  FUZZ_CHECK(size == 0 || ::write(channel[1], data, size) == static_cast<ssize_t>(size));
  ::close(channel[1]);

  const MainProgram program{[] { return std::string("/opt/ferrow/"); }, Start};
  for (;;) {
    std::string body;
    uint64_t length = 0;
    const FrameResult result = ReadFrame(channel[0], kMaxMessage, body, length);
    if (result == FrameResult::kMessage) {
      FUZZ_CHECK(body.size() == length && length <= kMaxMessage);
      CJsonValue value;
      std::string error;
      if (CJsonValue::Parse(body, value, error)) CheckStrings(value);
      CheckAnswer(HandleMessage(body, program));
      continue;
    }
    if (result == FrameResult::kTooLong) FUZZ_CHECK(length > kMaxMessage);
    if (result == FrameResult::kTruncated) FUZZ_CHECK(body.size() < length || length == 0);
    if (result != FrameResult::kEmpty) break;
  }
  ::close(channel[0]);
  return 0;
}
