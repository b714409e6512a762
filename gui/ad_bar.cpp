#include "gui/ad_bar.h"

#include <QMouseEvent>

#include "gui/language_texts.h"
#include "l10n/message_numbers.h"

namespace ferrow {

CAdBar::CAdBar(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("adBar"));
  setTextFormat(Qt::PlainText);
  setText(Text(Msg::kAdBar, "Ferrow - visit our home page for news and updates"));
  setCursor(Qt::PointingHandCursor);
  setMargin(3);
  setFrameShape(QFrame::StyledPanel);
  setToolTip(text());
}

void CAdBar::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
}

}  // namespace ferrow
