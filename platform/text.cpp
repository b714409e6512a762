#include "platform/text.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>
#include <wchar.h>

#include <cerrno>
#include <cstdint>
#include <cwctype>

namespace ferrow {
namespace {

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x110000) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += '?';
  }
}

// Length of a valid UTF-8 sequence at bytes[i] and its code point, or 0 when invalid.
size_t DecodeUtf8(std::string_view bytes, size_t i, uint32_t& c) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  size_t len = 0;
  uint32_t min = 0;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > bytes.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

bool LocaleIsUtf8OrAscii(const char*& codeset) {
  codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == '\0') return true;
  return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0 ||
         strcasecmp(codeset, "ANSI_X3.4-1968") == 0 || strcasecmp(codeset, "ASCII") == 0;
}

// Converts with iconv; returns false when the charset is unknown or a character fails.
bool IconvConvert(const char* to, const char* from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  std::string input(in);
  char* src = input.data();
  size_t srcLeft = input.size();
  char buffer[4096];
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t ch : text) AppendUtf8(out, static_cast<uint32_t>(ch));
  return out;
}

std::wstring Utf8ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    uint32_t c = 0;
    const size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) {
      out += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
      ++i;
    } else {
      out += static_cast<wchar_t>(c);
      i += len;
    }
  }
  return out;
}

std::string WideToLocal(std::wstring_view text) {
  const char* codeset = nullptr;
  if (LocaleIsUtf8OrAscii(codeset)) return WideToUtf8(text);
  std::string out;
  const std::string utf8 = WideToUtf8(text);
  if (IconvConvert(codeset, "UTF-8", utf8, out)) return out;
  return utf8;
}

std::wstring LocalToWide(std::string_view bytes) {
  const char* codeset = nullptr;
  if (LocaleIsUtf8OrAscii(codeset)) return Utf8ToWide(bytes);
  std::string utf8;
  if (IconvConvert("UTF-8", codeset, bytes, utf8)) return Utf8ToWide(utf8);
  return Latin1ToWide(bytes);
}

bool WideToLatin1(std::wstring_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (wchar_t ch : text) {
    if (static_cast<uint32_t>(ch) > 0xFF) return false;
    out += static_cast<char>(ch);
  }
  return true;
}

std::wstring Latin1ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char b : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(b));
  return out;
}

std::string WideToUtf16Le(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto put = [&out](uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
  };
  for (wchar_t ch : text) {
    uint32_t c = static_cast<uint32_t>(ch);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      put(0xD800 | (c >> 10));
      put(0xDC00 | (c & 0x3FF));
    } else {
      put(c & 0xFFFF);
    }
  }
  return out;
}

std::wstring Utf16LeToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  const size_t units = bytes.size() / 2;
  auto unitAt = [&bytes](size_t k) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k + 1])) << 8);
  };
  for (size_t k = 0; k < units; ++k) {
    const uint32_t u = unitAt(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
      const uint32_t v = unitAt(k + 1);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        ++k;
        continue;
      }
    }
    out += static_cast<wchar_t>(u);
  }
  return out;
}

std::wstring PrintableText(std::wstring_view text) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    auto code = static_cast<uint32_t>(c);
    bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
    bool reordering = (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
    if (!control && !reordering) {
      out += c;
      continue;
    }
    int digits = control ? 2 : 4;
    out += control ? L"\\x" : L"\\u";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
  }
  return out;
}

std::string PrintableLocal(std::string_view text) {
  return WideToLocal(PrintableText(LocalToWide(text)));
}

int CharacterWidth(wchar_t c) {
  const int width = ::wcwidth(c);
  return width < 0 ? 1 : width;
}

std::wstring LowerText(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

}  // namespace ferrow
