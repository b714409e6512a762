#pragma once
// Tavil's own interfaces and identifiers: the scriptable object the context-menu pages create
// and the browser's download-manager hook that it implements.
#include "plugins/ie/com.h"

namespace ferrow::tavil {

using namespace ferrow::com;

// {371C6960-302C-45D0-9504-50B820247439}
inline constexpr CLSID CLSID_TavilObj = {
    0x371C6960, 0x302C, 0x45D0, {0x95, 0x04, 0x50, 0xB8, 0x20, 0x24, 0x74, 0x39}};
// {A45ACABA-2A72-4782-8FA8-596B3E5847FA}
inline constexpr IID IID_ITavilObj = {
    0xA45ACABA, 0x2A72, 0x4782, {0x8F, 0xA8, 0x59, 0x6B, 0x3E, 0x58, 0x47, 0xFA}};
// {988934A4-064B-11D3-BB80-00104B35E7F9}
inline constexpr IID IID_IDownloadManager = {
    0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};
// {00D19DEB-7B8A-4F90-8DD5-A62926F3A84C}
inline constexpr GUID LIBID_TavilLib = {
    0x00D19DEB, 0x7B8A, 0x4F90, {0x8D, 0xD5, 0xA6, 0x29, 0x26, 0xF3, 0xA8, 0x4C}};

inline constexpr const wchar_t* kClassIdText = L"{371C6960-302C-45D0-9504-50B820247439}";
inline constexpr const wchar_t* kInterfaceIdText = L"{A45ACABA-2A72-4782-8FA8-596B3E5847FA}";
inline constexpr const wchar_t* kLibraryIdText = L"{00D19DEB-7B8A-4F90-8DD5-A62926F3A84C}";

// The dispatch id of Download; the pages call it by name.
inline constexpr DISPID kDispidDownload = 1;

class ITavilObj : public IDispatch {
 public:
  virtual HRESULT Download(BSTR url) = 0;
};

class IDownloadManager : public IUnknown {
 public:
  virtual HRESULT Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG bindFlags,
                           BINDINFO* bindInfo, LPCOLESTR headers, LPCOLESTR redirect,
                           UINT codePage) = 0;
};

}  // namespace ferrow::tavil

// The library's exports. The seven of a COM server and the integration switch, plus two that
// stand in for what Windows gives a plug-in by other means: the resources (pages, version) and
// the state of the Shift key, which the host tells the plug-in before it offers a download.
#define TAVIL_API __attribute__((visibility("default")))
extern "C" {
TAVIL_API int IsPluginEnabled();
TAVIL_API int EnablePlugin();
TAVIL_API int DisablePlugin();
TAVIL_API ferrow::com::HRESULT DllRegisterServer();
TAVIL_API ferrow::com::HRESULT DllUnregisterServer();
TAVIL_API ferrow::com::HRESULT DllGetClassObject(ferrow::com::REFCLSID clsid,
                                                 ferrow::com::REFIID iid, void** object);
TAVIL_API ferrow::com::HRESULT DllCanUnloadNow();
// The bytes of a resource ("HTML" 300 and 301, "VERSION" 1) and their count; null when none.
TAVIL_API const char* TavilFindResource(const char* type, int id, size_t* size);
// Non-zero: the user holds Shift, so the download hook leaves listed files to the browser.
TAVIL_API void TavilSetShiftHeld(int held);
}
