// A registry hive file, which the plug-ins, the native messaging host and a user's editor
// write as well as the program: the input is the hive, its keys are looked up, and a value is
// written into it, which rewrites the whole hive in its own form. Writing the same value once
// more must leave exactly those bytes (what the reader takes from a hive it wrote is what was
// written), the value must read back, and every value the hive held must still read the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_file.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;

std::filesystem::path g_folder;

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

std::string ReadHiveBytes() {
  std::ifstream in(RegistryHivePath(RegistryHive::kCurrentUser), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A hive change is synced to disk: on a memory file system that costs nothing.
  const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  g_folder = std::filesystem::path(base) / ("ferrow-registry-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(g_folder);
  std::atexit(RemoveFolder);
  setenv("FERROW_REGISTRY_DIR", g_folder.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(RegistryHivePath(RegistryHive::kCurrentUser),
                      std::ios::binary | std::ios::trunc);
    out.write(input.data(), static_cast<std::streamsize>(size));
  }

  // Lookups of the keys the input names, as written (the reader decodes and folds them).
  struct Seen {
    std::wstring key, name;
    RegistryValue value;
  };
  std::vector<Seen> seen;
  int lookups = 0;
  for (size_t at = input.find('['); at != std::string_view::npos && lookups < 16;
       at = input.find('[', at + 1), ++lookups) {
    const size_t close = input.find(']', at);
    if (close == std::string_view::npos) break;
    const std::wstring key = Utf8ToWide(input.substr(at + 1, close - at - 1));
    RegistryKeyExists(RegistryHive::kCurrentUser, key);
    for (const std::wstring& name : RegistryValueNames(RegistryHive::kCurrentUser, key)) {
      RegistryValue value;
      FUZZ_CHECK(RegistryReadValue(RegistryHive::kCurrentUser, key, name, value));
      if (RegistryFoldName(key).find(L"fuzz\\probe") == std::wstring::npos)
        seen.push_back({key, name, value});
    }
  }

  const RegistryValue probe{RegistryType::kDword, std::string("\x01\x00\x00\x00", 4)};
  const std::wstring key = L"Software\\Fuzz\\Probe";
  FUZZ_CHECK(RegistryWriteValue(RegistryHive::kCurrentUser, key, std::wstring(L"Value"), probe));
  const std::string written = ReadHiveBytes();
  FUZZ_CHECK(RegistryWriteValue(RegistryHive::kCurrentUser, key, std::wstring(L"Value"), probe));
  FUZZ_CHECK(ReadHiveBytes() == written);
  RegistryValue value;
  FUZZ_CHECK(RegistryReadValue(RegistryHive::kCurrentUser, key, std::wstring(L"VALUE"), value));
  FUZZ_CHECK(value.type == probe.type && value.data == probe.data);
  FUZZ_CHECK(RegistryKeyExists(RegistryHive::kCurrentUser, L"software\\fuzz"));
  // Rewriting the hive keeps every value it held.
  for (const Seen& before : seen) {
    RegistryValue after;
    FUZZ_CHECK(RegistryReadValue(RegistryHive::kCurrentUser, before.key, before.name, after));
    FUZZ_CHECK(after.type == before.value.type && after.data == before.value.data);
  }
  return 0;
}
