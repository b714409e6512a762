#pragma once
// What the application shell needs from the program's front end (the windowed program, a test)
// and tells it. Everything is called on the thread that drives CFerrowApp: the start-up calls
// during Start, the rest from Poll. Where the shell would send a window a message, it calls
// one of these; the front end only turns them into windows and dialogs.
#include <string>
#include <vector>

namespace ferrow {

class IShellFrontEnd {
 public:
  virtual ~IShellFrontEnd() = default;

  // Makes the main window once the data and the language are loaded; false ends the start
  // without a message. The services exist already (the window may register as a download
  // listener) but have not started.
  virtual bool CreateMainWindow() { return true; }
  // A start-up failure's text, shown in a message box of its own.
  virtual void ShowStartupError(const std::wstring& text) = 0;

  // A later start asked to see the window (it was not "/silent"): restore it and bring it
  // forward.
  virtual void OnActivate() {}
  // URLs handed over by a later start, or given to this one: one opens the download dialog,
  // several the download-list dialog.
  virtual void OnUrls(const std::vector<std::wstring>& urls) { (void)urls; }
  // A dial-up link came up (the queue has been started) or went down (the running downloads
  // have been stopped and queued first).
  virtual void OnConnectionChanged(bool up) { (void)up; }
  // The maker offers a newer version: ask (message 2202) and open the download page on Yes.
  virtual void OnNewVersion() {}
  // The after-download actions close the program: close as if the user had.
  virtual void OnCloseRequested() {}
};

}  // namespace ferrow
