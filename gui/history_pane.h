#pragma once
// The history pane: the periods (CPeriodView: all, today, yesterday, the last 7 and 30 days,
// older, each with its count) beside the finished downloads of the chosen one (CHistoryView,
// "PopupHistory").
#include <QAbstractListModel>
#include <QListView>
#include <QSplitter>
#include <array>

#include "app/history_periods.h"

namespace ferrow {

class CEntryView;
class IFrameServices;

class CPeriodModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit CPeriodModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
  void SetCounts(const std::array<int, kHistoryPeriods.size()>& counts);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::array<int, kHistoryPeriods.size()> m_counts{};
};

class CHistoryPane : public QSplitter {
  Q_OBJECT

 public:
  explicit CHistoryPane(IFrameServices& frame, QWidget* parent = nullptr);

  // Reads the history again (a download completed, entries were removed).
  void Reload();
  void SaveLayout() const;
  QWidget* FirstView() const;
  QListView* Periods() const { return m_periods; }
  CEntryView* Entries() const { return m_entries; }
  void ShowPeriod(HistoryPeriod period);

 private:
  void ShowEntries();

  IFrameServices& m_frame;
  CPeriodModel m_periodModel;
  QListView* m_periods;
  CEntryView* m_entries;
};

}  // namespace ferrow
