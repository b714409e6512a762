#include "shell/view_layout.h"

#include <algorithm>

#include "shell/registry.h"

namespace ferrow {
namespace {

constexpr const wchar_t* kColumnCount = L"ColumnCount";
constexpr const wchar_t* kColumnOrder = L"ColumnOrder";
constexpr const wchar_t* kColumnWidths = L"ColumnWidths";
constexpr const wchar_t* kSortColumn = L"SortColumn";
constexpr const wchar_t* kSortOrder = L"SortOrder";
constexpr const wchar_t* kSplit = L"Split";

bool ReadNumbers(const CRegistry& registry, const wchar_t* name, std::vector<int32_t>& numbers) {
  std::vector<uint8_t> bytes;
  if (!registry.ReadBinary(name, bytes) || bytes.size() % 4 != 0) return false;
  numbers.clear();
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t value = 0;
    for (int b = 3; b >= 0; --b) value = (value << 8) | bytes[i + static_cast<size_t>(b)];
    numbers.push_back(static_cast<int32_t>(value));
  }
  return true;
}

void WriteNumbers(CRegistry& registry, const wchar_t* name, const std::vector<int32_t>& numbers) {
  std::vector<uint8_t> bytes;
  for (int32_t number : numbers)
    for (int b = 0; b < 4; ++b)
      bytes.push_back(static_cast<uint8_t>((static_cast<uint32_t>(number) >> (8 * b)) & 0xFF));
  registry.WriteBinary(name, bytes.data(), bytes.size());
}

bool IsPermutation(const std::vector<int32_t>& order, size_t count) {
  if (order.size() != count) return false;
  std::vector<bool> seen(count, false);
  for (int32_t column : order) {
    if (column < 0 || static_cast<size_t>(column) >= count || seen[column]) return false;
    seen[column] = true;
  }
  return true;
}

}  // namespace

bool ViewLayout::Load(const std::wstring& section, size_t columnCount) {
  const CRegistry registry(section, CRegistry::kRead);
  uint32_t storedCount = 0;
  if (!registry.ReadDword(kColumnCount, storedCount) || storedCount != columnCount) return false;
  bool any = false;
  std::vector<int32_t> numbers;
  if (ReadNumbers(registry, kColumnOrder, numbers) && IsPermutation(numbers, columnCount)) {
    order = numbers;
    any = true;
  }
  if (ReadNumbers(registry, kColumnWidths, numbers) && numbers.size() == columnCount &&
      std::all_of(numbers.begin(), numbers.end(),
                  [](int32_t width) { return width >= 0 && width < 100000; })) {
    widths = numbers;
    any = true;
  }
  uint32_t column = 0;
  if (registry.ReadDword(kSortColumn, column) && (column == UINT32_MAX || column < columnCount)) {
    sortColumn = static_cast<int32_t>(column);
    uint32_t sortOrder = 0;
    descending = registry.ReadDword(kSortOrder, sortOrder) && sortOrder == 1;
    any = true;
  }
  return any;
}

void ViewLayout::Save(const std::wstring& section) const {
  CRegistry registry(section, CRegistry::kWrite);
  const size_t count = !order.empty() ? order.size() : widths.size();
  registry.WriteDword(kColumnCount, static_cast<uint32_t>(count));
  WriteNumbers(registry, kColumnOrder, order);
  WriteNumbers(registry, kColumnWidths, widths);
  registry.WriteDword(kSortColumn, static_cast<uint32_t>(sortColumn));
  registry.WriteDword(kSortOrder, descending ? 1 : 0);
}

bool LoadSplit(const std::wstring& section, size_t parts, std::vector<int32_t>& sizes) {
  const CRegistry registry(section, CRegistry::kRead);
  std::vector<int32_t> stored;
  if (!ReadNumbers(registry, kSplit, stored) || stored.size() != parts) return false;
  if (std::any_of(stored.begin(), stored.end(), [](int32_t size) { return size < 0; }) ||
      std::all_of(stored.begin(), stored.end(), [](int32_t size) { return size == 0; }))
    return false;
  sizes = stored;
  return true;
}

void SaveSplit(const std::wstring& section, const std::vector<int32_t>& sizes) {
  CRegistry registry(section, CRegistry::kWrite);
  WriteNumbers(registry, kSplit, sizes);
}

}  // namespace ferrow
