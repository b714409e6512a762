// Feeds arbitrary text as a Content-Disposition value and the name it gives (or the text
// itself, as a name an address could suggest) to the file name rules: a name that comes out
// safe is never empty of meaning, never a path, never hidden, never holds a control character
// and never exceeds the length bound; and making it safe again changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/content_disposition.h"
#include "net/safe_file_name.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

void CheckSafe(const std::wstring& suggested) {
  const std::wstring name = ferrow::MakeSafeFileName(suggested);
  if (name.empty()) return;
  FUZZ_CHECK(name.find_first_of(L"/\\") == std::wstring::npos);
  FUZZ_CHECK(name.front() != L'.' && name.front() != L' ');
  FUZZ_CHECK(name.back() != L'.' && name.back() != L' ');
  for (wchar_t c : name) {
    const auto code = static_cast<uint32_t>(c);
    FUZZ_CHECK(code >= 0x20 && !(code >= 0x7F && code < 0xA0));
  }
  FUZZ_CHECK(ferrow::WideToUtf8(name).size() <= ferrow::kMaxSafeNameBytes);
  FUZZ_CHECK(ferrow::MakeSafeFileName(name) == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 20000) return 0;
  const std::string value(reinterpret_cast<const char*>(data), size);
  std::wstring name;
  if (ferrow::ParseContentDispositionFileName(value, name)) {
    FUZZ_CHECK(!name.empty());
    CheckSafe(name);
  }
  CheckSafe(ferrow::LocalToWide(value));
  CheckSafe(ferrow::FileNameOfUrl(ferrow::LocalToWide(value)));
  return 0;
}
