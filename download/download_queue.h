#pragma once
// The downloads waiting to run, in order. Invariant: the k-th record (from 1) has Order k and
// Status Queued; a record outside the queue has Order 0. The records live in the download list;
// the queue only points at them. Used on the manager's thread only.
#include <cstddef>
#include <list>

namespace ferrow {

class CDownloadInfo;
class CDownloadList;

class CDownloadQueue {
 public:
  using Records = std::list<CDownloadInfo*>;

  // Order = length + 1, Status Queued, at the end.
  void Append(CDownloadInfo* record);
  // Order 1, Status Queued, at the front; every other record moves one place back.
  void PutFirst(CDownloadInfo* record);
  // Unlinks the record and closes the gap behind it; its Order becomes 0, its Status stays.
  // False when it was not queued.
  bool Remove(CDownloadInfo* record);
  // Swap places with the predecessor (up) or successor (down); false at the end of the line.
  bool MoveUp(CDownloadInfo* record);
  bool MoveDown(CDownloadInfo* record);
  // Not empty, the record is Queued and not already first (up) or last (down).
  bool CanMoveUp(const CDownloadInfo* record) const;
  bool CanMoveDown(const CDownloadInfo* record) const;

  // Start-up: every record of the list whose Order is not 0, placed by its stored Order, which
  // is kept as it is.
  void Rebuild(CDownloadList& downloads);

  bool Contains(const CDownloadInfo* record) const;
  CDownloadInfo* GetFirst() const { return m_records.empty() ? nullptr : m_records.front(); }
  size_t GetCount() const { return m_records.size(); }
  bool IsEmpty() const { return m_records.empty(); }
  const Records& GetRecords() const { return m_records; }
  void Clear() { m_records.clear(); }

 private:
  Records::iterator Find(const CDownloadInfo* record);
  Records::const_iterator Find(const CDownloadInfo* record) const;

  Records m_records;
};

}  // namespace ferrow
