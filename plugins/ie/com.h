#pragma once
// Our own minimal declarations of the COM types that Tavil implements or is handed. Interfaces
// are abstract classes of pure virtual functions without a virtual destructor, so their
// function tables have COM's layout (the Itanium C++ ABI lays them out in declaration order).
// A host on Linux is another program of ours that uses these same declarations.
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace ferrow::com {

using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using LCID = uint32_t;
using DISPID = int32_t;
using WORD = uint16_t;
using OLECHAR = wchar_t;  // the platform's wide character, as everywhere in Ferrow
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;  // here a plain zero-terminated text (no length prefix)

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802B);

struct GUID {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The task allocator: strings a callee hands back to its caller (a moniker's display name).
// Both sides of a Linux host use the C heap.
inline void* CoTaskMemAlloc(size_t bytes) {
  return std::malloc(bytes);
}
inline void CoTaskMemFree(void* memory) {
  std::free(memory);
}

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(int lock) = 0;
};

// Variant types and the argument block of IDispatch::Invoke, only as far as Download needs.
enum VARTYPE : uint16_t { VT_EMPTY = 0, VT_BSTR = 8, VT_VARIANT = 12, VT_BYREF = 0x4000 };
struct VARIANT {
  uint16_t vt;
  uint16_t reserved[3];
  union {
    BSTR bstrVal;
    VARIANT* pvarVal;
    int64_t llVal;
  };
};
struct DISPPARAMS {
  VARIANT* rgvarg;  // arguments in reverse order
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};
struct EXCEPINFO;
class ITypeInfo;

inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;
};

// What the download hook is handed. A moniker here declares only the call the hook makes; no
// browser on Linux hands out the full interface.
class IBindCtx;
struct BINDINFO;
class IMoniker : public IUnknown {
 public:
  // The display name (the URL), allocated with CoTaskMemAlloc; the caller frees it.
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) = 0;
};

}  // namespace ferrow::com
