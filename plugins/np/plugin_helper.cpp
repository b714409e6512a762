#include "plugins/np/plugin_helper.h"

#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/common/main_program_launcher.h"

namespace ferrow::np {
namespace {

constexpr size_t kAppPathRoom = 260;

}  // namespace

std::string CPluginHelper::ReadAppPath() const {
  RegistryValue stored;
  if (!RegistryReadValue(RegistryHive::kLocalMachine, L"Software\\Brennick\\Ferrow",
                         std::wstring(L"AppPath"), stored) ||
      stored.type != RegistryType::kString)
    return "";
  std::wstring wide = Utf16LeToWide(stored.data.substr(0, stored.data.size() & ~size_t{1}));
  if (size_t zero = wide.find(L'\0'); zero != std::wstring::npos) wide.resize(zero);
  std::string path = WideToLocal(wide);
  return path.size() + 1 > kAppPathRoom ? "" : path;
}

int CPluginHelper::LaunchMainProgram(const std::string& url) const {
  return plugin::StartDetached(plugin::MainProgramArguments(ReadAppPath(), url));
}

CPluginHelper& PluginHelper() {
  static CPluginHelper helper;
  return helper;
}

}  // namespace ferrow::np
