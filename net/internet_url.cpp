#include "net/internet_url.h"

#include <cwchar>
#include <cwctype>
#include <iterator>
#include <vector>

#include "platform/text.h"

namespace ferrow {

namespace {

struct SchemeEntry {
  const wchar_t* prefix;
  int32_t defaultPort;
};

// Indexed by scheme number; prefixes are tried in this order and compared case-sensitively.
constexpr SchemeEntry kSchemes[] = {
    {L"ftp://", 21},    {L"ftps://", 990},    {L"sftp://", 22},     {L"http://", 80},
    {L"https://", 443}, {L"socks4://", 1080}, {L"socks5://", 1080},
};
constexpr int32_t kSchemeCount = static_cast<int32_t>(std::size(kSchemes));

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// A small scanf-style matcher for the authority patterns. It knows the conversions they use:
// "%[^set]" (a non-empty run of characters outside the set, no white space skipped), "%i" (an
// integer: white space skipped, optional sign, hexadecimal behind "0x", octal behind a
// leading zero, else decimal) and "%s" (a non-empty run of non-white-space after white space
// is skipped); any other character must match itself. Text after the last conversion is
// ignored, as scanf does. Returns the number of conversions assigned.
class PatternScanner {
 public:
  PatternScanner(const std::wstring& input, const wchar_t* pattern)
      : m_input(input), m_pattern(pattern) {}

  int Scan() {
    size_t in = 0;
    const wchar_t* p = m_pattern;
    while (*p != L'\0') {
      if (*p != L'%') {
        if (in >= m_input.size() || m_input[in] != *p) break;
        ++in;
        ++p;
        continue;
      }
      ++p;
      if (*p == L'[') {
        // Only the negated form occurs: "%[^...]".
        const wchar_t* setBegin = p + 2;
        const wchar_t* setEnd = setBegin;
        while (*setEnd != L']') ++setEnd;
        std::wstring set(setBegin, setEnd);
        size_t start = in;
        while (in < m_input.size() && set.find(m_input[in]) == std::wstring::npos) ++in;
        if (in == start) break;
        m_strings.push_back(m_input.substr(start, in - start));
        p = setEnd + 1;
      } else if (*p == L'i') {
        if (!ScanInteger(in)) break;
        ++p;
      } else if (*p == L's') {
        while (in < m_input.size() && std::iswspace(m_input[in])) ++in;
        size_t start = in;
        while (in < m_input.size() && !std::iswspace(m_input[in])) ++in;
        if (in == start) break;
        m_strings.push_back(m_input.substr(start, in - start));
        ++p;
      } else {
        break;
      }
      ++m_assigned;
    }
    return m_assigned;
  }

  const std::wstring& String(size_t index) const { return m_strings[index]; }
  int32_t Number() const { return m_number; }

 private:
  static int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return 99;
  }

  bool ScanInteger(size_t& in) {
    while (in < m_input.size() && std::iswspace(m_input[in])) ++in;
    bool negative = false;
    if (in < m_input.size() && (m_input[in] == L'+' || m_input[in] == L'-')) {
      negative = m_input[in] == L'-';
      ++in;
    }
    int base = 10;
    bool sawDigit = false;
    if (in < m_input.size() && m_input[in] == L'0') {
      // A lone "0" or "0x" with no hexadecimal digit behind it still reads as 0.
      sawDigit = true;
      ++in;
      base = 8;
      if (in < m_input.size() && (m_input[in] == L'x' || m_input[in] == L'X')) {
        ++in;
        base = 16;
      }
    }
    uint64_t value = 0;
    while (in < m_input.size() && DigitValue(m_input[in]) < base) {
      auto digit = static_cast<uint64_t>(DigitValue(m_input[in]));
      auto radix = static_cast<uint64_t>(base);
      value = value > (~uint64_t{0} - digit) / radix ? ~uint64_t{0} : value * radix + digit;
      sawDigit = true;
      ++in;
    }
    if (!sawDigit) return false;
    if (negative) value = ~value + 1;
    // Out-of-range values keep their low 32 bits, as the C library's conversion does.
    m_number = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
  }

