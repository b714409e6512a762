#include "net/entry_info.h"

#include <chrono>

#include "net/listing_parser.h"

namespace ferrow {

namespace {

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CEntryInfo::CEntryInfo(std::wstring name, std::int32_t type)
    : m_name(std::move(name)), m_type(type) {}

bool CEntryInfo::ParseLine(std::wstring_view line) {
  // A Unix line whose date can't be read still gets its chance as a DOS line.
  return ParseUnixLine(line) || ParseDosLine(line);
}

bool CEntryInfo::ParseUnixLine(std::wstring_view line) {
  return ParseUnixListingLine(line, *this, Now());
}

bool CEntryInfo::ParseDosLine(std::wstring_view line) {
  return ParseDosListingLine(line, *this, Now());
}

bool CEntryInfo::IsDotEntry() const {
  return m_name == L"." || m_name == L"..";
}

}  // namespace ferrow
