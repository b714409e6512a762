#include "gui/message_boxes.h"

#include <QMessageBox>

#include "gui/dialog_trace.h"
#include "gui/icons.h"
#include "gui/qt_text.h"

namespace ferrow {
namespace {

QMessageBox* MakeBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
  auto* box = new QMessageBox(icon, QStringLiteral("Ferrow"), text, QMessageBox::NoButton, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setTextFormat(Qt::PlainText);  // names and URLs from servers are never markup
  box->setWindowIcon(Icon(IconId::kApp));
  box->setObjectName(QStringLiteral("ferrowMessage"));
  TraceMessage(text);
  return box;
}

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return QMessageBox::Warning;
    case MessageKind::kError:
      return QMessageBox::Critical;
    case MessageKind::kInformation:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text, MessageKind kind) {
  QMessageBox* box = MakeBox(parent, text, IconOf(kind));
  box->setStandardButtons(QMessageBox::Ok);
  box->setModal(parent != nullptr);
  box->open();
}

void AskQuestion(QWidget* parent, const QString& text, std::function<void(bool yes)> answer) {
  QMessageBox* box = MakeBox(parent, text, QMessageBox::Question);
  box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box->setDefaultButton(QMessageBox::No);
  box->setEscapeButton(QMessageBox::No);
  QObject::connect(box, &QMessageBox::finished, box, [answer = std::move(answer)](int result) {
    answer(result == QMessageBox::Yes);
  });
  box->setModal(parent != nullptr);
  box->open();
}

void CQtMessageUi::ShowMessage(const std::wstring& text) {
  ShowMessageBox(m_parent ? m_parent() : nullptr, ToQt(text), MessageKind::kWarning);
}

bool CQtMessageUi::AskYesNo(const std::wstring& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Ferrow"), ToQt(text),
                  QMessageBox::Yes | QMessageBox::No, m_parent ? m_parent() : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::No);
  TraceMessage(ToQt(text));
  return box.exec() == QMessageBox::Yes;
}

}  // namespace ferrow
