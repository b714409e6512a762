#include "l10n/message_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace ferrow {
namespace {

constexpr int kMaxWidth = 512;  // a hostile "%99999999d" must not allocate gigabytes

struct Placeholder {
  std::string flags;
  int width = -1;
  int precision = -1;
  wchar_t conversion = 0;
};

int64_t AsSigned(const CMessageArg* arg) {
  if (!arg) return 0;
  const auto& v = arg->Get();
  if (auto* i = std::get_if<int64_t>(&v)) return *i;
  if (auto* u = std::get_if<uint64_t>(&v)) return static_cast<int64_t>(*u);
  if (auto* d = std::get_if<double>(&v)) {
    // A number beyond the range (or not a number) has no integer value: take the nearest.
    if (std::isnan(*d)) return 0;
    if (*d >= 9223372036854775807.0) return INT64_MAX;
    if (*d <= -9223372036854775807.0) return INT64_MIN;
    return static_cast<int64_t>(*d);
  }
  return static_cast<int64_t>(std::wcstoll(std::get<std::wstring>(v).c_str(), nullptr, 10));
}

double AsDouble(const CMessageArg* arg) {
  if (!arg) return 0;
  const auto& v = arg->Get();
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* u = std::get_if<uint64_t>(&v)) return static_cast<double>(*u);
  if (auto* d = std::get_if<double>(&v)) return *d;
  return std::wcstod(std::get<std::wstring>(v).c_str(), nullptr);
}

std::string NarrowFormat(const Placeholder& placeholder, const char* length, char conversion) {
  std::string format = "%" + placeholder.flags;
  if (placeholder.width >= 0) format += std::to_string(placeholder.width);
  if (placeholder.precision >= 0) {
    // Two appends: "." + std::to_string(...) draws a false -Wrestrict from g++ 12 at -O2.
    format += '.';
    format += std::to_string(placeholder.precision);
  }
  return format + length + conversion;
}

// Formats one number through a format that this code built itself, so types always match.
template <typename T>
std::wstring FormatNumber(const Placeholder& placeholder, const char* length, char conversion,
                          T value) {
  char buffer[kMaxWidth * 2 + 64];
  std::snprintf(buffer, sizeof buffer, NarrowFormat(placeholder, length, conversion).c_str(),
                value);
  return std::wstring(buffer, buffer + std::char_traits<char>::length(buffer));
}

std::wstring Pad(std::wstring text, const Placeholder& placeholder) {
  if (placeholder.width > 0 && text.size() < static_cast<size_t>(placeholder.width)) {
    size_t fill = static_cast<size_t>(placeholder.width) - text.size();
    if (placeholder.flags.find('-') != std::string::npos)
      text.append(fill, L' ');
    else
      text.insert(0, fill, L' ');
  }
  return text;
}

std::wstring AsText(const CMessageArg* arg, const Placeholder& placeholder) {
  std::wstring text;
  if (arg) {
    const auto& v = arg->Get();
    if (auto* s = std::get_if<std::wstring>(&v))
      text = *s;
    else if (auto* i = std::get_if<int64_t>(&v))
      text = std::to_wstring(*i);
    else if (auto* u = std::get_if<uint64_t>(&v))
      text = std::to_wstring(*u);
    else
      text = FormatNumber(Placeholder{}, "", 'g', std::get<double>(v));
  }
  if (placeholder.precision >= 0 && text.size() > static_cast<size_t>(placeholder.precision))
    text.resize(static_cast<size_t>(placeholder.precision));
  return Pad(text, placeholder);
}

int ReadNumber(const std::wstring& pattern, size_t& i) {
  int value = 0;
  while (i < pattern.size() && pattern[i] >= L'0' && pattern[i] <= L'9') {
    value = value * 10 + (pattern[i] - L'0');
    if (value > kMaxWidth) value = kMaxWidth;
    ++i;
  }
  return value;
}

}  // namespace

std::wstring FormatMessageText(const std::wstring& pattern,
                               std::initializer_list<CMessageArg> args) {
  std::wstring out;
  const CMessageArg* next = args.begin();
  auto take = [&]() -> const CMessageArg* { return next != args.end() ? next++ : nullptr; };
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != L'%') {
      out += pattern[i];
      continue;
    }
    size_t start = i++;
    if (i < pattern.size() && pattern[i] == L'%') {
      out += L'%';
      continue;
    }
    Placeholder placeholder;
    while (i < pattern.size() &&
           std::wstring_view(L"-+ 0#").find(pattern[i]) != std::wstring_view::npos)
      placeholder.flags += static_cast<char>(pattern[i++]);
    if (i < pattern.size() && pattern[i] >= L'0' && pattern[i] <= L'9')
      placeholder.width = ReadNumber(pattern, i);
    if (i < pattern.size() && pattern[i] == L'.') {
      ++i;
      placeholder.precision = ReadNumber(pattern, i);
    }
    while (i < pattern.size() &&
           std::wstring_view(L"hlLjzt").find(pattern[i]) != std::wstring_view::npos)
      ++i;
    if (pattern.compare(i, 3, L"I64") == 0) i += 3;
    if (i >= pattern.size()) {
      out += pattern.substr(start);
      break;
    }
    switch (pattern[i]) {
      case L'd':
      case L'i':
        out += FormatNumber(placeholder, "ll", 'd', static_cast<long long>(AsSigned(take())));
        break;
      case L'u':
      case L'x':
      case L'X':
      case L'o':
        out += FormatNumber(placeholder, "ll", static_cast<char>(pattern[i]),
                            static_cast<unsigned long long>(AsSigned(take())));
        break;
      case L'e':
      case L'E':
      case L'f':
      case L'F':
      case L'g':
      case L'G':
        out += FormatNumber(placeholder, "", static_cast<char>(pattern[i]), AsDouble(take()));
        break;
      case L'c': {
        const CMessageArg* arg = take();
        wchar_t c = 0;
        if (arg && std::holds_alternative<std::wstring>(arg->Get()))
          c = std::get<std::wstring>(arg->Get()).empty() ? 0
                                                         : std::get<std::wstring>(arg->Get())[0];
        else
          c = static_cast<wchar_t>(AsSigned(arg));
        out += Pad(c ? std::wstring(1, c) : std::wstring(), placeholder);
        break;
      }
      case L's':
      case L'S':
        out += AsText(take(), placeholder);
        break;
      default:
        out += pattern.substr(start, i - start + 1);
        break;
    }
  }
  return out;
}

}  // namespace ferrow
