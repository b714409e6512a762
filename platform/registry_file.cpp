#include "platform/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace ferrow {
namespace {

constexpr char kHeader[] = "FerrowRegistry 1";

struct Value {
  std::wstring name;  // empty: the key's default value
  RegistryValue value;
};

struct Key {
  std::wstring path;
  std::vector<Value> values;
};

using Hive = std::vector<Key>;

std::wstring NormalizeKey(const std::wstring& key) {
  size_t begin = key.find_first_not_of(L'\\');
  if (begin == std::wstring::npos) return L"";
  size_t end = key.find_last_not_of(L'\\');
  return key.substr(begin, end - begin + 1);
}

std::wstring NameOf(const RegistryName& name) {
  return name ? *name : std::wstring();
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && RegistryFoldName(a) == RegistryFoldName(b);
}

// Percent-encoding keeps names and texts on one line and free of the format's own characters.
std::string Encode(std::string_view utf8) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : utf8) {
    if (c < 0x20 || c == '%' || c == '=' || c == '[' || c == ']' || c == '@' || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ToHex(std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

bool FromHex(std::string_view text, std::string& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

// A string value is written readably when its bytes are exactly what a text would give.
bool AsReadableString(const RegistryValue& value, std::wstring& text) {
  const std::string& data = value.data;
  if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 ||
      data[data.size() - 2] != 0)
    return false;
  text = Utf16LeToWide(std::string_view(data).substr(0, data.size() - 2));
  return Utf8ToWide(WideToUtf8(text)) == text && WideToUtf16Le(text) + std::string(2, '\0') == data;
}

std::string FormatValue(const RegistryValue& value) {
  std::wstring text;
  if (value.type == RegistryType::kString && AsReadableString(value, text))
    return "sz:" + Encode(WideToUtf8(text));
  if (value.type == RegistryType::kDword && value.data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(value.data[i]);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", v);
    return std::string("dword:") + buffer;
  }
  return "hex(" + std::to_string(static_cast<uint32_t>(value.type)) + "):" + ToHex(value.data);
}

bool ParseValue(std::string_view text, RegistryValue& value) {
  if (text.starts_with("sz:")) {
    value.type = RegistryType::kString;
    value.data = WideToUtf16Le(Utf8ToWide(Decode(text.substr(3)))) + std::string(2, '\0');
    return true;
  }
  if (text.starts_with("dword:")) {
    std::string digits(text.substr(6));
    if (digits.size() != 8) return false;
    std::string raw;
    if (!FromHex(digits, raw)) return false;
    value.type = RegistryType::kDword;
    value.data.assign(raw.rbegin(), raw.rend());  // the text reads big-endian, the data is little
    return true;
  }
  if (text.starts_with("hex(")) {
    size_t close = text.find("):");
    if (close == std::string_view::npos) return false;
    char* end = nullptr;
    std::string number(text.substr(4, close - 4));
    unsigned long type = std::strtoul(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0') return false;
    value.type = static_cast<RegistryType>(type);
    return FromHex(text.substr(close + 2), value.data);
  }
  return false;
}

Key* FindKey(Hive& hive, const std::wstring& path) {
  for (auto& key : hive)
    if (SameName(key.path, path)) return &key;
  return nullptr;
}

Value* FindValue(Key& key, const std::wstring& name) {
  for (auto& value : key.values)
    if (SameName(value.name, name)) return &value;
  return nullptr;
}

Key& EnsureKey(Hive& hive, const std::wstring& path) {
  // Parents first, so that every key above a written one exists too.
  for (size_t pos = path.find(L'\\'); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
    std::wstring parent = path.substr(0, pos);
    if (!parent.empty() && !FindKey(hive, parent)) hive.push_back(Key{parent, {}});
  }
  if (Key* key = FindKey(hive, path)) return *key;
  hive.push_back(Key{path, {}});
  return hive.back();
}

// Reads a hive file. A missing file is an empty hive; lines the reader does not understand
// (a hand edit gone wrong) are skipped rather than failing the whole hive.
Hive ReadHive(const std::filesystem::path& path) {
  Hive hive;
  std::ifstream in(path, std::ios::binary);
  if (!in) return hive;
  std::string line;
  Key* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line == kHeader || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      std::wstring keyPath = NormalizeKey(Utf8ToWide(Decode(line.substr(1, line.size() - 2))));
      current = &EnsureKey(hive, keyPath);
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string rawName = line.substr(0, eq);
    std::wstring name = rawName == "@" ? L"" : Utf8ToWide(Decode(rawName));
    RegistryValue value;
    if (!ParseValue(std::string_view(line).substr(eq + 1), value)) continue;
    if (Value* existing = FindValue(*current, name))
      existing->value = value;
    else
      current->values.push_back(Value{name, value});
  }
  return hive;
}

std::string FormatHive(const Hive& hive) {
  std::string out = std::string(kHeader) + "\n";
  for (const auto& key : hive) {
    // Appended piece by piece, as in atomic_file.cpp (g++ 12 -Wrestrict false positive).
    out += "\n[";
    out += Encode(WideToUtf8(key.path));
    out += "]\n";
    for (const auto& value : key.values) {
      out += value.name.empty() ? "@" : Encode(WideToUtf8(value.name));
      out += '=';
      out += FormatValue(value.value);
      out += '\n';
    }
  }
  return out;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReplaceHiveFile(const std::filesystem::path& path, const std::string& bytes) {
  std::string temp = path.string() + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

// Runs one change under the hive's exclusive lock: read, change, replace.
template <typename Change>
bool ModifyHive(RegistryHive which, Change change) {
  std::error_code error;
  std::filesystem::path folder = RegistryFolder();
  std::filesystem::create_directories(folder, error);
  std::filesystem::path path = RegistryHivePath(which);
  std::string lockPath = path.string() + ".lock";
  int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return false;
  int rc;
  do rc = ::flock(lock, LOCK_EX);
  while (rc != 0 && errno == EINTR);
  bool ok = false;
  if (rc == 0) {
    Hive hive = ReadHive(path);
    bool changed = false;
    ok = change(hive, changed);
    if (ok && changed) ok = ReplaceHiveFile(path, FormatHive(hive));
    ::flock(lock, LOCK_UN);
  }
  ::close(lock);
  return ok;
}

}  // namespace

std::wstring RegistryFoldName(const std::wstring& name) {
  std::wstring folded = name;
  for (auto& c : folded) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return folded;
}

std::filesystem::path RegistryFolder() {
  if (const char* dir = std::getenv("FERROW_REGISTRY_DIR"); dir && *dir) return dir;
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
    config = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    config = std::filesystem::path(home) / ".config";
  else
    config = "/tmp";
  return config / "Brennick" / "Ferrow" / "registry";
}

std::filesystem::path RegistryHivePath(RegistryHive hive) {
  switch (hive) {
    case RegistryHive::kCurrentUser:
      return RegistryFolder() / "CurrentUser.reg";
    case RegistryHive::kLocalMachine:
      return RegistryFolder() / "LocalMachine.reg";
    case RegistryHive::kClassesRoot:
      return RegistryFolder() / "ClassesRoot.reg";
  }
  return RegistryFolder() / "CurrentUser.reg";
}

bool RegistryKeyExists(RegistryHive which, const std::wstring& key) {
  Hive hive = ReadHive(RegistryHivePath(which));
  return FindKey(hive, NormalizeKey(key)) != nullptr;
}

bool RegistryCreateKey(RegistryHive which, const std::wstring& key) {
  std::wstring path = NormalizeKey(key);
  if (path.empty()) return false;
  return ModifyHive(which, [&](Hive& hive, bool& changed) {
    changed = FindKey(hive, path) == nullptr;
    EnsureKey(hive, path);
    return true;
  });
}

bool RegistryReadValue(RegistryHive which, const std::wstring& key, const RegistryName& name,
                       RegistryValue& out) {
  Hive hive = ReadHive(RegistryHivePath(which));
  Key* found = FindKey(hive, NormalizeKey(key));
  if (!found) return false;
  Value* value = FindValue(*found, NameOf(name));
  if (!value) return false;
  out = value->value;
  return true;
}

bool RegistryWriteValue(RegistryHive which, const std::wstring& key, const RegistryName& name,
                        const RegistryValue& value) {
  std::wstring path = NormalizeKey(key);
  if (path.empty()) return false;
  return ModifyHive(which, [&](Hive& hive, bool& changed) {
    Key& target = EnsureKey(hive, path);
    if (Value* existing = FindValue(target, NameOf(name)))
      existing->value = value;
    else
      target.values.push_back(Value{NameOf(name), value});
    changed = true;
    return true;
  });
}

bool RegistryDeleteValue(RegistryHive which, const std::wstring& key, const RegistryName& name) {
  std::wstring path = NormalizeKey(key);
  return ModifyHive(which, [&](Hive& hive, bool& changed) {
    Key* target = FindKey(hive, path);
    if (!target) return false;
    for (auto it = target->values.begin(); it != target->values.end(); ++it) {
      if (SameName(it->name, NameOf(name))) {
        target->values.erase(it);
        changed = true;
        return true;
      }
    }
    return false;
  });
}

bool RegistryDeleteKey(RegistryHive which, const std::wstring& key) {
  std::wstring path = NormalizeKey(key);
  if (path.empty()) return false;
  const std::wstring folded = RegistryFoldName(path);
  return ModifyHive(which, [&](Hive& hive, bool& changed) {
    // A key below has the folded path followed by a backslash as its prefix; "A\BC" is not
    // below "A\B".
    auto under = [&](const Key& k) {
      std::wstring name = RegistryFoldName(k.path);
      return name == folded || (name.size() > folded.size() && name.starts_with(folded) &&
                                name[folded.size()] == L'\\');
    };
    size_t before = hive.size();
    std::erase_if(hive, under);
    changed = hive.size() != before;
    return changed;
  });
}

std::vector<std::wstring> RegistryValueNames(RegistryHive which, const std::wstring& key) {
  std::vector<std::wstring> names;
  Hive hive = ReadHive(RegistryHivePath(which));
  if (Key* found = FindKey(hive, NormalizeKey(key)))
    for (const auto& value : found->values)
      if (!value.name.empty()) names.push_back(value.name);
  return names;
}

}  // namespace ferrow
