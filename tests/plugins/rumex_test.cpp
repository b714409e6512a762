// Plays a Netscape-API browser for Rumex: loads the library, calls the entry points in the
// browser's order, gives it real X11 windows on a virtual display, and checks what the fake main
// program received and what the plug-in painted.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "plugins/np/npapi.h"
#include "tests/plugins/fake_main_program.h"
#include "tests/support/sandbox.h"
#include "tests/support/skip.h"
#include "tests/support/wait_until.h"

// Xlib's macros (None, Bool, Status) would clash with GoogleTest's names: included last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace ferrow {
namespace {

using namespace ferrow::np;

int g_allocations = 0;
bool g_failAllocation = false;

void* MemAlloc(uint32_t size) {
  if (g_failAllocation) return nullptr;
  ++g_allocations;
  return std::malloc(size);
}

void MemFree(void* memory) {
  --g_allocations;
  std::free(memory);
}

// Waits for a condition on the display; painting happens on the plug-in's own thread.
using test::WaitUntil;

class RumexTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_handle = dlopen(FERROW_RUMEX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_handle, nullptr) << dlerror();
    m_getEntryPoints =
        reinterpret_cast<NPError (*)(NPPluginFuncs*)>(dlsym(m_handle, "NP_GetEntryPoints"));
    m_initialize =
        reinterpret_cast<NPError (*)(NPNetscapeFuncs*)>(dlsym(m_handle, "NP_Initialize"));
    m_shutdown = reinterpret_cast<NPError (*)()>(dlsym(m_handle, "NP_Shutdown"));
    ASSERT_TRUE(m_getEntryPoints && m_initialize && m_shutdown);
    m_browser.size = sizeof m_browser;
    m_browser.version = 11;
    m_browser.memalloc = MemAlloc;
    m_browser.memfree = MemFree;
    m_program = std::make_unique<test::FakeMainProgram>(SandboxDir() / "app");
    m_program->Register();
    g_allocations = 0;
    g_failAllocation = false;
  }

  void TearDown() override {
    if (m_display) XCloseDisplay(m_display);
    if (m_shutdown) m_shutdown();
    if (m_handle) dlclose(m_handle);
    SandboxedTest::TearDown();
  }

  // The browser's start: entry points, then initialisation.
  void Load() {
    ASSERT_EQ(m_getEntryPoints(&m_plugin), NPERR_NO_ERROR);
    ASSERT_EQ(m_initialize(&m_browser), NPERR_NO_ERROR);
  }

  bool OpenDisplay() {
    if (!std::getenv("DISPLAY")) return false;
    m_display = XOpenDisplay(nullptr);
    return m_display != nullptr;
  }

  // A black top-level window, as the page area the browser gives; side by side, as an obscured
  // part of a window keeps no pixels to read back.
  Window MakeWindow(int x) {
    const int screen = DefaultScreen(m_display);
    Window window =
        XCreateSimpleWindow(m_display, RootWindow(m_display, screen), x, 50, 400, 200, 0,
                            BlackPixel(m_display, screen), BlackPixel(m_display, screen));
    XMapWindow(m_display, window);
    XSync(m_display, False);
    return window;
  }

  NPWindow WindowFor(Window window) {
    m_callback = {0, m_display, nullptr, 0, 24};
    NPWindow npWindow{};
    npWindow.window = reinterpret_cast<void*>(window);
    npWindow.width = 400;
    npWindow.height = 200;
    npWindow.ws_info = &m_callback;
    npWindow.type = NPWindowTypeWindow;
    return npWindow;
  }

  // Whether some client other than us listens to the window's exposures: the plug-in's hold.
  bool Held(Window window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(m_display, window, &attributes);
    return (attributes.all_event_masks & ExposureMask) != 0;
  }

  unsigned long Pixel(Window window, int x, int y) {
    XImage* image = XGetImage(m_display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xDEADBEEF;
    unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
  }

  // Whether a black pixel lies in the window's rectangle (the text).
  bool HasBlack(Window window, int x, int y, int width, int height) {
    XImage* image = XGetImage(m_display, window, x, y, width, height, AllPlanes, ZPixmap);
    if (!image) return false;
    bool found = false;
    for (int j = 0; j < height && !found; ++j)
      for (int i = 0; i < width && !found; ++i)
        found = XGetPixel(image, i, j) == BlackPixel(m_display, DefaultScreen(m_display));
    XDestroyImage(image);
    return found;
  }

  void* m_handle = nullptr;
  NPError (*m_getEntryPoints)(NPPluginFuncs*) = nullptr;
  NPError (*m_initialize)(NPNetscapeFuncs*) = nullptr;
  NPError (*m_shutdown)() = nullptr;
  NPNetscapeFuncs m_browser{};
  NPPluginFuncs m_plugin{};
  NPSetWindowCallbackStruct m_callback{};
  Display* m_display = nullptr;
  std::unique_ptr<test::FakeMainProgram> m_program;
};

