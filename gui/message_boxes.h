#pragma once
// Messages and questions of the windows. None of them blocks the caller: a message opens and
// returns; a question calls back with the answer, so the core keeps running (the transfers'
// figures, hand-overs) while a box waits for the user. CQtMessageUi lets the core's
// ShowMessage and AskMessage (CResourceManager) use the same boxes.
#include <QString>
#include <functional>

#include "l10n/message_ui.h"

class QWidget;

namespace ferrow {

enum class MessageKind { kInformation, kWarning, kError };

void ShowMessageBox(QWidget* parent, const QString& text,
                    MessageKind kind = MessageKind::kInformation);
void AskQuestion(QWidget* parent, const QString& text, std::function<void(bool yes)> answer);

class CQtMessageUi : public CMessageUi {
 public:
  // parent() gives the window the boxes belong to (null: their own top-level windows).
  explicit CQtMessageUi(std::function<QWidget*()> parent = {}) : m_parent(std::move(parent)) {}
  void ShowMessage(const std::wstring& text) override;
  // The core asks only where it can wait: this one blocks in a local event loop.
  bool AskYesNo(const std::wstring& text) override;

 private:
  std::function<QWidget*()> m_parent;
};

}  // namespace ferrow
