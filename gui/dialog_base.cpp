#include "gui/dialog_base.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/dialog_trace.h"
#include "gui/icons.h"
#include "gui/language_texts.h"

namespace ferrow {

CDialogBase::CDialogBase(const char* name, QWidget* parent) : QDialog(parent), m_name(name) {
  setObjectName(QLatin1String(name));
  setWindowIcon(Icon(IconId::kApp));
}

QLabel* CDialogBase::AddRow(QFormLayout* form, uint32_t id, const char* text, QWidget* field) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setTextFormat(Qt::PlainText);
  label->setBuddy(field);
  SetControlId(label, id);
  form->addRow(label, field);
  return label;
}

QLabel* CDialogBase::ValueLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  label->setWordWrap(true);
  return label;
}

QLineEdit* CDialogBase::ValueLine(const QString& text) {
  auto* line = new QLineEdit(text);
  line->setReadOnly(true);
  line->setCursorPosition(0);
  line->setMinimumWidth(360);
  return line;
}

QDialogButtonBox* CDialogBase::AddButtons(QBoxLayout* layout, bool cancel) {
  auto* buttons = new QDialogButtonBox(cancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                              : QDialogButtonBox::Close);
  if (cancel) {
    SetControlId(buttons->button(QDialogButtonBox::Ok), kIdOk);
    SetControlId(buttons->button(QDialogButtonBox::Cancel), kIdCancel);
  } else {
    SetControlId(buttons->button(QDialogButtonBox::Close), kIdCancel);
  }
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  return buttons;
}

void CDialogBase::FinishDialog(const QString& traceDetail) {
  const std::wstring name = QString::fromLatin1(m_name).toStdWString();
  ApplyDialogTexts(name.c_str(), this);
  TraceDialog(m_name, traceDetail);
}

}  // namespace ferrow
