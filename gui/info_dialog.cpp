#include "gui/info_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ferrow {

CInfoDialog* CInfoDialog::Open(const char* name, const char* title,
                               const std::vector<InfoRow>& rows, QWidget* parent) {
  auto* dialog = new CInfoDialog(name, title, rows, parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CInfoDialog::CInfoDialog(const char* name, const char* title, const std::vector<InfoRow>& rows,
                         QWidget* parent)
    : CDialogBase(name, parent) {
  setWindowTitle(QString::fromUtf8(title));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (const InfoRow& row : rows)
    AddRow(form, row.id, row.label,
           row.line ? static_cast<QWidget*>(ValueLine(row.value)) : ValueLabel(row.value));
  layout->addLayout(form);
  AddButtons(layout, false);
  setMinimumWidth(460);
  FinishDialog(rows.empty() ? QString() : rows.front().value);
}

}  // namespace ferrow
