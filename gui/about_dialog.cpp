#include "gui/about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/project_pages.h"

namespace ferrow {
namespace {

enum : uint32_t { kIdDescription = 1000, kIdCopyright = 1001 };

}  // namespace

CAboutDialog* CAboutDialog::Open(QWidget* parent) {
  auto* dialog = new CAboutDialog(parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CAboutDialog::CAboutDialog(QWidget* parent) : CDialogBase("About", parent) {
  setWindowTitle(QStringLiteral("About Ferrow"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel;
  icon->setPixmap(Icon(IconId::kApp).pixmap(64, 64));
  top->addWidget(icon, 0, Qt::AlignTop);
  auto* text = new QVBoxLayout;
  auto* name = new QLabel(QStringLiteral("Ferrow %1").arg(QLatin1String(FERROW_VERSION)));
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  name->setFont(bold);
  text->addWidget(name);
  auto* description = new QLabel(QStringLiteral(
      "A download manager: files over HTTP and FTP in parallel parts that continue where they "
      "stopped, a queue, folders, a history and a browser for FTP sites."));
  description->setWordWrap(true);
  description->setTextFormat(Qt::PlainText);
  SetControlId(description, kIdDescription);
  text->addWidget(description);
  auto* copyright = new QLabel(QStringLiteral("Copyright the Ferrow developers."));
  copyright->setTextFormat(Qt::PlainText);
  SetControlId(copyright, kIdCopyright);
  text->addWidget(copyright);
  const QString homepage = HomepageUrl();
  if (!homepage.isEmpty()) {
    auto* link = new QLabel(homepage);
    link->setTextFormat(Qt::PlainText);
    link->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->addWidget(link);
  }
  top->addLayout(text, 1);
  layout->addLayout(top);
  AddButtons(layout, false);
  setMinimumWidth(420);
  FinishDialog();
}

}  // namespace ferrow
