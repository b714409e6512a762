#pragma once
// The order of the remote view: the entry ".." stays first and entries that are not files come
// before files, whichever way the view is sorted; otherwise the chosen column decides (the name
// by character codes, the size, the type text, the date), and entries equal in it keep the
// server's order.
#include <vector>

#include "net/entry_info.h"

namespace ferrow {

enum class RemoteColumn { kName = 0, kSize = 1, kType = 2, kDate = 3 };

// True when a goes before b.
bool RemoteEntryLess(const CEntryInfo& a, const CEntryInfo& b, RemoteColumn column, bool ascending);
// Sorts stably by RemoteEntryLess.
void SortRemoteEntries(std::vector<CEntryInfo>& entries, RemoteColumn column, bool ascending);

}  // namespace ferrow
