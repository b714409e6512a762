#pragma once
// One entry of a remote directory listing: what a listing line says about a file, folder or
// link, plus the address the FTP client gives it and the type text the remote view shows.
// A plain value; not stored anywhere.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace ferrow {

class CEntryInfo {
 public:
  static constexpr std::int32_t kTypeUnknown = 0;
  static constexpr std::int32_t kTypeFile = 1;
  static constexpr std::int32_t kTypeDirectory = 2;
  static constexpr std::int32_t kTypeLink = 3;
  static constexpr std::int64_t kUnknown = -1;

  CEntryInfo() = default;
  // For entries the program makes itself, such as the ".." at the head of every listing.
  CEntryInfo(std::wstring name, std::int32_t type);

  // Reads one line of a listing: the Unix long form first, then the DOS form. True when the
  // line was understood; the fields it names are then set. A false result leaves the entry as
  // it was.
  bool ParseLine(std::wstring_view line);
  bool ParseUnixLine(std::wstring_view line);
  bool ParseDosLine(std::wstring_view line);

  // "." and ".." name the folder itself and its parent, never an entry of their own.
  bool IsDotEntry() const;

  const std::wstring& GetName() const { return m_name; }
  const std::wstring& GetAddress() const { return m_address; }
  const std::wstring& GetTypeText() const { return m_typeText; }
  const std::wstring& GetGroup() const { return m_group; }
  const std::wstring& GetOwner() const { return m_owner; }
  std::int32_t GetType() const { return m_type; }
  std::int64_t GetSize() const { return m_size; }
  // Seconds since 1970-01-01 00:00 UTC, or kUnknown.
  std::int64_t GetDate() const { return m_date; }

  void SetName(std::wstring name) { m_name = std::move(name); }
  void SetAddress(std::wstring address) { m_address = std::move(address); }
  void SetTypeText(std::wstring typeText) { m_typeText = std::move(typeText); }
  void SetGroup(std::wstring group) { m_group = std::move(group); }
  void SetOwner(std::wstring owner) { m_owner = std::move(owner); }
  void SetType(std::int32_t type) { m_type = type; }
  void SetSize(std::int64_t size) { m_size = size; }
  void SetDate(std::int64_t date) { m_date = date; }

  bool operator==(const CEntryInfo&) const = default;

 private:
  std::wstring m_name;
  std::wstring m_address;
  std::wstring m_typeText;
  std::wstring m_group;
  std::wstring m_owner;
  std::int32_t m_type = kTypeUnknown;
  std::int64_t m_size = kUnknown;
  std::int64_t m_date = kUnknown;
};

}  // namespace ferrow
