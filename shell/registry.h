#pragma once
// One registry key opened for one operation. The sections of the program live under the current
// user's "Software\Brennick\Ferrow"; the other constructor reaches any key (the autostart "Run"
// key, the machine's "AppPath").
#include <cstdint>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/registry_file.h"

namespace ferrow {

// The sections and values the program keeps under its key.
namespace RegistryNames {
constexpr const wchar_t* kLayoutFrame = L"Layout\\Frame";
constexpr const wchar_t* kLayoutPanesDownloads = L"Layout\\Panes\\Downloads";
constexpr const wchar_t* kLayoutPanesExplorer = L"Layout\\Panes\\Explorer";
constexpr const wchar_t* kLayoutPanesFolders = L"Layout\\Panes\\Folders";
constexpr const wchar_t* kLayoutPanesHistory = L"Layout\\Panes\\History";
constexpr const wchar_t* kLayoutViewsExplorer = L"Layout\\Views\\Explorer";
constexpr const wchar_t* kLayoutViewsFile = L"Layout\\Views\\File";
constexpr const wchar_t* kLayoutViewsHistory = L"Layout\\Views\\History";
constexpr const wchar_t* kLayoutViewsRemote = L"Layout\\Views\\Remote";
constexpr const wchar_t* kRecentUrl = L"Recent\\URL";          // capacity kRecentCapacity
constexpr const wchar_t* kRecentAddress = L"Recent\\Address";  // capacity kRecentCapacity
constexpr const wchar_t* kRecentFolder = L"Recent\\Folder";    // default value: folder GUID
constexpr uint32_t kRecentCapacity = 20;
// Values directly in the program key (empty section).
constexpr const wchar_t* kExtensionList = L"ExtensionList";
constexpr const wchar_t* kLastCheckUpdate = L"LastCheckUpdate";  // 32-bit
// Under the machine's "Software\Brennick\Ferrow", set by the installation only.
constexpr const wchar_t* kAppPath = L"AppPath";
}  // namespace RegistryNames

class CRegistry {
 public:
  enum Mode { kRead, kWrite };

  // The program's root key under the current user; each section is a key below it.
  static const wchar_t* const kProgramKey;

  // Opens "Software\Brennick\Ferrow" + "\" + section under the current user (an empty section
  // opens the program key itself). kRead opens only an existing key; kWrite creates it.
  CRegistry(const std::wstring& section, Mode mode);
  CRegistry(RegistryHive hive, const std::wstring& keyPath, Mode mode);

  bool IsOpen() const { return m_open; }
  const std::wstring& GetKeyPath() const { return m_keyPath; }

  // A null name addresses the key's default value.
  bool ReadString(const wchar_t* name, std::wstring& value) const;
  bool WriteString(const wchar_t* name, const std::wstring& value);
  bool ReadDword(const wchar_t* name, uint32_t& value) const;
  bool WriteDword(const wchar_t* name, uint32_t value);
  bool ReadBinary(const wchar_t* name, std::vector<uint8_t>& bytes) const;
  bool WriteBinary(const wchar_t* name, const void* bytes, size_t length);
  // A GUID as a string value in its 36-character lower-case form.
  bool ReadGuid(const wchar_t* name, Guid& value) const;
  bool WriteGuid(const wchar_t* name, const Guid& value);
  bool DeleteValue(const wchar_t* name);

 private:
  bool Read(const wchar_t* name, RegistryValue& value) const;
  bool Write(const wchar_t* name, const RegistryValue& value);

  RegistryHive m_hive;
  std::wstring m_keyPath;
  bool m_open = false;
};

}  // namespace ferrow
