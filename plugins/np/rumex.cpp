// Rumex: the Netscape-API plug-in. It takes every response of its declared types, hands the URL
// to the main program, shows a notice in the page area and makes the browser drop the stream.
#include <cstdio>
#include <cstring>
#include <string>

#include "plugins/np/notice_window.h"
#include "plugins/np/npapi.h"
#include "plugins/np/plugin_helper.h"

using namespace ferrow::np;

namespace {

constexpr size_t kNoticeRoom = 4096;
// String resource 1: the URL, a line break and the notice.
constexpr const char kNoticeFormat[] =
    "%s\r\nThe download was transferred to Ferrow. Press the Back button to keep browsing.";
constexpr unsigned kCornerSize = 10000;

// One block per instance, from the browser's allocator, zero-filled.
struct InstanceData {
  NPWindow* window;          // the window last given by the browser
  unsigned long handle;      // the window we hold, 0 when none
  CNoticeWindow* held;       // our hold on it (the "subclass")
  char notice[kNoticeRoom];  // empty until a stream arrives
};

NPNetscapeFuncs* g_browser = nullptr;
NPPluginFuncs* g_plugin = nullptr;

void DoNothingUrlNotify(NPP, const char*, NPReason, void*) {}

std::string DisplayOf(const NPWindow* window) {
  if (!window || !window->ws_info) return "";
  auto* info = static_cast<const NPSetWindowCallbackStruct*>(window->ws_info);
  // The browser's display is only read for its name; our connection is our own.
  return info->display ? DisplayNameOf(info->display) : "";
}

void Release(InstanceData* data) {
  delete data->held;
  data->held = nullptr;
  data->handle = 0;
}

void Hold(InstanceData* data, NPWindow* window) {
  const auto handle = reinterpret_cast<unsigned long>(window->window);
  data->held =
      CNoticeWindow::Attach(DisplayOf(window), handle, window->width, window->height, data->notice);
  data->handle = data->held ? handle : 0;
  if (data->held) data->held->Repaint();
}

NPError New(NPMIMEType, NPP instance, uint16_t, int16_t, char*[], char*[], NPSavedData*) {
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  if (!g_browser || !g_browser->memalloc) return NPERR_OUT_OF_MEMORY_ERROR;
  void* block = g_browser->memalloc(sizeof(InstanceData));
  if (!block) return NPERR_OUT_OF_MEMORY_ERROR;
  std::memset(block, 0, sizeof(InstanceData));
  instance->pdata = block;
  return NPERR_NO_ERROR;
}

NPError Destroy(NPP instance, NPSavedData** save) {
  if (!instance || !instance->pdata) return NPERR_INVALID_INSTANCE_ERROR;
  auto* data = static_cast<InstanceData*>(instance->pdata);
  Release(data);
  // Memory from the browser's allocator goes back to it.
  if (g_browser && g_browser->memfree) g_browser->memfree(data);
  instance->pdata = nullptr;
  if (save) *save = nullptr;
  return NPERR_NO_ERROR;
}

NPError SetWindow(NPP instance, NPWindow* window) {
  if (!instance || !instance->pdata) return NPERR_INVALID_INSTANCE_ERROR;
  auto* data = static_cast<InstanceData*>(instance->pdata);
  const bool present = window && window->window;
  if (data->held) {
    if (present && reinterpret_cast<unsigned long>(window->window) == data->handle) {
      data->held->Repaint();
      data->window = window;
      return NPERR_NO_ERROR;
    }
    Release(data);
    if (!present) {
      data->window = window;
      return NPERR_NO_ERROR;
    }
  } else if (!present) {
    data->window = window;
    return NPERR_NO_ERROR;
  }
  Hold(data, window);
  data->window = window;
  return NPERR_NO_ERROR;
}

NPError NewStream(NPP instance, NPMIMEType, NPStream* stream, NPBool, uint16_t*) {
  if (!instance || !instance->pdata || !stream) return NPERR_STREAM_NOT_SEEKABLE;
  auto* data = static_cast<InstanceData*>(instance->pdata);
  const char* url = stream->url ? stream->url : "";
  std::snprintf(data->notice, sizeof data->notice, kNoticeFormat, url);  // cut at 4095
  if (data->held) {
    data->held->SetNotice(data->notice);
    data->held->MoveToCorner(kCornerSize, kCornerSize);
  }
  PluginHelper().LaunchMainProgram(url);
  return NPERR_STREAM_NOT_SEEKABLE;
}

NPError DestroyStream(NPP, NPStream*, NPReason) {
  return NPERR_NO_ERROR;
}
void StreamAsFile(NPP, NPStream*, const char*) {}
int32_t WriteReady(NPP, NPStream*) {
  return -1;
}
int32_t Write(NPP, NPStream*, int32_t, int32_t, void*) {
  return -1;
}
void Print(NPP, NPPrint*) {}
int16_t HandleEvent(NPP, NPEvent*) {
  return 0;
}

}  // namespace

RUMEX_API NPError NP_GetEntryPoints(NPPluginFuncs* functions) {
  if (!functions) return NPERR_INVALID_FUNCTABLE_ERROR;
  functions->size = sizeof(NPPluginFuncs);
  functions->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  functions->newp = New;
  functions->destroy = Destroy;
  functions->setwindow = SetWindow;
  functions->newstream = NewStream;
  functions->destroystream = DestroyStream;
  functions->asfile = StreamAsFile;
  functions->writeready = WriteReady;
  functions->write = Write;
  functions->print = Print;
  functions->event = HandleEvent;
  g_plugin = functions;
  return NPERR_NO_ERROR;
}

RUMEX_API NPError NP_Initialize(NPNetscapeFuncs* browser) {
  if (!browser) return NPERR_INVALID_FUNCTABLE_ERROR;
  g_browser = browser;
  if ((browser->version >> 8) > NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  if ((browser->version & 0xFF) >= NPVERS_HAS_NOTIFICATION && g_plugin) {
    g_plugin->urlnotify = DoNothingUrlNotify;
    g_plugin->javaClass = nullptr;
  }
  return NPERR_NO_ERROR;
}

RUMEX_API NPError NP_Shutdown() {
  g_browser = nullptr;
  return NPERR_NO_ERROR;
}

RUMEX_API const char* NP_GetMIMEDescription() {
  return "application/octet-stream:exe:All Files (*.*);"
         "application/x-msdownload:exe:All Files (*.*);"
         "application/zip:zip:All Files (*.*);"
         "application/x-zip-compressed:gz:All Files (*.*);"
         "application/arj:arj:All Files (*.*);"
         "application/rar:rar:All Files (*.*);"
         "audio/wav:wav:All Files (*.*);"
         "audio/x-wav:wav:All Files (*.*);"
         "audio/mpeg:mp3:All Files (*.*);"
         "video/mpeg:mp2:All Files (*.*);"
         "video/quicktime:mpg:All Files (*.*);"
         "video/msvideo:mpeg:All Files (*.*);"
         "video/x-msvideo:avi:All Files (*.*);"
         "video/x-ms-asf:asf:All Files (*.*);"
         "video/x-ms-wmv:wmv:All Files (*.*)";
}

RUMEX_API const char* NP_GetPluginVersion() {
  return "3.0.0.0";
}
