#pragma once
// The stored layout of one list view, in its registry section ("Layout\Views\History", ...):
// "ColumnCount" and "ColumnOrder" (the column shown at each position, 32-bit numbers as binary),
// "SortColumn" and "SortOrder" (0 ascending, 1 descending), and "ColumnWidths" (binary, like the
// order). A split between views is kept as "Split" (the sizes of its parts, binary) in the
// pane's or view's section. Loading checks everything against the view as it is now: a value
// that does not fit (another column count, an order that is not a permutation, a sort column
// out of range) is left out, so a damaged or older layout never breaks a view.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ferrow {

struct ViewLayout {
  std::vector<int32_t> order;   // order[position] = column; empty: as built
  std::vector<int32_t> widths;  // pixels per column (by column); empty: as built
  int32_t sortColumn = -1;      // -1: unsorted
  bool descending = false;

  // Reads the section for a view of columnCount columns; false when nothing usable was stored.
  bool Load(const std::wstring& section, size_t columnCount);
  void Save(const std::wstring& section) const;
};

// The sizes of a split's parts under "Split"; false (sizes untouched) unless exactly `parts`
// sizes, none negative and not all zero, were stored.
bool LoadSplit(const std::wstring& section, size_t parts, std::vector<int32_t>& sizes);
void SaveSplit(const std::wstring& section, const std::vector<int32_t>& sizes);

}  // namespace ferrow
