#include "gui/project_pages.h"

#include <QFileInfo>

#include "gui/qt_text.h"
#include "platform/folders.h"

#ifndef FERROW_HOMEPAGE_URL
#define FERROW_HOMEPAGE_URL ""
#endif
#ifndef FERROW_SUPPORT_URL
#define FERROW_SUPPORT_URL ""
#endif

namespace ferrow {

QString HomepageUrl() {
  return QString::fromUtf8(FERROW_HOMEPAGE_URL);
}

QString SupportUrl() {
  return QString::fromUtf8(FERROW_SUPPORT_URL);
}

QString HelpIndexPath() {
  const QString path = ToQt(GetProgramFolder()) + QStringLiteral("help/index.html");
  return QFileInfo::exists(path) ? path : QString();
}

}  // namespace ferrow
