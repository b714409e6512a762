#include "shell/browser_integration.h"

#include <cstdint>
#include <filesystem>

#include "l10n/resource_manager.h"
#include "platform/folders.h"
#include "platform/shared_library.h"
#include "platform/text.h"

namespace ferrow {
namespace {

constexpr uint32_t kLibraryMissing = 3006;
constexpr const char* kLibraryName = "Tavil.so";

const char* ExportName(CBrowserIntegration::Export which) {
  switch (which) {
    case CBrowserIntegration::Export::kEnablePlugin:
      return "EnablePlugin";
    case CBrowserIntegration::Export::kDisablePlugin:
      return "DisablePlugin";
    case CBrowserIntegration::Export::kIsPluginEnabled:
      return "IsPluginEnabled";
  }
  return "";
}

}  // namespace

std::wstring CBrowserIntegration::DefaultLibraryPath() {
  namespace fs = std::filesystem;
  const fs::path program(WideToLocal(GetProgramPath()));
  const fs::path beside = program.parent_path() / kLibraryName;
  const fs::path installed = program.parent_path().parent_path() / "lib" / "ferrow" / kLibraryName;
  std::error_code error;
  if (!fs::exists(beside, error) && fs::exists(installed, error))
    return LocalToWide(installed.string());
  return LocalToWide(beside.string());
}

CBrowserIntegration::CBrowserIntegration(const CResourceManager* resources,
                                         std::wstring libraryPath)
    : m_resources(resources), m_libraryPath(std::move(libraryPath)) {}

int CBrowserIntegration::Call(Export which) const {
  CSharedLibrary library;
  using Function = int (*)();
  Function function = nullptr;
  if (library.Load(m_libraryPath))
    function = reinterpret_cast<Function>(library.Find(ExportName(which)));
  if (!function) {
    if (m_resources) m_resources->ShowMessage(kLibraryMissing, {m_libraryPath});
    return 0;
  }
  return function();
}

bool CBrowserIntegration::Toggle(bool& enableIntegration) const {
  Apply(!enableIntegration);
  enableIntegration = Call(Export::kIsPluginEnabled) != 0;
  return enableIntegration;
}

}  // namespace ferrow
