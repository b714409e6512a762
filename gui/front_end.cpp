#include "gui/front_end.h"

#include <QMessageBox>

#include "gui/dialog_trace.h"
#include "gui/icons.h"
#include "gui/main_frame.h"
#include "gui/qt_text.h"

namespace ferrow {

CGuiFrontEnd::CGuiFrontEnd() = default;

CGuiFrontEnd::~CGuiFrontEnd() = default;

QWidget* CGuiFrontEnd::DialogParent() const {
  return m_frame ? m_frame->DialogParent() : nullptr;
}

void CGuiFrontEnd::DestroyMainWindow() {
  m_frame.reset();
}

bool CGuiFrontEnd::CreateMainWindow() {
  if (!m_app) return false;
  m_frame = std::make_unique<CMainFrame>(*m_app);
  return true;
}

void CGuiFrontEnd::ShowStartupError(const std::wstring& text) {
  TraceMessage(ToQt(text));
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Ferrow"), ToQt(text), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setWindowIcon(Icon(IconId::kApp));
  box.exec();
}

void CGuiFrontEnd::OnActivate() {
  if (m_frame) m_frame->Activate();
}

void CGuiFrontEnd::OnUrls(const std::vector<std::wstring>& urls) {
  if (m_frame) m_frame->HandOver(urls);
}

void CGuiFrontEnd::OnConnectionChanged(bool up) {
  if (m_frame) m_frame->OnConnectionChanged(up);
}

void CGuiFrontEnd::OnNewVersion() {
  if (m_frame) m_frame->OnNewVersion();
}

void CGuiFrontEnd::OnCloseRequested() {
  if (m_frame) m_frame->RequestExit(false);
}

}  // namespace ferrow
