#include "net/file_listing.h"

#include <utility>

namespace ferrow {

void CFileListing::Add(CEntryInfo entry) {
  m_entries.push_back(std::move(entry));
}

void CFileListing::Clear() {
  m_entries.clear();
}

void CFileListing::Copy(const CFileListing& other) {
  if (&other == this) return;
  m_entries = other.m_entries;
}

}  // namespace ferrow
