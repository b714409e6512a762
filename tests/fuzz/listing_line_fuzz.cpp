// Feeds arbitrary input to the listing line parser: as bytes converted the way the FTP client
// converts a line, or as raw wide characters. Whatever the parser accepts must be an entry the
// rest of the program can use.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "net/entry_info.h"
#include "net/listing_date.h"
#include "net/listing_parser.h"
#include "platform/text.h"

namespace {

constexpr std::int64_t kNow = 1796742000;  // 2026-12-08 15:00 UTC

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckEntry(const ferrow::CEntryInfo& entry) {
  const std::wstring& name = entry.GetName();
  Check(!name.empty());
  Check(name.find(L'/') == std::wstring::npos);
  Check(name.find(L'\0') == std::wstring::npos);
  Check(entry.GetType() >= 0 && entry.GetType() <= 3);
  Check(entry.GetSize() >= ferrow::CEntryInfo::kUnknown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 70000) return 0;
  std::wstring line;
  if (data[0] & 1) {
    for (std::size_t i = 1; i + sizeof(std::uint32_t) <= size; i += sizeof(std::uint32_t)) {
      std::uint32_t unit = 0;
      std::memcpy(&unit, data + i, sizeof unit);
      line.push_back(static_cast<wchar_t>(unit));
    }
  } else {
    line = ferrow::LocalToWide(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  }

  ferrow::CEntryInfo entry;
  if (ferrow::ParseUnixListingLine(line, entry, kNow)) {
    CheckEntry(entry);
    // A link's target is never part of the name.
    Check(entry.GetName().find(L" -> ") == std::wstring::npos);
  }
  ferrow::CEntryInfo dos;
  if (ferrow::ParseDosListingLine(line, dos, kNow)) {
    CheckEntry(dos);
    Check(dos.GetOwner().empty() && dos.GetGroup().empty());
    Check(dos.GetType() == ferrow::CEntryInfo::kTypeFile ||
          dos.GetType() == ferrow::CEntryInfo::kTypeDirectory);
  }
  std::int64_t date = 0;
  ferrow::ParseListingDate(line, date, kNow);
  return 0;
}
