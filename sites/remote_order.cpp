#include "sites/remote_order.h"

#include <algorithm>

namespace ferrow {
namespace {

bool IsParent(const CEntryInfo& entry) {
  return entry.GetName() == L"..";
}

// Negative, zero or positive as a sorts before, with or after b in the column, ascending.
int CompareColumn(const CEntryInfo& a, const CEntryInfo& b, RemoteColumn column) {
  switch (column) {
    case RemoteColumn::kName:
      return a.GetName().compare(b.GetName());
    case RemoteColumn::kSize:
      return a.GetSize() < b.GetSize() ? -1 : (a.GetSize() > b.GetSize() ? 1 : 0);
    case RemoteColumn::kType:
      return a.GetTypeText().compare(b.GetTypeText());
    case RemoteColumn::kDate:
      return a.GetDate() < b.GetDate() ? -1 : (a.GetDate() > b.GetDate() ? 1 : 0);
  }
  return 0;
}

}  // namespace

bool RemoteEntryLess(const CEntryInfo& a, const CEntryInfo& b, RemoteColumn column,
                     bool ascending) {
  if (IsParent(a) != IsParent(b)) return IsParent(a);
  const bool aFile = a.GetType() == CEntryInfo::kTypeFile;
  const bool bFile = b.GetType() == CEntryInfo::kTypeFile;
  if (aFile != bFile) return bFile;
  const int order = CompareColumn(a, b, column);
  return ascending ? order < 0 : order > 0;
}

void SortRemoteEntries(std::vector<CEntryInfo>& entries, RemoteColumn column, bool ascending) {
  std::stable_sort(entries.begin(), entries.end(),
                   [column, ascending](const CEntryInfo& a, const CEntryInfo& b) {
                     return RemoteEntryLess(a, b, column, ascending);
                   });
}

}  // namespace ferrow
