#pragma once
// Our own declarations of the Netscape Plug-in API, as far as Rumex and a host that plays the
// browser need them. Structures keep the API's field order; on Linux a windowed plug-in is
// given an X11 window id and, in ws_info, the browser's display.
#include <cstdint>

namespace ferrow::np {

using NPError = int16_t;
using NPReason = int16_t;
using NPMIMEType = char*;
using NPBool = unsigned char;

inline constexpr NPError NPERR_NO_ERROR = 0;
inline constexpr NPError NPERR_GENERIC_ERROR = 1;
inline constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
inline constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
inline constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
inline constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;
inline constexpr NPError NPERR_STREAM_NOT_SEEKABLE = 13;

inline constexpr uint16_t NP_VERSION_MAJOR = 0;
inline constexpr uint16_t NP_VERSION_MINOR = 11;
inline constexpr uint16_t NPVERS_HAS_NOTIFICATION = 9;

struct NPP_t {
  void* pdata;  // the plug-in's
  void* ndata;  // the browser's
};
using NPP = NPP_t*;

struct NPRect {
  uint16_t top, left, bottom, right;
};

enum NPWindowType { NPWindowTypeWindow = 1, NPWindowTypeDrawable };

struct NPWindow {
  void* window;  // X11: the window id, cast to a pointer
  int32_t x, y;
  uint32_t width, height;
  NPRect clipRect;
  void* ws_info;  // X11: NPSetWindowCallbackStruct
  NPWindowType type;
};

// The X11 details of a window; opaque X types as pointers and numbers, so that a host needs no
// Xlib header to fill it.
struct NPSetWindowCallbackStruct {
  int32_t type;
  void* display;  // Display*
  void* visual;   // Visual*
  unsigned long colormap;
  unsigned int depth;
};

struct NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32_t end;
  uint32_t lastmodified;
  void* notifyData;
  const char* headers;
};

struct NPSavedData {
  int32_t len;
  void* buf;
};

struct NPPrint;
using NPEvent = void;

using NPP_NewProc = NPError (*)(NPMIMEType, NPP, uint16_t mode, int16_t argc, char* argn[],
                                char* argv[], NPSavedData* saved);
using NPP_DestroyProc = NPError (*)(NPP, NPSavedData** save);
using NPP_SetWindowProc = NPError (*)(NPP, NPWindow*);
using NPP_NewStreamProc = NPError (*)(NPP, NPMIMEType, NPStream*, NPBool seekable,
                                      uint16_t* streamType);
using NPP_DestroyStreamProc = NPError (*)(NPP, NPStream*, NPReason);
using NPP_StreamAsFileProc = void (*)(NPP, NPStream*, const char* file);
using NPP_WriteReadyProc = int32_t (*)(NPP, NPStream*);
using NPP_WriteProc = int32_t (*)(NPP, NPStream*, int32_t offset, int32_t length, void* buffer);
using NPP_PrintProc = void (*)(NPP, NPPrint*);
using NPP_HandleEventProc = int16_t (*)(NPP, NPEvent*);
using NPP_URLNotifyProc = void (*)(NPP, const char* url, NPReason, void* notifyData);

struct NPPluginFuncs {
  uint16_t size;
  uint16_t version;
  NPP_NewProc newp;
  NPP_DestroyProc destroy;
  NPP_SetWindowProc setwindow;
  NPP_NewStreamProc newstream;
  NPP_DestroyStreamProc destroystream;
  NPP_StreamAsFileProc asfile;
  NPP_WriteReadyProc writeready;
  NPP_WriteProc write;
  NPP_PrintProc print;
  NPP_HandleEventProc event;
  NPP_URLNotifyProc urlnotify;
  void* javaClass;
  void* getvalue;
  void* setvalue;
};

using NPN_MemAllocProc = void* (*)(uint32_t size);
using NPN_MemFreeProc = void (*)(void* memory);

// The browser's table; the entries Rumex does not call are left untyped.
struct NPNetscapeFuncs {
  uint16_t size;
  uint16_t version;
  void* geturl;
  void* posturl;
  void* requestread;
  void* newstream;
  void* write;
  void* destroystream;
  void* status;
  void* uagent;
  NPN_MemAllocProc memalloc;
  NPN_MemFreeProc memfree;
  void* memflush;
  void* reloadplugins;
  void* getJavaEnv;
  void* getJavaPeer;
  void* geturlnotify;
  void* posturlnotify;
  void* getvalue;
  void* setvalue;
};

}  // namespace ferrow::np

#define RUMEX_API extern "C" __attribute__((visibility("default")))
RUMEX_API ferrow::np::NPError NP_GetEntryPoints(ferrow::np::NPPluginFuncs* functions);
RUMEX_API ferrow::np::NPError NP_Initialize(ferrow::np::NPNetscapeFuncs* browser);
RUMEX_API ferrow::np::NPError NP_Shutdown();
// The declared types the Unix way ("type:extensions:description;..."), and the version; the
// same table as the version block's "MIMEType", "FileExtents" and "FileOpenName".
RUMEX_API const char* NP_GetMIMEDescription();
RUMEX_API const char* NP_GetPluginVersion();
