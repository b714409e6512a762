#pragma once
// TavilObj: the scriptable object of the context-menu pages (ITavilObj, a dual interface) and
// the browser's download hook (IDownloadManager). It holds nothing but its reference count and
// can be aggregated: with an outer object, its interfaces delegate their IUnknown calls there and
// only the inner unknown handed to the outer object counts references of its own.
#include <atomic>

#include "plugins/ie/tavil.h"

namespace ferrow::tavil {

class CTavilObj final : public ITavilObj, public IDownloadManager {
 public:
  // The object with one reference held by the caller through *object.
  static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

  // IUnknown of the interfaces: delegates to the controlling unknown.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // ITavilObj: starts the main program with the text as it is (one URL or several joined by
  // '|'); always S_OK.
  HRESULT Download(BSTR url) override;

  // IDownloadManager: S_OK when the main program took the download, E_ABORT to leave it to the
  // browser.
  HRESULT Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG bindFlags,
                   BINDINFO* bindInfo, LPCOLESTR headers, LPCOLESTR redirect,
                   UINT codePage) override;

  // Objects and server locks alive in the process (for DllCanUnloadNow).
  static long LiveCount();
  static void LockServer(bool lock);

 private:
  // The non-delegating unknown: the object's own identity and reference count.
  class CInner final : public IUnknown {
   public:
    explicit CInner(CTavilObj* owner) : m_owner(owner) {}
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

   private:
    CTavilObj* m_owner;
  };

  explicit CTavilObj(IUnknown* outer);
  ~CTavilObj();

  CInner m_inner{this};
  IUnknown* m_controlling;  // the outer object, or m_inner
  std::atomic<ULONG> m_references{1};
};

// The class factory; one static instance.
class CTavilClassFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT LockServer(int lock) override;
};

CTavilClassFactory& ClassFactory();

// Whether the host said that Shift is held right now.
bool IsShiftHeld();
void SetShiftHeld(bool held);

}  // namespace ferrow::tavil
