#include "shell/registry.h"

#include "platform/text.h"

namespace ferrow {
namespace {

RegistryName NameOf(const wchar_t* name) {
  return name ? RegistryName(std::wstring(name)) : RegistryName();
}

}  // namespace

const wchar_t* const CRegistry::kProgramKey = L"Software\\Brennick\\Ferrow";

CRegistry::CRegistry(const std::wstring& section, Mode mode)
    : CRegistry(
          RegistryHive::kCurrentUser,
          section.empty() ? std::wstring(kProgramKey) : std::wstring(kProgramKey) + L"\\" + section,
          mode) {}

CRegistry::CRegistry(RegistryHive hive, const std::wstring& keyPath, Mode mode)
    : m_hive(hive), m_keyPath(keyPath) {
  m_open = mode == kRead ? RegistryKeyExists(hive, keyPath) : RegistryCreateKey(hive, keyPath);
}

bool CRegistry::Read(const wchar_t* name, RegistryValue& value) const {
  return m_open && RegistryReadValue(m_hive, m_keyPath, NameOf(name), value);
}

bool CRegistry::Write(const wchar_t* name, const RegistryValue& value) {
  return m_open && RegistryWriteValue(m_hive, m_keyPath, NameOf(name), value);
}

bool CRegistry::ReadString(const wchar_t* name, std::wstring& value) const {
  RegistryValue stored;
  if (!Read(name, stored) || stored.type != RegistryType::kString) return false;
  std::string data = stored.data;
  if (data.size() < 2) {
    value.clear();
    return true;
  }
  data.resize(data.size() & ~size_t{1});
  std::wstring text = Utf16LeToWide(data);
  // The stored form ends with a zero; whatever follows the first zero is not text.
  size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  value = text;
  return true;
}

bool CRegistry::WriteString(const wchar_t* name, const std::wstring& value) {
  return Write(name, {RegistryType::kString, WideToUtf16Le(value) + std::string(2, '\0')});
}

bool CRegistry::ReadDword(const wchar_t* name, uint32_t& value) const {
  RegistryValue stored;
  if (!Read(name, stored) || stored.type != RegistryType::kDword || stored.data.size() != 4)
    return false;
  value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(stored.data[i]);
  return true;
}

bool CRegistry::WriteDword(const wchar_t* name, uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return Write(name, {RegistryType::kDword, data});
}

bool CRegistry::ReadBinary(const wchar_t* name, std::vector<uint8_t>& bytes) const {
  RegistryValue stored;
  if (!Read(name, stored) || stored.type != RegistryType::kBinary) return false;
  bytes.assign(stored.data.begin(), stored.data.end());
  return true;
}

bool CRegistry::WriteBinary(const wchar_t* name, const void* bytes, size_t length) {
  const char* data = static_cast<const char*>(bytes);
  return Write(name, {RegistryType::kBinary, std::string(data, data + length)});
}

bool CRegistry::ReadGuid(const wchar_t* name, Guid& value) const {
  std::wstring text;
  return ReadString(name, text) && Guid::Parse(text, value);
}

bool CRegistry::WriteGuid(const wchar_t* name, const Guid& value) {
  return WriteString(name, value.ToString());
}

bool CRegistry::DeleteValue(const wchar_t* name) {
  return m_open && RegistryDeleteValue(m_hive, m_keyPath, NameOf(name));
}

}  // namespace ferrow
