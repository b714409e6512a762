#include "net/content_disposition.h"

#include <vector>

#include "platform/text.h"

namespace ferrow {

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

struct Parameter {
  std::string name;
  std::string value;
};

// "type; name=value; name="quoted \" value"": the parameters after the type, quotes and their
// escapes removed. Semicolons inside quotes belong to the value.
std::vector<Parameter> SplitParameters(std::string_view value) {
  std::vector<Parameter> parameters;
  size_t at = value.find(';');
  while (at != std::string_view::npos && at < value.size()) {
    ++at;
    const size_t equals = value.find('=', at);
    if (equals == std::string_view::npos) break;
    Parameter parameter;
    parameter.name = std::string(Trim(value.substr(at, equals - at)));
    at = equals + 1;
    while (at < value.size() && (value[at] == ' ' || value[at] == '\t')) ++at;
    if (at < value.size() && value[at] == '"') {
      for (++at; at < value.size() && value[at] != '"'; ++at) {
        if (value[at] == '\\' && at + 1 < value.size()) ++at;
        parameter.value += value[at];
      }
      at = value.find(';', at);
    } else {
      const size_t end = value.find(';', at);
      parameter.value = std::string(Trim(
          value.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at)));
      at = end;
    }
    parameters.push_back(std::move(parameter));
  }
  return parameters;
}

// RFC 5987: charset "'" [language] "'" percent-encoded bytes. UTF-8 and ISO-8859-1 only.
bool DecodeExtendedValue(const std::string& value, std::wstring& name) {
  const size_t first = value.find('\'');
  const size_t second = first == std::string::npos ? first : value.find('\'', first + 1);
  if (second == std::string::npos) return false;
  const std::string_view charset(value.data(), first);
  std::string bytes;
  for (size_t i = second + 1; i < value.size(); ++i) {
    if (value[i] == '%') {
      if (i + 2 >= value.size() || HexValue(value[i + 1]) < 0 || HexValue(value[i + 2]) < 0)
        return false;
      bytes += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
      i += 2;
    } else {
      bytes += value[i];
    }
  }
  if (EqualsNoCase(charset, "utf-8")) {
    name = Utf8ToWide(bytes);
  } else if (EqualsNoCase(charset, "iso-8859-1")) {
    name.clear();
    for (char c : bytes) name += static_cast<wchar_t>(static_cast<unsigned char>(c));
  } else {
    return false;
  }
  return !name.empty();
}

}  // namespace

bool ParseContentDispositionFileName(std::string_view value, std::wstring& name) {
  name.clear();
  const std::vector<Parameter> parameters = SplitParameters(value);
  for (const Parameter& parameter : parameters) {
    if (EqualsNoCase(parameter.name, "filename*") && DecodeExtendedValue(parameter.value, name))
      return true;
  }
  for (const Parameter& parameter : parameters) {
    if (EqualsNoCase(parameter.name, "filename") && !parameter.value.empty()) {
      // Servers send UTF-8 here too, or ISO-8859-1: the local text rules take either.
      name = LocalToWide(parameter.value);
      return !name.empty();
    }
  }
  return false;
}

}  // namespace ferrow
