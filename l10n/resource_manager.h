#pragma once
// The language manager: every user-visible text by number, dialog texts by dialog name, menu
// texts by menu name, read from one language file. There is one instance for the program
// (Instance()); it is loaded once on the user-interface thread before other threads start and is
// only read afterwards, so it needs no lock. Tests make their own instances.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

#include "l10n/dialog_info.h"
#include "l10n/menu_info.h"
#include "l10n/message_format.h"
#include "l10n/resource_info.h"
#include "l10n/string_table.h"

namespace ferrow {

class CDialogWindow;
class CMenuWindow;
class CMessageUi;

class CResourceManager {
 public:
  static CResourceManager& Instance();

  // Loads a language file given relative to the program folder ("Languages/English.lng"; a
  // backslash is taken as the separator too, so settings written on Windows still work).
  bool Load(const std::wstring& relativePath);
  // Loads a language file by its full path. A file that cannot be opened fails, so that start-up
  // falls back to English instead of running without any texts. A malformed file fails too;
  // the sections read before the fault stay in effect.
  bool LoadFile(const std::wstring& fullPath);
  // Parses language-file text (8-bit, in the locale's character set).
  bool LoadText(const std::string& bytes);

  std::wstring GetString(uint32_t number) const { return m_strings.GetAt(number); }
  const CResourceInfo& GetInfo() const { return m_info; }
  const CStringTable& GetStringTable() const { return m_strings; }
  const CDialogInfo* FindDialog(const std::wstring& name) const;
  const CMenuInfo* FindMenu(const std::wstring& name) const;

  // False (and nothing changed) when the file has no section for that name.
  bool ApplyDialog(const std::wstring& name, CDialogWindow& dialog) const;
  bool ApplyMenu(const std::wstring& name, CMenuWindow& menu) const;

  // The text for a packed error value: 4000 + n for system codes, n - 4000 for socket codes,
  // 8000 + n FTP, 9000 + n HTTP, 10000 + n SOCKS; a system code without text takes the
  // operating system's message; anything still empty takes message 11000.
  std::wstring ErrorText(uint32_t error) const;

  // The message windows go through this; without one (a headless run) ShowMessage does nothing
  // and AskMessage answers No. The owner of the interface outlives its use here.
  void SetMessageUi(CMessageUi* ui) { m_ui = ui; }
  std::wstring FormatMessage(uint32_t number, std::initializer_list<CMessageArg> args = {}) const;
  void ShowMessage(uint32_t number, std::initializer_list<CMessageArg> args = {}) const;
  bool AskMessage(uint32_t number, std::initializer_list<CMessageArg> args = {}) const;

  // The language file for the user's language, from the locale (LC_ALL, LC_MESSAGES, LANG):
  // "de_DE.UTF-8" gives "Languages/German.lng"; unknown languages give English.
  static std::wstring GetDefaultLanguageFile();
  // The same choice by the Windows primary language number (7 German, 34 Ukrainian, ...).
  static std::wstring LanguageFileForPrimaryLanguage(uint32_t primaryLanguage);
  // The same choice by an ISO 639 language code ("de", "uk").
  static std::wstring LanguageFileForLanguageCode(const std::string& code);
  // Titles (file names without ".lng") of the language files in the program's "Languages"
  // folder, sorted; the settings page offers them and stores "Languages/" + title + ".lng".
  static std::vector<std::wstring> GetLanguageTitles();
  static constexpr const wchar_t* kEnglishFile = L"Languages/English.lng";

 private:
  bool HandleSection(const std::wstring& header, const std::vector<std::wstring>& lines);
  bool HandleInfo(const std::vector<std::wstring>& lines);
  bool HandleStrings(const std::vector<std::wstring>& lines);
  bool HandleDialog(const std::wstring& name, const std::vector<std::wstring>& lines);
  bool HandleMenu(const std::wstring& name, const std::vector<std::wstring>& lines);

  CResourceInfo m_info;
  CStringTable m_strings;
  std::unordered_map<std::wstring, CMenuInfo> m_menus;
  std::unordered_map<std::wstring, CDialogInfo> m_dialogs;
  CMessageUi* m_ui = nullptr;
};

}  // namespace ferrow
