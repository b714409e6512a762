#pragma once
// The windowed program's side of the application shell (IShellFrontEnd): it makes the main
// window when the core asks, shows start-up failures, and turns the shell's reports (a later
// start's URLs and wish to be seen, connection changes, a newer version, the after-download
// close) into the main window's reactions.
#include <memory>

#include "shell/shell_front_end.h"

class QWidget;

namespace ferrow {

class CFerrowApp;
class CMainFrame;

class CGuiFrontEnd : public IShellFrontEnd {
 public:
  CGuiFrontEnd();
  ~CGuiFrontEnd() override;

  // Before CFerrowApp::Start; the application outlives the main window.
  void SetApp(CFerrowApp* app) { m_app = app; }
  CMainFrame* Frame() const { return m_frame.get(); }
  // The window messages belong to (null while the main window is hidden).
  QWidget* DialogParent() const;
  void DestroyMainWindow();

  bool CreateMainWindow() override;
  void ShowStartupError(const std::wstring& text) override;
  void OnActivate() override;
  void OnUrls(const std::vector<std::wstring>& urls) override;
  void OnConnectionChanged(bool up) override;
  void OnNewVersion() override;
  void OnCloseRequested() override;

 private:
  CFerrowApp* m_app = nullptr;
  std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace ferrow
