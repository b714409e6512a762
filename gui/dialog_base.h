#pragma once
// What the program's dialogs share: the object name is the dialog's language-file name
// ("DownloadFile"), controls with texts carry their identifiers, OK and Cancel are 1 and 2,
// the language section is applied once the dialog is built, and every opening is traced
// (FERROW_TRACE_DIALOGS). Labels that show names, URLs or server texts are plain text.
#include <QDialog>
#include <QString>
#include <cstdint>

class QBoxLayout;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace ferrow {

class CDialogBase : public QDialog {
  Q_OBJECT

 public:
  static constexpr uint32_t kIdOk = 1;
  static constexpr uint32_t kIdCancel = 2;

  const char* Name() const { return m_name; }

 protected:
  CDialogBase(const char* name, QWidget* parent);

  // A form row: a label with the built-in text (its "&" letter focuses the field).
  QLabel* AddRow(QFormLayout* form, uint32_t id, const char* text, QWidget* field);
  // A label for a value from a record, a server or a file: plain text, selectable.
  static QLabel* ValueLabel(const QString& text = QString());
  // A read-only line for a long value (a URL, a path), selectable and scrollable.
  static QLineEdit* ValueLine(const QString& text = QString());
  // OK and Cancel (or Close alone), connected to accept and reject.
  QDialogButtonBox* AddButtons(QBoxLayout* layout, bool cancel = true);
  // The language section, the window icon, the trace; once the dialog is complete.
  void FinishDialog(const QString& traceDetail = QString());

 private:
  const char* m_name;
};

}  // namespace ferrow
