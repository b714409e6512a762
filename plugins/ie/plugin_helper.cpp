#include "plugins/ie/plugin_helper.h"

#include <cwctype>

#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/common/main_program_launcher.h"

namespace ferrow::tavil {
namespace {

constexpr size_t kAppPathRoom = 520;
constexpr size_t kExtensionListRoom = 2080;

// Lengths and cuts of UTF-8 text in UTF-16 units, the unit the command-line limit counts in.
size_t Utf16Units(const std::string& utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;  // continuation byte
    units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::string CutToUtf16Units(const std::string& utf8, size_t units) {
  size_t used = 0, i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    size_t need = c >= 0xF0 ? 2 : 1;
    if (used + need > units || i + length > utf8.size()) break;
    used += need;
    i += length;
  }
  return utf8.substr(0, i);
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
      return false;
  return true;
}

}  // namespace

bool ReadRegistryString(int hive, const std::wstring& key, const wchar_t* name, size_t room,
                        std::wstring& value) {
  RegistryValue stored;
  RegistryName valueName = name ? RegistryName(std::wstring(name)) : RegistryName();
  if (!RegistryReadValue(static_cast<RegistryHive>(hive), key, valueName, stored) ||
      stored.type != RegistryType::kString || stored.data.size() > room)
    return false;
  std::string data = stored.data.substr(0, stored.data.size() & ~size_t{1});
  value = Utf16LeToWide(data);
  if (size_t zero = value.find(L'\0'); zero != std::wstring::npos) value.resize(zero);
  return true;
}

std::wstring CPluginHelper::ReadAppPath() const {
  std::wstring path;
  if (!ReadRegistryString(static_cast<int>(RegistryHive::kLocalMachine), kProgramKey, L"AppPath",
                          kAppPathRoom, path))
    return L"";
  return path;
}

std::wstring CPluginHelper::ReadExtensionList() const {
  std::wstring list;
  if (!ReadRegistryString(static_cast<int>(RegistryHive::kCurrentUser), kProgramKey,
                          L"ExtensionList", kExtensionListRoom, list))
    return kDefaultExtensionList;
  return list;
}

bool CPluginHelper::IsListedUrl(const std::wstring& url) const {
  if (!url.starts_with(L"ftp://") && !url.starts_with(L"http://")) return false;
  return IsListedUrl(url, ReadExtensionList());
}

bool CPluginHelper::IsListedUrl(const std::wstring& url, const std::wstring& list) {
  if (!url.starts_with(L"ftp://") && !url.starts_with(L"http://")) return false;
  size_t slash = url.rfind(L'/');
  size_t dot = url.rfind(L'.');
  if (dot == std::wstring::npos || slash == std::wstring::npos || dot < slash) return false;
  const std::wstring_view extension = std::wstring_view(url).substr(dot + 1);
  // Entries are separated by single spaces; the first empty entry ends the list.
  size_t begin = 0;
  while (begin < list.size()) {
    size_t end = list.find(L' ', begin);
    if (end == std::wstring::npos) end = list.size();
    const std::wstring_view entry = std::wstring_view(list).substr(begin, end - begin);
    if (entry.empty()) break;
    if (size_t star = entry.find(L'*'); star != std::wstring_view::npos) {
      if (extension.size() >= star && EqualNoCase(extension.substr(0, star), entry.substr(0, star)))
        return true;
    } else if (EqualNoCase(extension, entry)) {
      return true;
    }
    begin = end + 1;
  }
  return false;
}

int CPluginHelper::LaunchMainProgram(const std::wstring& url) const {
  return plugin::StartDetached(plugin::MainProgramArguments(
      WideToLocal(ReadAppPath()), WideToLocal(url), Utf16Units, CutToUtf16Units));
}

CPluginHelper& PluginHelper() {
  static CPluginHelper helper;
  return helper;
}

}  // namespace ferrow::tavil
