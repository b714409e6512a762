// Parses arbitrary text as an address (UTF-8, stray bytes as ISO 8859-1, as a URL handed over
// or typed arrives), prints it back and parses the print again: the second parse must give
// the same scheme, host, port and credentials, and the same path up to its trailing slashes
// (the printed form always ends in one), for every address with a known scheme and a host
// without white space.
// Also checks the escaper and the Base64 encoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>

#include "net/internet_url.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using ferrow::CInternetURL;

std::wstring WithoutTrailingSlashes(std::wstring path) {
  while (!path.empty() && path.back() == L'/') path.pop_back();
  return path;
}

bool IsHex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

void CheckEscape(const std::wstring& text) {
  const std::wstring escaped = CInternetURL::Escape(text);
  for (size_t i = 0; i < escaped.size(); ++i) {
    FUZZ_CHECK(std::wstring_view(L" <>\"#{}|\\^~[]'").find(escaped[i]) == std::wstring::npos);
    if (escaped[i] == L'%')
      FUZZ_CHECK(i + 2 < escaped.size() && IsHex(escaped[i + 1]) && IsHex(escaped[i + 2]));
  }
}

void CheckBase64(const std::wstring& text) {
  const size_t bytes = ferrow::WideToLocal(text).size();
  const std::wstring encoded = CInternetURL::Base64(text);
  FUZZ_CHECK(encoded.size() == (bytes + 2) / 3 * 4);
  for (wchar_t c : encoded) {
    FUZZ_CHECK((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
               c == L'+' || c == L'/' || c == L'=');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::wstring text =
      ferrow::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));

  CInternetURL first(text);
  FUZZ_CHECK(first.Text() == text);
  FUZZ_CHECK(first.GetScheme() >= 0 && first.GetScheme() <= ferrow::Scheme::kOther);
  FUZZ_CHECK(!first.Path().empty() && first.Path().front() == L'/');
  FUZZ_CHECK(first.Host().find(L'/') == std::wstring::npos);
  FUZZ_CHECK(first.FileName().find_first_of(L"/?") == std::wstring::npos);

  CheckEscape(text);
  CheckBase64(first.User() + L":" + first.Password());

  // The printed form is meant for addresses without a file name (sites, folders). An address
  // of another scheme prints without a prefix and so cannot keep its scheme; one without a
  // host prints as its prefix alone, slashes and all cut ("http:/"); white space ends a host
  // read behind a user name.
  const std::wstring& host = first.Host();
  if (first.GetScheme() == ferrow::Scheme::kOther || host.empty() ||
      std::any_of(host.begin(), host.end(), [](wchar_t c) { return std::iswspace(c); }))
    return 0;
  first.SetFileName(std::wstring());
  const std::wstring printed = first.Format();
  FUZZ_CHECK(!printed.empty() && printed.back() == L'/');
  CInternetURL second(printed);
  FUZZ_CHECK(second.GetScheme() == first.GetScheme());
  FUZZ_CHECK(second.Host() == first.Host());
  FUZZ_CHECK(second.Port() == first.Port());
  FUZZ_CHECK(second.User() == first.User());
  FUZZ_CHECK(second.Password() == first.Password());
  FUZZ_CHECK(WithoutTrailingSlashes(second.Path()) == WithoutTrailingSlashes(first.Path()));
  FUZZ_CHECK(second.Format() == printed);

  // A folder set on the address prints as that folder.
  first.SetPath(L"/folder/");
  FUZZ_CHECK(first.Text() == first.Format());
  return 0;
}