  const std::wstring& m_input;
  const wchar_t* m_pattern;
  std::vector<std::wstring> m_strings;
  int32_t m_number = 0;
  int m_assigned = 0;
};

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The five components of a URI reference (RFC 3986, section 3), fragment left out.
struct Reference {
  bool hasScheme = false;
  bool hasAuthority = false;
  bool hasQuery = false;
  std::wstring scheme;
  std::wstring authority;
  std::wstring path;
  std::wstring query;
};

Reference SplitReference(const std::wstring& text) {
  Reference r;
  std::wstring rest = text.substr(0, text.find(L'#'));
  size_t colon = rest.find(L':');
  if (colon != std::wstring::npos && colon > 0 && std::iswalpha(rest[0])) {
    bool scheme = true;
    for (size_t i = 0; i < colon && scheme; ++i) {
      wchar_t c = rest[i];
      scheme = c < 0x80 && (std::iswalnum(c) || c == L'+' || c == L'-' || c == L'.');
    }
    if (scheme) {
      r.hasScheme = true;
      for (size_t i = 0; i < colon; ++i) r.scheme += static_cast<wchar_t>(std::towlower(rest[i]));
      rest.erase(0, colon + 1);
    }
  }
  if (rest.compare(0, 2, L"//") == 0) {
    size_t end = rest.find_first_of(L"/?", 2);
    r.hasAuthority = true;
    r.authority = rest.substr(2, end == std::wstring::npos ? std::wstring::npos : end - 2);
    rest.erase(0, end == std::wstring::npos ? rest.size() : end);
  }
  size_t question = rest.find(L'?');
  r.path = rest.substr(0, question);
  if (question != std::wstring::npos) {
    r.hasQuery = true;
    r.query = rest.substr(question + 1);
  }
  return r;
}

// RFC 3986, section 5.2.4.
std::wstring RemoveDotSegments(std::wstring input) {
  std::wstring output;
  auto dropLastSegment = [&output] {
    size_t slash = output.rfind(L'/');
    output.erase(slash == std::wstring::npos ? 0 : slash);
  };
  while (!input.empty()) {
    if (input.compare(0, 3, L"../") == 0) {
      input.erase(0, 3);
    } else if (input.compare(0, 2, L"./") == 0) {
      input.erase(0, 2);
    } else if (input.compare(0, 3, L"/./") == 0) {
      input.erase(0, 2);
    } else if (input == L"/.") {
      input = L"/";
    } else if (input.compare(0, 4, L"/../") == 0) {
      input.erase(0, 3);
      dropLastSegment();
    } else if (input == L"/..") {
      input = L"/";
      dropLastSegment();
    } else if (input == L"." || input == L"..") {
      input.clear();
    } else {
      size_t end = input.find(L'/', input[0] == L'/' ? 1 : 0);
      output += input.substr(0, end);
      input.erase(0, end == std::wstring::npos ? input.size() : end);
    }
  }
  return output;
}

}  // namespace

std::wstring CInternetURL::Unescape(const std::wstring& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += WideToLocal(std::wstring_view(&text[i], 1));
    }
  }
  return LocalToWide(bytes);
}

std::wstring CInternetURL::Resolve(const std::wstring& base, const std::wstring& reference) {
  Reference b = SplitReference(base);
  Reference r = SplitReference(reference);
  Reference t;
  if (r.hasScheme) {
    t = r;
    t.path = RemoveDotSegments(r.path);
  } else {
    t.scheme = b.scheme;
    t.hasScheme = b.hasScheme;
    if (r.hasAuthority) {
      t.hasAuthority = true;
      t.authority = r.authority;
      t.path = RemoveDotSegments(r.path);
      t.hasQuery = r.hasQuery;
      t.query = r.query;
    } else {
      t.hasAuthority = b.hasAuthority;
      t.authority = b.authority;
      if (r.path.empty()) {
        t.path = b.path;
        t.hasQuery = r.hasQuery || b.hasQuery;
        t.query = r.hasQuery ? r.query : b.query;
      } else {
        if (r.path[0] == L'/') {
          t.path = RemoveDotSegments(r.path);
        } else if (b.hasAuthority && b.path.empty()) {
          t.path = RemoveDotSegments(L"/" + r.path);
        } else {
          size_t slash = b.path.rfind(L'/');
          std::wstring folder = slash == std::wstring::npos ? L"" : b.path.substr(0, slash + 1);
          t.path = RemoveDotSegments(folder + r.path);
        }
        t.hasQuery = r.hasQuery;
        t.query = r.query;
      }
    }
  }
  std::wstring result;
  if (t.hasScheme) result += t.scheme + L":";
  if (t.hasAuthority) result += L"//" + t.authority;
  result += t.path;
  if (t.hasQuery) result += L"?" + t.query;
  return result;
}

