#include "gui/clipboard_monitor.h"

#include <QApplication>
#include <QClipboard>

#include "app/settings.h"
#include "gui/qt_text.h"
#include "shell/download_url.h"

namespace ferrow {

CClipboardMonitor::CClipboardMonitor(const CSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CClipboardMonitor::OnChanged);
}

bool CClipboardMonitor::IsWatchedChange() const {
  if (!m_settings.m_monitorClipboard) return false;
  // One of our own windows is in front: the user copied there (or in us).
  if (QApplication::activeWindow() != nullptr) return false;
  const QString text = QApplication::clipboard()->text();
  return IsDownloadUrl(FromQt(text), m_settings.m_extensionList);
}

void CClipboardMonitor::OnChanged() {
  if (IsWatchedChange()) emit linkCopied();
}

}  // namespace ferrow
