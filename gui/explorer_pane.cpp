#include "gui/explorer_pane.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "app/display_text.h"
#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/info_dialog.h"
#include "gui/language_texts.h"
#include "gui/log_view.h"
#include "gui/message_boxes.h"
#include "gui/popup_menu.h"
#include "gui/qt_text.h"
#include "gui/site_properties_dialog.h"
#include "l10n/message_numbers.h"
#include "shell/registry.h"
#include "shell/view_layout.h"
#include "sites/site_explorer.h"

namespace ferrow {

// ---- Sites ----

CSiteView::CSiteView(IFrameServices& frame, QWidget* parent) : QTreeView(parent), m_frame(frame) {
  setObjectName(QStringLiteral("siteView"));
  setModel(&m_model);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    ShowPopupMenu("PopupSite", *this, this, viewport()->mapToGlobal(position));
  });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (m_model.Site(index)) OpenSite();
  });
  m_model.m_rename = [this](const Guid& id, const QString& name) {
    for (CSiteInfo site : m_model.Sites()) {
      if (site.m_id != id) continue;
      site.m_name = FromQt(name);
      m_frame.App().UpdateSite(site);
      QMetaObject::invokeMethod(
          this,
          [this, id] {
            m_frame.SitesChanged();
            Select(id);
          },
          Qt::QueuedConnection);
      return true;
    }
    return false;
  };
  Reload();
}

void CSiteView::Reload() {
  const CSiteInfo* current = CurrentSite();
  const Guid chosen = current ? current->m_id : Guid();
  m_model.SetSites(m_frame.App().GetSites());
  expandAll();
  Select(chosen);
}

const CSiteInfo* CSiteView::CurrentSite() const {
  return m_model.Site(currentIndex());
}

void CSiteView::Select(const Guid& id) {
  const QModelIndex index = m_model.IndexOf(id);
  setCurrentIndex(index.isValid() ? index : m_model.RootIndex());
}

bool CSiteView::HandlesCommand(Command command) const {
  return command == Command::kOpenSite || command == Command::kNewSite ||
         command == Command::kDelete || command == Command::kDeleteAll ||
         command == Command::kRename || command == Command::kProperties ||
         command == Command::kCopyUrl;
}

bool CSiteView::IsCommandEnabled(Command command) const {
  switch (command) {
    case Command::kNewSite:
      return true;
    case Command::kDeleteAll:
      return !m_model.Sites().empty();
    default:
      return CurrentSite() != nullptr;
  }
}

void CSiteView::ExecuteCommand(Command command) {
  const CSiteInfo* site = CurrentSite();
  switch (command) {
    case Command::kOpenSite:
      OpenSite();
      break;
    case Command::kNewSite:
      CSitePropertiesDialog::Open(m_frame, nullptr);
      break;
    case Command::kDelete:
      Remove(false);
      break;
    case Command::kDeleteAll:
      Remove(true);
      break;
    case Command::kRename:
      edit(currentIndex());
      break;
    case Command::kProperties:
      if (site) CSitePropertiesDialog::Open(m_frame, site);
      break;
    case Command::kCopyUrl: {
      // The address without its password: the clipboard is no place for one.
      if (!site) break;
      CSiteInfo shown = *site;
      shown.m_password.clear();
      m_frame.CopyToClipboard(ToQt(shown.GetUrl()));
      break;
    }
    default:
      break;
  }
}

void CSiteView::OpenSite() {
  const CSiteInfo* site = CurrentSite();
  if (!site) return;
  m_frame.App().ExploreSite(site->m_id);
  m_frame.PollSoon();
}

void CSiteView::Remove(bool all) {
  std::vector<Guid> ids;
  if (all) {
    for (const CSiteInfo& site : m_model.Sites()) ids.push_back(site.m_id);
  } else if (const CSiteInfo* site = CurrentSite()) {
    ids.push_back(site->m_id);
  }
  if (ids.empty()) return;
  AskQuestion(m_frame.DialogParent(), Text(Msg::kAskDeleteSites), [this, ids](bool yes) {
    if (!yes) return;
    for (const Guid& id : ids) m_frame.App().RemoveSite(id);
    m_frame.SitesChanged();
  });
}

// ---- The open remote folder ----

CRemoteView::CRemoteView(IFrameServices& frame, QWidget* parent)
    : CListView("PopupRemote", RegistryNames::kLayoutViewsRemote, parent), m_frame(frame) {
  setObjectName(QStringLiteral("remoteView"));
  setModel(&m_model);
  setSortingEnabled(true);
  header()->setSortIndicator(0, Qt::AscendingOrder);
  RestoreLayout({260, 90, 210, 140});
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { OnActivated(index, true); });
}

void CRemoteView::SetBusy(bool busy) {
  m_busy = busy;
  if (busy)
    viewport()->setCursor(Qt::BusyCursor);
  else
    viewport()->unsetCursor();
}

QString CRemoteView::AddressOf(const CEntryInfo& entry) const {
  if (!entry.GetAddress().empty()) return ToQt(entry.GetAddress());
  return QString();
}

QStringList CRemoteView::SelectedFileAddresses() const {
  QStringList addresses;
  for (const QModelIndex& index : SelectedSourceRows()) {
    const CEntryInfo* entry = m_model.At(index.row());
    if (!entry || entry->GetType() != CEntryInfo::kTypeFile) continue;
    const QString address = AddressOf(*entry);
    if (!address.isEmpty()) addresses << address;
  }
  return addresses;
}

bool CRemoteView::HandlesCommand(Command command) const {
  return command == Command::kRemoteDownload || command == Command::kCopyUrl ||
         command == Command::kProperties || command == Command::kRefresh ||
         command == Command::kSelectAll;
}