CInternetURL::CInternetURL(const std::wstring& text) {
  Parse(text);
}

std::wstring CInternetURL::MaskPassword(const std::wstring& text) {
  const size_t scheme = text.find(L"://");
  const size_t authority = scheme == std::wstring::npos ? 0 : scheme + 3;
  size_t end = text.find_first_of(L"/?#", authority);
  if (end == std::wstring::npos) end = text.size();
  const size_t at = text.rfind(L'@', end);
  if (at == std::wstring::npos || at < authority) return text;
  const size_t colon = text.find(L':', authority);
  if (colon == std::wstring::npos || colon > at) return text;
  return text.substr(0, colon + 1) + L"****" + text.substr(at);
}

int32_t CInternetURL::DefaultPort(Scheme scheme) {
  const int32_t index = SchemeNumber(scheme);
  return index >= 0 && index < kSchemeCount ? kSchemes[index].defaultPort : 0;
}

void CInternetURL::Parse(const std::wstring& text) {
  m_text = text;
  std::wstring rest = text;

  m_scheme = Scheme::kOther;
  bool matched = false;
  for (int32_t scheme = 0; scheme < kSchemeCount; ++scheme) {
    if (StartsWith(rest, kSchemes[scheme].prefix)) {
      m_scheme = static_cast<Scheme>(scheme);
      rest.erase(0, std::wcslen(kSchemes[scheme].prefix));
      matched = true;
      break;
    }
  }
  if (!matched) {
    if (StartsWith(rest, L"www.")) {
      m_scheme = Scheme::kHttp;
    } else if (StartsWith(rest, L"ftp.")) {
      m_scheme = Scheme::kFtp;
    } else {
      size_t separator = rest.find(L"://");
      if (separator != std::wstring::npos) rest.erase(0, separator + 3);
    }
  }
  m_port = DefaultPort(m_scheme);

  // Host, credentials, path and file name keep their values unless set below.
  std::wstring authority = rest;
  size_t slash = rest.find(L'/');
  if (slash != std::wstring::npos) {
    m_path = rest.substr(slash);
    authority = rest.substr(0, slash);
  }

  if (!m_path.empty()) {
    m_fileName = m_path.substr(m_path.rfind(L'/') + 1);
    size_t query = m_fileName.find(L'?');
    if (query != std::wstring::npos) m_fileName.erase(query);
  } else {
    m_path = L"/";
  }

  ParseAuthority(authority);
}

namespace {

// What may stand in brackets as a host: the characters of an IPv6 address, a colon among them.
// Printing and parsing agree on it, so an address reads back as it was printed.
bool IsIpv6Text(const std::wstring& host) {
  return host.find(L':') != std::wstring::npos &&
         host.find_first_not_of(L"0123456789abcdefABCDEF:.") == std::wstring::npos;
}

}  // namespace

