#pragma once
// Watches the clipboard for links the user copies in another program: with "MonitorClipboard"
// on, a change while none of our windows is active whose text passes IsDownloadUrl (with
// "ExtensionList") reports linkCopied; the new-download dialog then proposes the text itself.
// Copies made from our own windows (their copy commands) are ignored.
//
// The desktop must tell an unfocused program of clipboard changes: X11 does; many Wayland
// compositors tell only the program that has the focus, so there the link is seen once one of
// our windows is activated (and then ignored as our own), i.e. not at all.
#include <QObject>

namespace ferrow {

class CSettings;

class CClipboardMonitor : public QObject {
  Q_OBJECT

 public:
  CClipboardMonitor(const CSettings& settings, QObject* parent = nullptr);

  // The check itself, for the current clipboard text.
  bool IsWatchedChange() const;

 signals:
  void linkCopied();

 private:
  void OnChanged();

  const CSettings& m_settings;
};

}  // namespace ferrow
