#pragma once
// The plug-in's hold on the window the browser gives it: what subclassing the window is on
// Windows. It opens its own connection to the browser's X display, asks for the window's
// exposure and size events on it, and paints the notice (black text on white, 10 pixels in from
// every edge, lines broken only at line breaks) whenever the window needs it, on a thread of its
// own. Releasing it takes the event selection back, which leaves the window as it was.
//
// Lock: m_lock guards the display connection, the notice and the size; it is taken by the
// browser's thread (the NPP calls) and by the event thread, each for one operation.
#include <mutex>
#include <string>
#include <thread>

namespace ferrow::np {

class CNoticeWindow {
 public:
  // Attaches to the window on the display named displayName (empty: $DISPLAY). Null when the
  // display cannot be opened.
  static CNoticeWindow* Attach(const std::string& displayName, unsigned long window, unsigned width,
                               unsigned height, const std::string& notice);
  // Stops the event thread, takes the event selection back and closes the connection.
  ~CNoticeWindow();
  CNoticeWindow(const CNoticeWindow&) = delete;
  CNoticeWindow& operator=(const CNoticeWindow&) = delete;

  unsigned long Window() const { return m_window; }
  void SetNotice(const std::string& notice);
  // Clears the window and paints it now.
  void Repaint();
  // Moves the window to its parent's top-left corner at the given size and shows it.
  void MoveToCorner(unsigned width, unsigned height);

 private:
  CNoticeWindow(void* display, unsigned long window, unsigned width, unsigned height);
  void Run();
  void PaintLocked();
  void Wake();

  std::mutex m_lock;
  void* m_display;  // Display*
  unsigned long m_window;
  unsigned long m_gc = 0;  // GC
  void* m_font = nullptr;  // XFontStruct*
  unsigned m_width, m_height;
  std::string m_notice;
  int m_wake[2] = {-1, -1};
  bool m_stopping = false;
  std::thread m_thread;
};

// The name of an open display (the browser's), to open a connection of our own to it.
std::string DisplayNameOf(void* display);

}  // namespace ferrow::np