bool CRemoteView::IsCommandEnabled(Command command) const {
  switch (command) {
    case Command::kRemoteDownload:
      return !SelectedFileAddresses().isEmpty();
    case Command::kRefresh:
      return !m_busy && !m_frame.App().GetExplorerPath().empty();
    case Command::kSelectAll:
      return m_model.rowCount() > 0;
    case Command::kProperties:
      return CurrentSourceRow().isValid();
    default:
      return !SelectedSourceRows().empty();
  }
}

void CRemoteView::ExecuteCommand(Command command) {
  switch (command) {
    case Command::kRemoteDownload: {
      const QStringList addresses = SelectedFileAddresses();
      if (addresses.size() == 1)
        m_frame.AddDownload(addresses.front(), m_frame.DialogParent());
      else if (addresses.size() > 1)
        m_frame.AddDownloads(addresses, m_frame.DialogParent());
      break;
    }
    case Command::kCopyUrl: {
      QStringList addresses;
      for (const QModelIndex& index : SelectedSourceRows())
        if (const CEntryInfo* entry = m_model.At(index.row())) addresses << AddressOf(*entry);
      m_frame.CopyToClipboard(addresses.join(QLatin1Char('\n')));
      break;
    }
    case Command::kProperties: {
      const CEntryInfo* entry = m_model.At(CurrentSourceRow().row());
      if (!entry) break;
      CInfoDialog::Open(
          "PropertiesEntry", "Entry Properties",
          {{1000, "Name:", ToQt(entry->GetName())},
           {1001, "Address:", AddressOf(*entry), true},
           {1002, "Type:", ToQt(entry->GetTypeText())},
           {1003, "Size:",
            entry->GetSize() < 0 ? QString::fromWCharArray(ferrow::DisplayText::kUnknown)
                                 : ToQt(FormatSize(static_cast<uint64_t>(entry->GetSize())))},
           {1004, "Date:", ToQt(FormatDateTime(entry->GetDate()))},
           {1005, "Owner:", ToQt(entry->GetOwner())},
           {1006, "Group:", ToQt(entry->GetGroup())}},
          m_frame.DialogParent());
      break;
    }
    case Command::kRefresh:
      m_frame.App().ChangeExplorerFolder(std::wstring());
      m_frame.PollSoon();
      break;
    case Command::kSelectAll:
      selectAll();
      break;
    default:
      break;
  }
}

void CRemoteView::OnActivated(const QModelIndex& index, bool doubleClick) {
  const CEntryInfo* entry = m_model.At(index.row());
  if (!entry) return;
  if (entry->GetType() == CEntryInfo::kTypeFile) {
    if (doubleClick) {
      const QString address = AddressOf(*entry);
      if (!address.isEmpty()) m_frame.AddDownload(address, m_frame.DialogParent());
    }
    return;
  }
  if (m_busy) return;
  m_frame.App().ChangeExplorerFolder(entry->GetName());
  m_frame.PollSoon();
}

void CRemoteView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
    OnActivated(currentIndex(), false);
    return;
  }
  CListView::keyPressEvent(event);
}

// ---- The pane ----

CExplorerPane::CExplorerPane(IFrameServices& frame, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), m_frame(frame) {
  setObjectName(QStringLiteral("explorerPane"));
  m_sites = new CSiteView(frame);
  m_explorerView = new QSplitter(Qt::Vertical);
  m_remote = new CRemoteView(frame);
  m_log = new CLogView(frame);
  m_explorerView->addWidget(m_remote);
  m_explorerView->addWidget(m_log);
  m_explorerView->setStretchFactor(0, 3);
  m_explorerView->setStretchFactor(1, 1);
  addWidget(m_sites);
  addWidget(m_explorerView);
  setStretchFactor(1, 1);
  std::vector<int32_t> columns = {200, 700};
  LoadSplit(RegistryNames::kLayoutPanesExplorer, 2, columns);
  setSizes({columns[0], columns[1]});
  std::vector<int32_t> rows = {360, 140};
  LoadSplit(RegistryNames::kLayoutViewsExplorer, 2, rows);
  m_explorerView->setSizes({rows[0], rows[1]});
}

void CExplorerPane::OnExplorerEvent(uint32_t event) {
  CFerrowApp& app = m_frame.App();
  switch (event) {
    case ExplorerEvent::kLog:
      m_log->Model().Append(app.TakeExplorerLog());
      break;
    case ExplorerEvent::kConnecting:
      m_remote->Model().Clear();
      break;
    case ExplorerEvent::kBusy:
      m_remote->SetBusy(true);
      break;
    case ExplorerEvent::kEnded:
    case ExplorerEvent::kIdle:
      m_remote->SetBusy(false);
      break;
    case ExplorerEvent::kListing: {
      const CFileListing listing = app.GetExplorerListing();
      m_remote->Model().SetEntries(std::vector<CEntryInfo>(listing.begin(), listing.end()));
      if (m_remote->Model().rowCount() > 0)
        m_remote->setCurrentIndex(m_remote->Model().index(0, 0));
      break;
    }
    default:
      break;
  }
}

void CExplorerPane::ReloadSites() {
  m_sites->Reload();
}

void CExplorerPane::SaveLayout() const {
  const QList<int> columns = sizes();
  SaveSplit(RegistryNames::kLayoutPanesExplorer, {columns.value(0), columns.value(1)});
  const QList<int> rows = m_explorerView->sizes();
  SaveSplit(RegistryNames::kLayoutViewsExplorer, {rows.value(0), rows.value(1)});
  m_remote->SaveLayout();
}

QWidget* CExplorerPane::FirstView() const {
  return m_sites;
}

}  // namespace ferrow
