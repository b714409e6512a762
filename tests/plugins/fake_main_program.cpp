#include "tests/plugins/fake_main_program.h"

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/registry_file.h"
#include "platform/text.h"

namespace ferrow::test {

FakeMainProgram::FakeMainProgram(const std::filesystem::path& folder) : m_folder(folder) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(FERROW_FAKE_MAIN_PROGRAM, folder / "ferrow",
                             std::filesystem::copy_options::overwrite_existing);
}

void FakeMainProgram::Register() const {
  RegistryWriteValue(
      RegistryHive::kLocalMachine, L"Software\\Brennick\\Ferrow", std::wstring(L"AppPath"),
      {RegistryType::kString, WideToUtf16Le(LocalToWide(AppPath())) + std::string(2, '\0')});
}

std::vector<std::vector<std::string>> FakeMainProgram::Records() const {
  std::vector<std::vector<std::string>> records;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder / "records", error)) {
    if (entry.path().extension() == ".tmp") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::vector<std::string> argv;
    std::string text = bytes.str(), arg;
    for (char c : text) {
      if (c == '\0') {
        argv.push_back(arg);
        arg.clear();
      } else {
        arg += c;
      }
    }
    records.push_back(argv);
  }
  return records;
}

bool FakeMainProgram::WaitForRecords(size_t count, std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (Records().size() < count) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void FakeMainProgram::ClearRecords() const {
  std::error_code error;
  std::filesystem::remove_all(m_folder / "records", error);
}

}  // namespace ferrow::test
