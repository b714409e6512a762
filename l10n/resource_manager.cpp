#include "l10n/resource_manager.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>

#include "l10n/dialog_window.h"
#include "l10n/menu_window.h"
#include "l10n/message_numbers.h"
#include "l10n/message_ui.h"
#include "platform/error_code.h"
#include "platform/folders.h"
#include "platform/system_message.h"
#include "platform/text.h"

namespace ferrow {
namespace {

std::wstring Lower(std::wstring text) {
  for (auto& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  return Lower(a) == Lower(b);
}

std::wstring TrimSpacesAndTabs(const std::wstring& line) {
  size_t begin = line.find_first_not_of(L" \t");
  if (begin == std::wstring::npos) return L"";
  size_t end = line.find_last_not_of(L" \t");
  return line.substr(begin, end - begin + 1);
}

// Splits "key=value" at the first "="; false when there is none.
bool SplitEntry(const std::wstring& line, std::wstring& key, std::wstring& value) {
  size_t eq = line.find(L'=');
  if (eq == std::wstring::npos) return false;
  key = line.substr(0, eq);
  value = line.substr(eq + 1);
  return true;
}

// The leading decimal number of a key; false when it does not start with a digit.
bool ParseNumber(const std::wstring& key, uint32_t& number) {
  if (key.empty() || key[0] < L'0' || key[0] > L'9') return false;
  uint64_t value = 0;
  for (size_t i = 0; i < key.size() && key[i] >= L'0' && key[i] <= L'9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(key[i] - L'0');
    if (value > UINT32_MAX) value = UINT32_MAX;
  }
  number = static_cast<uint32_t>(value);
  return true;
}

// Replaces each two-character escape "\x" for the given x with the replacement.
std::wstring Unescape(const std::wstring& text,
                      std::initializer_list<std::pair<wchar_t, wchar_t>> map) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      bool replaced = false;
      for (const auto& [escape, replacement] : map) {
        if (text[i + 1] == escape) {
          out += replacement;
          ++i;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    out += text[i];
  }
  return out;
}

// The name of a "[Menu:name]" or "[Dialog:name]" header; false when no ":" comes before a "]".
bool SectionName(const std::wstring& header, std::wstring& name) {
  size_t colon = header.find(L':');
  size_t bracket = header.find(L']');
  if (colon == std::wstring::npos || bracket == std::wstring::npos || bracket < colon) return false;
  name = header.substr(colon + 1, bracket - colon - 1);
  return true;
}

}  // namespace

CResourceManager& CResourceManager::Instance() {
  static CResourceManager instance;
  return instance;
}

bool CResourceManager::Load(const std::wstring& relativePath) {
  std::wstring path = relativePath;
  for (auto& c : path)
    if (c == L'\\') c = L'/';
  if (!path.empty() && path[0] == L'/') return LoadFile(path);
  return LoadFile(GetProgramFolder() + path);
}

bool CResourceManager::LoadFile(const std::wstring& fullPath) {
  try {
    std::ifstream in(WideToLocal(fullPath), std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    return LoadText(bytes);
  } catch (const std::exception&) {
    return false;
  }
}

bool CResourceManager::LoadText(const std::string& bytes) {
  try {
    std::wstring header;  // empty: before the first section
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos <= bytes.size()) {
      size_t end = bytes.find('\n', pos);
      if (end == std::string::npos) end = bytes.size();
      std::string_view raw(bytes.data() + pos, end - pos);
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      pos = end + 1;
      std::wstring line = TrimSpacesAndTabs(LocalToWide(raw));
      if (line.empty() || line[0] == L';') continue;
      if (line.front() == L'[' && line.back() == L']') {
        if (!header.empty() && !HandleSection(header, lines)) return false;
        header = line;
        lines.clear();
        continue;
      }
      if (!header.empty()) lines.push_back(std::move(line));
    }
    return header.empty() || HandleSection(header, lines);
  } catch (const std::exception&) {
    return false;
  }
}

bool CResourceManager::HandleSection(const std::wstring& header,
                                     const std::vector<std::wstring>& lines) {
  std::wstring lower = Lower(header);
  std::wstring name;
  if (lower.find(L"[info]") != std::wstring::npos) return HandleInfo(lines);
  if (lower.find(L"[menu:") != std::wstring::npos)
    return SectionName(header, name) && HandleMenu(name, lines);
  if (lower.find(L"[dialog:") != std::wstring::npos)
    return SectionName(header, name) && HandleDialog(name, lines);
  if (lower.find(L"[stringtable]") != std::wstring::npos) return HandleStrings(lines);
  return true;  // a section of a kind this program does not know
}

bool CResourceManager::HandleInfo(const std::vector<std::wstring>& lines) {
  for (const auto& line : lines) {
    std::wstring key, value;
    if (!SplitEntry(line, key, value)) return false;
    if (EqualsNoCase(key, L"Language"))
      m_info.m_language = value;
    else if (EqualsNoCase(key, L"Author"))
      m_info.m_author = value;
    else if (EqualsNoCase(key, L"Updated"))
      m_info.m_updated = value;
  }
  return true;
}

bool CResourceManager::HandleStrings(const std::vector<std::wstring>& lines) {
  for (const auto& line : lines) {
    std::wstring key, value;
    uint32_t number = 0;
    if (!SplitEntry(line, key, value)) return false;
    if (ParseNumber(key, number)) m_strings.SetAt(number, Unescape(value, {{L'n', L'\n'}}));
  }
  return true;
}

bool CResourceManager::HandleDialog(const std::wstring& name,
                                    const std::vector<std::wstring>& lines) {
  CDialogInfo dialog;
  for (const auto& line : lines) {
    std::wstring key, value;
    uint32_t id = 0;
    if (!SplitEntry(line, key, value)) return false;
    if (EqualsNoCase(key, L"Title"))
      dialog.m_title = value;
    else if (ParseNumber(key, id))
      dialog.m_controls[id] = value;
  }
  m_dialogs[name] = std::move(dialog);
  return true;
}

bool CResourceManager::HandleMenu(const std::wstring& name,
                                  const std::vector<std::wstring>& lines) {
  CMenuInfo menu;
  CPopupInfo popup;
  auto close = [&] {
    if (!popup.m_items.empty()) menu.m_popups.push_back(std::move(popup));
    popup = CPopupInfo();
  };
  for (const auto& line : lines) {
    std::wstring key, value;
    uint32_t id = 0;
    if (!SplitEntry(line, key, value)) return false;
    if (EqualsNoCase(key, L"Popup")) {
      close();
      popup.m_title = value;
    } else if (ParseNumber(key, id)) {
      popup.m_items[id] = Unescape(value, {{L't', L'\t'}, {L'a', L'\b'}});
    }
  }
  close();
  m_menus[name] = std::move(menu);
  return true;
}

const CDialogInfo* CResourceManager::FindDialog(const std::wstring& name) const {
  auto it = m_dialogs.find(name);
  return it == m_dialogs.end() ? nullptr : &it->second;
}

const CMenuInfo* CResourceManager::FindMenu(const std::wstring& name) const {
  auto it = m_menus.find(name);
  return it == m_menus.end() ? nullptr : &it->second;
}

bool CResourceManager::ApplyDialog(const std::wstring& name, CDialogWindow& dialog) const {
  const CDialogInfo* info = FindDialog(name);
  if (!info) return false;
  dialog.SetCaption(info->m_title);
  for (size_t i = 0; i < dialog.GetChildCount(); ++i) {
    auto it = info->m_controls.find(dialog.GetChildId(i));
    if (it != info->m_controls.end()) dialog.SetChildText(i, it->second);
  }
  return true;
}

bool CResourceManager::ApplyMenu(const std::wstring& name, CMenuWindow& menu) const {
  const CMenuInfo* info = FindMenu(name);
  if (!info) return false;
  for (size_t i = 0; i < info->m_popups.size(); ++i) {
    if (i >= menu.GetItemCount() || !menu.HasSubmenu(i)) continue;
    const CPopupInfo& popup = info->m_popups[i];
    menu.SetItemText(i, popup.m_title);
    for (size_t item = 0; item < menu.GetSubmenuItemCount(i); ++item) {
      auto it = popup.m_items.find(menu.GetSubmenuItemId(i, item));
      if (it != popup.m_items.end()) menu.SetSubmenuItemText(i, item, it->second);
    }
  }
  return true;
}

std::wstring CResourceManager::ErrorText(uint32_t error) const {
  const uint32_t n = ErrorCodeOf(error);
  std::wstring text;
  switch (ErrorCategoryOf(error)) {
    case kCategorySystem:
      text = GetString(4000 + n);
      if (text.empty()) {
        text = SystemErrorMessage(static_cast<uint16_t>(n));
        std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
        size_t keep = text.find_last_not_of(L" .");
        text.resize(keep == std::wstring::npos ? 0 : keep + 1);
      }
      break;
    case kCategorySocket:
      if (n >= 4000) text = GetString(n - 4000);
      break;
    case kCategoryFtp:
      text = GetString(8000 + n);
      break;
    case kCategoryHttp:
      text = GetString(9000 + n);
      break;
    case kCategorySocks:
      text = GetString(10000 + n);
      break;
    case kCategoryTls:
      text = GetString(Msg::kTlsErrorBase + n);
      break;
    default:
      break;
  }
  return text.empty() ? GetString(11000) : text;
}

std::wstring CResourceManager::FormatMessage(uint32_t number,
                                             std::initializer_list<CMessageArg> args) const {
  return FormatMessageText(GetString(number), args);
}

void CResourceManager::ShowMessage(uint32_t number, std::initializer_list<CMessageArg> args) const {
  if (m_ui) m_ui->ShowMessage(FormatMessage(number, args));
}

bool CResourceManager::AskMessage(uint32_t number, std::initializer_list<CMessageArg> args) const {
  return m_ui && m_ui->AskYesNo(FormatMessage(number, args));
}

std::wstring CResourceManager::LanguageFileForPrimaryLanguage(uint32_t primaryLanguage) {
  switch (primaryLanguage) {
    case 1:
      return L"Languages/Arabic.lng";
    case 2:
      return L"Languages/Bulgarian.lng";
    case 4:
      return L"Languages/Chinese.lng";
    case 5:
      return L"Languages/Czech.lng";
    case 7:
      return L"Languages/German.lng";
    case 10:
      return L"Languages/Spanish.lng";
    case 12:
      return L"Languages/French.lng";
    case 16:
      return L"Languages/Italian.lng";
    case 21:
      return L"Languages/Polish.lng";
    case 25:
      return L"Languages/Russian.lng";
    case 31:
      return L"Languages/Turkish.lng";
    case 34:
      return L"Languages/Ukranian.lng";  // the file's established spelling
    default:
      return kEnglishFile;
  }
}

std::wstring CResourceManager::LanguageFileForLanguageCode(const std::string& code) {
  // ISO 639-1 codes and the Windows primary language numbers of the same languages.
  static const std::pair<const char*, uint32_t> kCodes[] = {
      {"ar", 1},  {"bg", 2},  {"zh", 4},  {"cs", 5},  {"de", 7},  {"es", 10},
      {"fr", 12}, {"it", 16}, {"pl", 21}, {"ru", 25}, {"tr", 31}, {"uk", 34}};
  std::string lower;
  for (char c : code) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const auto& [name, number] : kCodes)
    if (lower == name) return LanguageFileForPrimaryLanguage(number);
  return kEnglishFile;
}

std::vector<std::wstring> CResourceManager::GetLanguageTitles() {
  std::vector<std::wstring> titles;
  std::error_code error;
  std::filesystem::path folder = WideToLocal(GetProgramFolder() + L"Languages");
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::path& path = it->path();
    if (path.extension() == ".lng" && it->is_regular_file(error))
      titles.push_back(LocalToWide(path.stem().string()));
  }
  std::sort(titles.begin(), titles.end());
  return titles;
}

std::wstring CResourceManager::GetDefaultLanguageFile() {
  // The same precedence as the C library: LC_ALL, then LC_MESSAGES, then LANG.
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    std::string locale = value;
    size_t end = locale.find_first_of("_.@");
    return LanguageFileForLanguageCode(locale.substr(0, end));
  }
  return kEnglishFile;
}

}  // namespace ferrow
