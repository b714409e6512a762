#include "plugins/np/notice_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <set>

namespace ferrow::np {
namespace {

constexpr int kMargin = 10;
constexpr long kEventMask = ExposureMask | StructureNotifyMask;

// Xlib's error handler is process-wide. Errors on our own connections (a window the browser
// destroyed before it told us) are ignored; every other error goes to the handler that was
// there before, so the browser's own handling stays as it was.
std::mutex g_displaysLock;
std::set<Display*> g_displays;
XErrorHandler g_previousHandler = nullptr;
bool g_handlerInstalled = false;

int OnXError(Display* display, XErrorEvent* event) {
  {
    std::lock_guard<std::mutex> lock(g_displaysLock);
    if (g_displays.count(display)) return 0;
  }
  return g_previousHandler ? g_previousHandler(display, event) : 0;
}

void Register(Display* display) {
  std::lock_guard<std::mutex> lock(g_displaysLock);
  g_displays.insert(display);
  if (!g_handlerInstalled) {
    g_previousHandler = XSetErrorHandler(OnXError);
    g_handlerInstalled = true;
  }
}

void Unregister(Display* display) {
  std::lock_guard<std::mutex> lock(g_displaysLock);
  g_displays.erase(display);
}

Display* Dpy(void* display) {
  return static_cast<Display*>(display);
}

}  // namespace

std::string DisplayNameOf(void* display) {
  const char* name = DisplayString(Dpy(display));
  return name ? name : "";
}

CNoticeWindow* CNoticeWindow::Attach(const std::string& displayName, unsigned long window,
                                     unsigned width, unsigned height, const std::string& notice) {
  Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
  if (!display) return nullptr;
  Register(display);
  auto* attached = new CNoticeWindow(display, window, width, height);
  attached->m_notice = notice;
  if (pipe2(attached->m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    delete attached;
    return nullptr;
  }
  attached->m_thread = std::thread(&CNoticeWindow::Run, attached);
  return attached;
}

CNoticeWindow::CNoticeWindow(void* display, unsigned long window, unsigned width, unsigned height)
    : m_display(display), m_window(window), m_width(width), m_height(height) {
  Display* d = Dpy(display);
  XSelectInput(d, window, kEventMask);
  m_gc = reinterpret_cast<unsigned long>(XCreateGC(d, window, 0, nullptr));
  m_font = XLoadQueryFont(d, "fixed");
  if (m_font) XSetFont(d, reinterpret_cast<GC>(m_gc), static_cast<XFontStruct*>(m_font)->fid);
  XFlush(d);
}

CNoticeWindow::~CNoticeWindow() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopping = true;
  }
  Wake();
  if (m_thread.joinable()) m_thread.join();
  Display* d = Dpy(m_display);
  XSelectInput(d, m_window, NoEventMask);
  if (m_font) XFreeFont(d, static_cast<XFontStruct*>(m_font));
  if (m_gc) XFreeGC(d, reinterpret_cast<GC>(m_gc));
  XSync(d, False);
  XCloseDisplay(d);
  Unregister(d);
  for (int fd : m_wake)
    if (fd >= 0) close(fd);
}

void CNoticeWindow::Wake() {
  if (m_wake[1] < 0) return;
  char byte = 1;
  while (write(m_wake[1], &byte, 1) < 0 && errno == EINTR) {
  }
}

void CNoticeWindow::SetNotice(const std::string& notice) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_notice = notice;
}

void CNoticeWindow::Repaint() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    PaintLocked();
    XFlush(Dpy(m_display));
  }
  Wake();  // events read meanwhile wait in Xlib's queue, not in the socket
}

void CNoticeWindow::MoveToCorner(unsigned width, unsigned height) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    Display* d = Dpy(m_display);
    XMoveResizeWindow(d, m_window, 0, 0, width, height);
    XMapWindow(d, m_window);
    m_width = width;
    m_height = height;
    PaintLocked();
    XFlush(d);
  }
  Wake();
}

void CNoticeWindow::PaintLocked() {
  Display* d = Dpy(m_display);
  GC gc = reinterpret_cast<GC>(m_gc);
  const int screen = DefaultScreen(d);
  XSetClipMask(d, gc, None);
  XSetForeground(d, gc, WhitePixel(d, screen));
  XFillRectangle(d, m_window, gc, 0, 0, m_width, m_height);
  if (m_notice.empty()) return;
  if (m_width <= 2 * kMargin || m_height <= 2 * kMargin) return;
  XRectangle inner{kMargin, kMargin, static_cast<unsigned short>(m_width - 2 * kMargin),
                   static_cast<unsigned short>(m_height - 2 * kMargin)};
  XSetClipRectangles(d, gc, 0, 0, &inner, 1, Unsorted);
  XSetForeground(d, gc, BlackPixel(d, screen));
  auto* font = static_cast<XFontStruct*>(m_font);
  const int ascent = font ? font->ascent : 10;
  const int lineHeight = font ? font->ascent + font->descent : 13;
  int y = kMargin + ascent;
  size_t start = 0;
  while (start <= m_notice.size()) {
    size_t end = m_notice.find('\n', start);
    if (end == std::string::npos) end = m_notice.size();
    std::string line = m_notice.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) XDrawString(d, m_window, gc, kMargin, y, line.data(), line.size());
    y += lineHeight;
    if (y - ascent > static_cast<int>(m_height)) break;
    start = end + 1;
  }
  XSetClipMask(d, gc, None);
}

void CNoticeWindow::Run() {
  Display* d = Dpy(m_display);
  pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      if (m_stopping) return;
      bool expose = false;
      while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == Expose && event.xexpose.count == 0) expose = true;
        if (event.type == ConfigureNotify) {
          m_width = static_cast<unsigned>(event.xconfigure.width);
          m_height = static_cast<unsigned>(event.xconfigure.height);
        }
      }
      if (expose) {
        PaintLocked();
        XFlush(d);
      }
    }
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (fds[1].revents & POLLIN) {
      char buffer[64];
      while (read(m_wake[0], buffer, sizeof buffer) > 0) {
      }
    }
    if (fds[0].revents & (POLLHUP | POLLERR)) return;  // the display went away
  }
}

}  // namespace ferrow::np
