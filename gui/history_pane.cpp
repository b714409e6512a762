#include "gui/history_pane.h"

#include <QDateTime>

#include "app/ferrow_app.h"
#include "gui/entry_view.h"
#include "gui/frame_services.h"
#include "gui/icons.h"
#include "gui/language_texts.h"
#include "shell/registry.h"
#include "shell/view_layout.h"

namespace ferrow {
namespace {

const char* BuiltInName(HistoryPeriod period) {
  static const char* const kNames[] = {"All Downloads", "Today",        "Yesterday",
                                       "Last 7 Days",   "Last 30 Days", "Older"};
  return kNames[static_cast<int>(period)];
}

}  // namespace

void CPeriodModel::SetCounts(const std::array<int, kHistoryPeriods.size()>& counts) {
  m_counts = counts;
  emit dataChanged(index(0), index(rowCount() - 1));
}

int CPeriodModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kHistoryPeriods.size());
}

QVariant CPeriodModel::data(const QModelIndex& index, int role) const {
  if (index.row() < 0 || index.row() >= rowCount()) return QVariant();
  const HistoryPeriod period = kHistoryPeriods[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole)
    return QStringLiteral("%1 (%2)")
        .arg(Text(HistoryPeriodTextId(period), BuiltInName(period)))
        .arg(m_counts[static_cast<size_t>(index.row())]);
  if (role == Qt::DecorationRole) return Icon(IconId::kHistory);
  return QVariant();
}

CHistoryPane::CHistoryPane(IFrameServices& frame, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), m_frame(frame) {
  setObjectName(QStringLiteral("historyPane"));
  m_periods = new QListView;
  m_periods->setObjectName(QStringLiteral("periodView"));
  m_periods->setModel(&m_periodModel);
  m_periods->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_entries = new CEntryView(CEntryView::Kind::kHistory, frame);
  addWidget(m_periods);
  addWidget(m_entries);
  setStretchFactor(1, 1);
  std::vector<int32_t> sizes = {180, 720};
  LoadSplit(RegistryNames::kLayoutPanesHistory, 2, sizes);
  setSizes({sizes[0], sizes[1]});
  m_periods->setCurrentIndex(m_periodModel.index(0));
  connect(m_periods->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CHistoryPane::ShowEntries);
  Reload();
}

void CHistoryPane::ShowPeriod(HistoryPeriod period) {
  m_periods->setCurrentIndex(m_periodModel.index(static_cast<int>(period)));
}

void CHistoryPane::Reload() {
  const CHistoryPeriods periods(QDateTime::currentSecsSinceEpoch());
  std::array<int, kHistoryPeriods.size()> counts{};
  for (const CHistoryInfo& entry : m_frame.App().GetHistory()) {
    ++counts[0];
    ++counts[static_cast<size_t>(periods.PeriodOf(entry.m_date))];
  }
  m_periodModel.SetCounts(counts);
  ShowEntries();
}

void CHistoryPane::ShowEntries() {
  const int row = qMax(0, m_periods->currentIndex().row());
  const HistoryPeriod period = kHistoryPeriods[static_cast<size_t>(row)];
  const CHistoryPeriods periods(QDateTime::currentSecsSinceEpoch());
  std::vector<EntryRow> rows;
  size_t position = 0;
  for (const CHistoryInfo& entry : m_frame.App().GetHistory()) {
    if (periods.Contains(period, entry.m_date))
      rows.push_back({position, entry.m_name, entry.m_url, entry.m_file, entry.m_comment,
                      entry.m_size, entry.m_date});
    ++position;
  }
  m_entries->Model().SetRows(std::move(rows));
}

void CHistoryPane::SaveLayout() const {
  const QList<int> parts = sizes();
  SaveSplit(RegistryNames::kLayoutPanesHistory, {parts.value(0), parts.value(1)});
  m_entries->SaveLayout();
}

QWidget* CHistoryPane::FirstView() const {
  return m_entries;
}

}  // namespace ferrow
