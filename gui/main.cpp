// ferrow, the windowed program: the application core driven from Qt's event loop.
//
//   ferrow [/silent] [/url=URL|URL...]
//
// A second start hands its URLs to the running instance and ends.
#include <QApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ferrow_app.h"
#include "gui/core_driver.h"
#include "gui/front_end.h"
#include "gui/icons.h"
#include "gui/main_frame.h"
#include "gui/message_boxes.h"
#include "l10n/resource_manager.h"
#include "platform/terminal.h"
#include "platform/text.h"

int main(int argc, char** argv) {
  using namespace ferrow;
  // The arguments as given, before Qt takes its own options out.
  std::vector<std::wstring> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(LocalToWide(argv[i]));
  // SIGTERM (a logout, a kill) ends the program as Exit does: transfers stopped, data saved.
  InstallInterruptFlag();

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ferrow"));
  QApplication::setOrganizationName(QStringLiteral("Brennick"));
  QApplication::setDesktopFileName(QStringLiteral("ferrow"));
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(Icon(IconId::kApp));

  CResourceManager& resources = CResourceManager::Instance();
  CGuiFrontEnd frontEnd;
  CQtMessageUi messages([&frontEnd] { return frontEnd.DialogParent(); });
  resources.SetMessageUi(&messages);
  CFerrowApp::Options options;
  // Tests run instances of their own, apart from any the user runs.
  if (const char* tag = std::getenv("FERROW_INSTANCE_TAG"); tag && tag[0] != '\0')
    options.names = InstanceNames::Tagged(tag);
  CFerrowApp app(frontEnd, resources, std::move(options));
  frontEnd.SetApp(&app);
  switch (app.Start(arguments)) {
    case CFerrowApp::StartResult::kHandedOver:
      return 0;
    case CFerrowApp::StartResult::kFailed:
      resources.SetMessageUi(nullptr);
      return 1;
    case CFerrowApp::StartResult::kRunning:
      break;
  }

  CMainFrame& frame = *frontEnd.Frame();
  CCoreDriver driver(app);
  frame.SetDriver(&driver);
  driver.SetAfterPoll([&frame] {
    if (GetInterruptSignal() != 0 && !frame.IsExiting()) frame.RequestExit(false);
  });
  QObject::connect(&frame, &CMainFrame::exitFinished, &application, &QApplication::quit);
  frame.ShowAtStart(app.IsSilent());
  driver.Start();
  const int result = application.exec();
  driver.Stop();
  // Ended by the desktop rather than by Exit: stop and save now.
  if (app.IsRunning()) app.Exit();
  resources.SetMessageUi(nullptr);
  frontEnd.DestroyMainWindow();
  return result;
}