TEST_F(RumexTest, EntryPointsFollowTheVersionRules) {
  EXPECT_EQ(m_getEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
  ASSERT_EQ(m_getEntryPoints(&m_plugin), NPERR_NO_ERROR);
  EXPECT_EQ(m_plugin.version, 11);
  EXPECT_NE(m_plugin.newp, nullptr);
  EXPECT_EQ(m_initialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);

  m_browser.version = 0x0100;  // major version 1: refused
  EXPECT_EQ(m_initialize(&m_browser), NPERR_INCOMPATIBLE_VERSION_ERROR);
  m_browser.version = 8;  // before notifications: no urlnotify entry
  m_plugin.javaClass = &m_browser;
  EXPECT_EQ(m_initialize(&m_browser), NPERR_NO_ERROR);
  EXPECT_EQ(m_plugin.urlnotify, nullptr);
  EXPECT_NE(m_plugin.javaClass, nullptr);
  m_browser.version = 9;
  EXPECT_EQ(m_initialize(&m_browser), NPERR_NO_ERROR);
  EXPECT_NE(m_plugin.urlnotify, nullptr);
  EXPECT_EQ(m_plugin.javaClass, nullptr);
  EXPECT_EQ(m_shutdown(), NPERR_NO_ERROR);
}

TEST_F(RumexTest, EveryEntryGivesItsResult) {
  Load();
  NPP_t instance{};
  g_failAllocation = true;
  EXPECT_EQ(m_plugin.newp(nullptr, &instance, 1, 0, nullptr, nullptr, nullptr),
            NPERR_OUT_OF_MEMORY_ERROR);
  g_failAllocation = false;
  ASSERT_EQ(m_plugin.newp(nullptr, &instance, 1, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(g_allocations, 1);
  EXPECT_EQ(m_plugin.setwindow(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(m_plugin.setwindow(&instance, nullptr), NPERR_NO_ERROR);  // no window: remembered
  EXPECT_EQ(m_plugin.destroystream(&instance, nullptr, 0), NPERR_NO_ERROR);
  EXPECT_EQ(m_plugin.writeready(&instance, nullptr), -1);
  EXPECT_EQ(m_plugin.write(&instance, nullptr, 0, 0, nullptr), -1);
  EXPECT_EQ(m_plugin.event(&instance, nullptr), 0);
  NPSavedData* saved = reinterpret_cast<NPSavedData*>(&instance);
  EXPECT_EQ(m_plugin.destroy(&instance, &saved), NPERR_NO_ERROR);
  EXPECT_EQ(saved, nullptr);
  EXPECT_EQ(g_allocations, 0);  // given back to the browser's allocator
  EXPECT_EQ(m_plugin.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
}

TEST_F(RumexTest, StreamStartsTheMainProgramOnceAndIsRefused) {
  Load();
  NPP_t instance{};
  ASSERT_EQ(m_plugin.newp(nullptr, &instance, 1, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
  const std::string url = "http://127.0.0.1/files/a b;c.zip";
  NPStream stream{};
  stream.url = url.c_str();
  uint16_t type = 0;
  char mime[] = "application/zip";
  EXPECT_EQ(m_plugin.newstream(&instance, mime, &stream, 0, &type), NPERR_STREAM_NOT_SEEKABLE);

  // A notice over 4095 characters is cut; the command line is cut at 32767 and still started.
  const std::string longUrl = "http://127.0.0.1/" + std::string(40000, 'x') + ".zip";
  stream.url = longUrl.c_str();
  EXPECT_EQ(m_plugin.newstream(&instance, mime, &stream, 0, &type), NPERR_STREAM_NOT_SEEKABLE);
  // The instance block's layout: window, handle, hold, then the notice.
  const char* notice = static_cast<const char*>(instance.pdata) + 3 * sizeof(void*);
  EXPECT_EQ(std::strlen(notice), 4095u);
  EXPECT_EQ(std::string(notice, 17), "http://127.0.0.1/");

  ASSERT_TRUE(m_program->WaitForRecords(2, std::chrono::seconds(20)));
  auto records = m_program->Records();
  ASSERT_EQ(records.size(), 2u);
  std::sort(records.begin(), records.end(),
            [](const auto& a, const auto& b) { return a[2].size() < b[2].size(); });
  EXPECT_EQ(records[0],
            (std::vector<std::string>{m_program->ProgramPath(), "/silent", "/url=" + url}));
  EXPECT_EQ(records[1][0].size() + records[1][1].size() + records[1][2].size() + 2, 32767u);
  EXPECT_EQ(m_plugin.destroy(&instance, nullptr), NPERR_NO_ERROR);
}

TEST_F(RumexTest, SetWindowHoldsRepaintsAndReleasesWindows) {
  if (!OpenDisplay())
    FERROW_SKIP_OR_FAIL("no X display (tests run under tests/plugins/run_with_display)");
  Load();
  NPP_t instance{};
  ASSERT_EQ(m_plugin.newp(nullptr, &instance, 1, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
  const unsigned long white = WhitePixel(m_display, DefaultScreen(m_display));
  Window first = MakeWindow(0), second = MakeWindow(500);
  EXPECT_FALSE(Held(first));

  NPWindow one = WindowFor(first);
  ASSERT_EQ(m_plugin.setwindow(&instance, &one), NPERR_NO_ERROR);
  EXPECT_TRUE(Held(first));
  EXPECT_TRUE(WaitUntil([&] { return Pixel(first, 5, 5) == white; })) << "not painted";
  // The same window again: only repainted, still held.
  ASSERT_EQ(m_plugin.setwindow(&instance, &one), NPERR_NO_ERROR);
  EXPECT_TRUE(Held(first));

  // Another window: the first is given back before the second is taken.
  NPWindow two = WindowFor(second);
  ASSERT_EQ(m_plugin.setwindow(&instance, &two), NPERR_NO_ERROR);
  EXPECT_TRUE(WaitUntil([&] { return !Held(first); }));
  EXPECT_TRUE(Held(second));

  // The stream's notice: black text on white, the window moved to its parent's corner and
  // grown.
  const std::string url = "http://127.0.0.1/setup.exe";
  NPStream stream{};
  stream.url = url.c_str();
  uint16_t type = 0;
  char mime[] = "application/octet-stream";
  EXPECT_EQ(m_plugin.newstream(&instance, mime, &stream, 0, &type), NPERR_STREAM_NOT_SEEKABLE);
  EXPECT_TRUE(WaitUntil([&] {
    XWindowAttributes attributes;
    XGetWindowAttributes(m_display, second, &attributes);
    return attributes.x == 0 && attributes.y == 0 && attributes.width == 10000;
  }));
  EXPECT_TRUE(WaitUntil([&] { return HasBlack(second, 10, 10, 300, 40); })) << "no text";
  EXPECT_EQ(Pixel(second, 5, 5), white);      // the margin
  EXPECT_EQ(Pixel(second, 600, 150), white);  // beyond the text

  // An exposure makes the plug-in paint again: its window procedure at work.
  XSetWindowBackground(m_display, second, BlackPixel(m_display, DefaultScreen(m_display)));
  XClearArea(m_display, second, 0, 0, 0, 0, True);
  XSync(m_display, False);
  EXPECT_TRUE(
      WaitUntil([&] { return Pixel(second, 5, 5) == white && HasBlack(second, 10, 10, 300, 40); }));

  // No window: the held one is given back and nothing is taken.
  NPWindow none{};
  ASSERT_EQ(m_plugin.setwindow(&instance, &none), NPERR_NO_ERROR);
  EXPECT_TRUE(WaitUntil([&] { return !Held(second); }));
  ASSERT_EQ(m_plugin.setwindow(&instance, &one), NPERR_NO_ERROR);
  EXPECT_TRUE(Held(first));
  EXPECT_EQ(m_plugin.destroy(&instance, nullptr), NPERR_NO_ERROR);
  EXPECT_TRUE(WaitUntil([&] { return !Held(first); }));
  EXPECT_TRUE(m_program->WaitForRecords(1, std::chrono::seconds(20)));
}

}  // namespace
}  // namespace ferrow
