// The library's exports; everything else stays hidden (see CMakeLists.txt).
#include <cstring>

#include "plugins/ie/registration.h"
#include "plugins/ie/resources.h"
#include "plugins/ie/tavil.h"
#include "plugins/ie/tavil_obj.h"

using namespace ferrow::tavil;

#define TAVIL_EXPORT extern "C" TAVIL_API

TAVIL_EXPORT int IsPluginEnabled() {
  return IsBrowserIntegrationOn();
}

TAVIL_EXPORT int EnablePlugin() {
  return EnableBrowserIntegration();
}

TAVIL_EXPORT int DisablePlugin() {
  return DisableBrowserIntegration();
}

TAVIL_EXPORT HRESULT DllRegisterServer() {
  HRESULT result = RegisterClass(ModulePath());
  if (result != S_OK) return result;
  return EnableBrowserIntegration() ? S_OK : E_FAIL;
}

TAVIL_EXPORT HRESULT DllUnregisterServer() {
  HRESULT result = UnregisterClass();
  DisableBrowserIntegration();
  return result;
}

TAVIL_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!(clsid == CLSID_TavilObj)) return CLASS_E_CLASSNOTAVAILABLE;
  return ClassFactory().QueryInterface(iid, object);
}

TAVIL_EXPORT HRESULT DllCanUnloadNow() {
  return CTavilObj::LiveCount() == 0 ? S_OK : S_FALSE;
}

TAVIL_EXPORT const char* TavilFindResource(const char* type, int id, size_t* size) {
  const Resource* found = FindResource(type ? type : "", id);
  if (size) *size = found ? found->size : 0;
  return found ? found->bytes : nullptr;
}

TAVIL_EXPORT void TavilSetShiftHeld(int held) {
  SetShiftHeld(held != 0);
}
