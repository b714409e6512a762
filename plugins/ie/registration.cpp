#include "plugins/ie/registration.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/ie/plugin_helper.h"
#include "plugins/ie/tavil.h"

namespace ferrow::tavil {
namespace {

constexpr size_t kDownloadUiRoom = 1024;
constexpr uint32_t kContextsOne = 0x22;  // images and links
constexpr uint32_t kContextsAll = 0xF3;

// String values carry their terminating zero, as the browser expects.
RegistryValue StringValue(const std::wstring& text) {
  return {RegistryType::kString, WideToUtf16Le(text) + std::string(2, '\0')};
}

RegistryValue DwordValue(uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return {RegistryType::kDword, data};
}

bool Write(RegistryHive hive, const std::wstring& key, const wchar_t* name,
           const RegistryValue& value) {
  RegistryName valueName = name ? RegistryName(std::wstring(name)) : RegistryName();
  return RegistryWriteValue(hive, key, valueName, value);
}

std::wstring ResourceUrl(const std::wstring& folder, int id) {
  return L"res://" + folder + kLibraryName + L"/" + std::to_wstring(id);
}

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClassIdText;
const std::wstring kTypeLibKey = std::wstring(L"TypeLib\\") + kLibraryIdText;
const std::wstring kInterfaceKey = std::wstring(L"Interface\\") + kInterfaceIdText;

}  // namespace

int IsBrowserIntegrationOn() {
  std::wstring value;
  return ReadRegistryString(static_cast<int>(RegistryHive::kCurrentUser), kBrowserKey,
                            L"DownloadUI", kDownloadUiRoom, value) &&
                 value == kClassIdText
             ? 1
             : 0;
}

int EnableBrowserIntegration() {
  const std::wstring folder = PluginHelper().ReadAppPath();
  if (folder.empty()) return 0;
  const auto hive = RegistryHive::kCurrentUser;
  bool ok = Write(hive, kBrowserKey, L"DownloadUI", StringValue(kClassIdText)) &&
            Write(hive, kMenuKeyOne, nullptr, StringValue(ResourceUrl(folder, 300))) &&
            Write(hive, kMenuKeyOne, L"contexts", DwordValue(kContextsOne)) &&
            Write(hive, kMenuKeyAll, nullptr, StringValue(ResourceUrl(folder, 301))) &&
            Write(hive, kMenuKeyAll, L"contexts", DwordValue(kContextsAll));
  return ok ? 1 : 0;
}

int DisableBrowserIntegration() {
  // Another program's download handler is left alone.
  if (IsBrowserIntegrationOn())
    RegistryDeleteValue(RegistryHive::kCurrentUser, kBrowserKey, std::wstring(L"DownloadUI"));
  RegistryDeleteKey(RegistryHive::kCurrentUser, kMenuKeyOne);
  RegistryDeleteKey(RegistryHive::kCurrentUser, kMenuKeyAll);
  return 1;
}

com::HRESULT RegisterClass(const std::wstring& modulePath) {
  const auto hive = RegistryHive::kClassesRoot;
  const std::wstring description = L"TavilObj Class";
  const std::wstring folder = std::filesystem::path(modulePath).parent_path().wstring() + L"/";
  RegistryDeleteKey(hive, kClassKey);  // replaced whole
  bool ok =
      Write(hive, L"Tavil.TavilObj.1", nullptr, StringValue(description)) &&
      Write(hive, L"Tavil.TavilObj.1\\CLSID", nullptr, StringValue(kClassIdText)) &&
      Write(hive, L"Tavil.TavilObj", nullptr, StringValue(description)) &&
      Write(hive, L"Tavil.TavilObj\\CLSID", nullptr, StringValue(kClassIdText)) &&
      Write(hive, L"Tavil.TavilObj\\CurVer", nullptr, StringValue(L"Tavil.TavilObj.1")) &&
      Write(hive, kClassKey, nullptr, StringValue(description)) &&
      Write(hive, kClassKey + L"\\ProgID", nullptr, StringValue(L"Tavil.TavilObj.1")) &&
      Write(hive, kClassKey + L"\\VersionIndependentProgID", nullptr,
            StringValue(L"Tavil.TavilObj")) &&
      RegistryCreateKey(hive, kClassKey + L"\\Programmable") &&
      Write(hive, kClassKey + L"\\InprocServer32", nullptr, StringValue(modulePath)) &&
      Write(hive, kClassKey + L"\\InprocServer32", L"ThreadingModel", StringValue(L"Apartment")) &&
      Write(hive, kClassKey + L"\\TypeLib", nullptr, StringValue(kLibraryIdText)) &&
      // The type library's registration: the library lives inside the module itself.
      Write(hive, kTypeLibKey + L"\\1.0", nullptr, StringValue(L"Tavil 1.0 Type Library")) &&
      Write(hive, kTypeLibKey + L"\\1.0\\0\\linux", nullptr, StringValue(modulePath)) &&
      Write(hive, kTypeLibKey + L"\\1.0\\FLAGS", nullptr, StringValue(L"0")) &&
      Write(hive, kTypeLibKey + L"\\1.0\\HELPDIR", nullptr, StringValue(folder)) &&
      Write(hive, kInterfaceKey, nullptr, StringValue(L"ITavilObj")) &&
      Write(hive, kInterfaceKey + L"\\TypeLib", nullptr, StringValue(kLibraryIdText)) &&
      Write(hive, kInterfaceKey + L"\\TypeLib", L"Version", StringValue(L"1.0"));
  return ok ? com::S_OK : com::SELFREG_E_CLASS;
}

com::HRESULT UnregisterClass() {
  const auto hive = RegistryHive::kClassesRoot;
  // Keys that are already gone are no failure; the "CLSID" key itself stays.
  RegistryDeleteKey(hive, kClassKey);
  RegistryDeleteKey(hive, L"Tavil.TavilObj.1");
  RegistryDeleteKey(hive, L"Tavil.TavilObj");
  RegistryDeleteKey(hive, kTypeLibKey);
  RegistryDeleteKey(hive, kInterfaceKey);
  return RegistryKeyExists(hive, kClassKey) ? com::SELFREG_E_CLASS : com::S_OK;
}

std::wstring ModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || !info.dli_fname) return L"";
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(info.dli_fname, error);
  return LocalToWide(path.lexically_normal().string());
}

}  // namespace ferrow::tavil
