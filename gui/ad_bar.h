#pragma once
// The advertisement bar: one line of text (message 1709) under the panes; a click opens the
// maker's home page.
#include <QLabel>

namespace ferrow {

class CAdBar : public QLabel {
  Q_OBJECT

 public:
  explicit CAdBar(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace ferrow
