#include "plugins/ie/tavil_obj.h"

#include <cwctype>
#include <new>
#include <string>

#include "plugins/ie/plugin_helper.h"

namespace ferrow::tavil {
namespace {

std::atomic<long> g_liveObjects{0};  // objects and factory references
std::atomic<long> g_serverLocks{0};
std::atomic<bool> g_shiftHeld{false};

bool SameNameNoCase(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b)
    if (std::towlower(static_cast<wint_t>(*a)) != std::towlower(static_cast<wint_t>(*b)))
      return false;
  return *a == *b;
}

}  // namespace

bool IsShiftHeld() {
  return g_shiftHeld.load();
}

void SetShiftHeld(bool held) {
  g_shiftHeld.store(held);
}

long CTavilObj::LiveCount() {
  return g_liveObjects.load() + g_serverLocks.load();
}

void CTavilObj::LockServer(bool lock) {
  if (lock)
    ++g_serverLocks;
  else if (g_serverLocks.load() > 0)
    --g_serverLocks;
}

CTavilObj::CTavilObj(IUnknown* outer) : m_controlling(outer ? outer : &m_inner) {
  ++g_liveObjects;
}

CTavilObj::~CTavilObj() {
  --g_liveObjects;
}

HRESULT CTavilObj::Create(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  // An outer object may only ask for the inner unknown: any other interface would delegate to
  // it and never reach the object's own count.
  if (outer && !(iid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  auto* created = new (std::nothrow) CTavilObj(outer);
  if (!created) return E_OUTOFMEMORY;
  HRESULT result = created->m_inner.QueryInterface(iid, object);
  created->m_inner.Release();  // the creation reference; *object holds one when it succeeded
  return result;
}

HRESULT CTavilObj::CInner::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown)
    *object = static_cast<IUnknown*>(this);
  else if (iid == IID_IDispatch || iid == IID_ITavilObj)
    *object = static_cast<ITavilObj*>(m_owner);
  else if (iid == IID_IDownloadManager)
    *object = static_cast<IDownloadManager*>(m_owner);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*object)->AddRef();
  return S_OK;
}

ULONG CTavilObj::CInner::AddRef() {
  return ++m_owner->m_references;
}

ULONG CTavilObj::CInner::Release() {
  ULONG left = --m_owner->m_references;
  if (left == 0) delete m_owner;
  return left;
}

HRESULT CTavilObj::QueryInterface(REFIID iid, void** object) {
  return m_controlling->QueryInterface(iid, object);
}

ULONG CTavilObj::AddRef() {
  return m_controlling->AddRef();
}

ULONG CTavilObj::Release() {
  return m_controlling->Release();
}

HRESULT CTavilObj::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;  // scripts bind by name through GetIDsOfNames
  return S_OK;
}

HRESULT CTavilObj::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT CTavilObj::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) {
    // Only the method name is known; names of arguments are not.
    if (i == 0 && names[0] && SameNameNoCase(names[0], L"Download")) {
      ids[0] = kDispidDownload;
    } else {
      ids[i] = -1;
      result = DISP_E_UNKNOWNNAME;
    }
  }
  return result;
}

HRESULT CTavilObj::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO*, UINT* argumentError) {
  if (member != kDispidDownload || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (!params || params->cArgs != 1 || params->cNamedArgs != 0 || !params->rgvarg)
    return DISP_E_BADPARAMCOUNT;
  const VARIANT* argument = &params->rgvarg[0];
  if (argument->vt == (VT_BYREF | VT_VARIANT) && argument->pvarVal) argument = argument->pvarVal;
  if (argument->vt != VT_BSTR) {
    if (argumentError) *argumentError = 0;
    return DISP_E_TYPEMISMATCH;
  }
  if (result) result->vt = VT_EMPTY;
  return Download(argument->bstrVal);
}

HRESULT CTavilObj::Download(BSTR url) {
  PluginHelper().LaunchMainProgram(url ? std::wstring(url) : std::wstring());
  return S_OK;
}

HRESULT CTavilObj::Download(IMoniker* moniker, IBindCtx* context, DWORD, LONG, BINDINFO*, LPCOLESTR,
                            LPCOLESTR, UINT) {
  if (!moniker) return E_ABORT;
  LPOLESTR name = nullptr;
  if (moniker->GetDisplayName(context, nullptr, &name) != S_OK || !name) {
    CoTaskMemFree(name);
    return E_ABORT;
  }
  HRESULT result = E_ABORT;
  const std::wstring url(name);
  if (PluginHelper().IsListedUrl(url) && !IsShiftHeld()) {
    PluginHelper().LaunchMainProgram(url);
    result = S_OK;
  }
  CoTaskMemFree(name);
  return result;
}

HRESULT CTavilClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CTavilClassFactory::AddRef() {
  return static_cast<ULONG>(++g_liveObjects);
}

ULONG CTavilClassFactory::Release() {
  return static_cast<ULONG>(--g_liveObjects);
}

HRESULT CTavilClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  return CTavilObj::Create(outer, iid, object);
}

HRESULT CTavilClassFactory::LockServer(int lock) {
  CTavilObj::LockServer(lock != 0);
  return S_OK;
}

CTavilClassFactory& ClassFactory() {
  static CTavilClassFactory factory;
  return factory;
}

}  // namespace ferrow::tavil