void CInternetURL::ParseAuthority(const std::wstring& authority) {
  if (authority.empty()) return;

  // An IPv6 literal in brackets ("[::1]:8080", "user:pw@[::1]"): its colons are no port.
  const size_t at = authority.rfind(L'@');
  const size_t open = at == std::wstring::npos ? 0 : at + 1;
  const size_t close = authority.find(L']', open);
  const std::wstring afterClose =
      close == std::wstring::npos ? std::wstring() : authority.substr(close + 1);
  const bool portOrNothing =
      afterClose.empty() ||
      (afterClose.size() > 1 && afterClose.size() <= 6 && afterClose[0] == L':' &&
       afterClose.find_first_not_of(L"0123456789", 1) == std::wstring::npos);
  if (open < authority.size() && authority[open] == L'[' && close != std::wstring::npos &&
      portOrNothing && IsIpv6Text(authority.substr(open + 1, close - open - 1))) {
    if (at != std::wstring::npos) {
      // Split as the patterns below do: a user name and a password only when both are
      // there, else the whole text is the user name. An address that prints a host in
      // brackets then reads back with the credentials it had.
      const std::wstring userInfo = authority.substr(0, at);
      const size_t colon = userInfo.find(L':');
      if (colon != std::wstring::npos && colon > 0 && colon + 1 < userInfo.size()) {
        m_user = userInfo.substr(0, colon);
        m_password = userInfo.substr(colon + 1);
      } else {
        m_user = userInfo;
      }
    }
    m_host = authority.substr(open + 1, close - open - 1);
    if (!afterClose.empty()) m_port = std::stoi(afterClose.substr(1));
    return;
  }

  // Patterns 1 and 2 let a password carry one "@".
  if (PatternScanner s(authority, L"%[^:]:%[^@]@%[^@]@%[^:]:%i"); s.Scan() == 5) {
    m_user = s.String(0);
    m_password = s.String(1) + L"@" + s.String(2);
    m_host = s.String(3);
    m_port = s.Number();
  } else if (PatternScanner s(authority, L"%[^:]:%[^@]@%[^@]@%[^/]"); s.Scan() == 4) {
    m_user = s.String(0);
    m_password = s.String(1) + L"@" + s.String(2);
    m_host = s.String(3);
  } else if (PatternScanner s(authority, L"%[^:]:%[^@]@%[^:]:%i"); s.Scan() == 4) {
    m_user = s.String(0);
    m_password = s.String(1);
    m_host = s.String(2);
    m_port = s.Number();
  } else if (PatternScanner s(authority, L"%[^:]:%[^@]@%[^/]"); s.Scan() == 3) {
    m_user = s.String(0);
    m_password = s.String(1);
    m_host = s.String(2);
  } else if (PatternScanner s(authority, L"%[^@]@%[^:]:%i"); s.Scan() == 3) {
    m_user = s.String(0);
    m_host = s.String(1);
    m_port = s.Number();
  } else if (PatternScanner s(authority, L"%[^:]:%i"); s.Scan() == 2) {
    m_host = s.String(0);
    m_port = s.Number();
  } else if (PatternScanner s(authority, L"%[^@]@%s"); s.Scan() == 2) {
    m_user = s.String(0);
    m_host = s.String(1);
  } else {
    m_host = authority;
  }
}

std::wstring CInternetURL::Format() const {
  std::wstring result;
  const int32_t index = SchemeNumber(m_scheme);
  if (index >= 0 && index < kSchemeCount) result = kSchemes[index].prefix;

  // An IPv6 address goes into brackets, so that its colons are not read as a port.
  std::wstring hostPart = IsIpv6Text(m_host) ? L"[" + m_host + L"]" : m_host;
  if (m_port != DefaultPort(m_scheme)) hostPart += L":" + std::to_wstring(m_port);

  if (!m_user.empty() && !m_password.empty()) {
    result += m_user + L":" + m_password + L"@" + hostPart;
  } else if (!m_user.empty()) {
    result += m_user + L"@" + hostPart;
  } else {
    result += hostPart;
  }

  if (!m_path.empty()) {
    if (m_path.front() != L'/') result += L'/';
    result += m_path;
  }
  while (!result.empty() && result.back() == L'/') result.pop_back();
  result += L'/';
  result += m_fileName;
  return result;
}

void CInternetURL::SetPath(const std::wstring& path) {
  m_path = path;
  m_text = Format();
}

std::wstring CInternetURL::Escape(const std::wstring& text) {
  static const wchar_t kUnsafe[] = L" <>\"#%{}|\\^~[]'";
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring result;
  result.reserve(text.size());
  for (wchar_t c : text) {
    if (c != L'\0' && std::wcschr(kUnsafe, c) != nullptr) {
      result += L'%';
      result += kHex[(c >> 4) & 0xF];
      result += kHex[c & 0xF];
    } else {
      result += c;
    }
  }
  return result;
}

std::wstring CInternetURL::Base64(const std::wstring& text) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes = WideToLocal(text);
  std::wstring result;
  result.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t n = (static_cast<uint8_t>(bytes[i]) << 16) |
                 (static_cast<uint8_t>(bytes[i + 1]) << 8) | static_cast<uint8_t>(bytes[i + 2]);
    result += static_cast<wchar_t>(kAlphabet[(n >> 18) & 63]);
    result += static_cast<wchar_t>(kAlphabet[(n >> 12) & 63]);
    result += static_cast<wchar_t>(kAlphabet[(n >> 6) & 63]);
    result += static_cast<wchar_t>(kAlphabet[n & 63]);
  }
  size_t left = bytes.size() - i;
  if (left > 0) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (left == 2) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    result += static_cast<wchar_t>(kAlphabet[(n >> 18) & 63]);
    result += static_cast<wchar_t>(kAlphabet[(n >> 12) & 63]);
    result += left == 2 ? static_cast<wchar_t>(kAlphabet[(n >> 6) & 63]) : L'=';
    result += L'=';
  }
  return result;
}

}  // namespace ferrow
