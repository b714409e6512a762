#pragma once
// One field of the status bar; a double click on it opens the settings page it belongs to.
#include <QLabel>

namespace ferrow {

class CStatusPane : public QLabel {
  Q_OBJECT

 public:
  explicit CStatusPane(QWidget* parent = nullptr) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setMargin(2);
  }

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QLabel::mouseDoubleClickEvent(event);
    emit doubleClicked();
  }
};

}  // namespace ferrow
