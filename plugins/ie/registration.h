#pragma once
// What Tavil writes into the registry: the browser integration (the download hook and the two
// context-menu entries, under the current user) and the class registration (classes hive).
#include <string>

#include "plugins/ie/com.h"

namespace ferrow::tavil {

inline constexpr const wchar_t* kBrowserKey = L"SOFTWARE\\Microsoft\\Internet Explorer";
inline constexpr const wchar_t* kMenuKeyOne =
    L"Software\\Microsoft\\Internet Explorer\\MenuExt\\Download with Ferrow";
inline constexpr const wchar_t* kMenuKeyAll =
    L"Software\\Microsoft\\Internet Explorer\\MenuExt\\Download All with Ferrow";
// The library's file name in the main program's folder.
inline constexpr const wchar_t* kLibraryName = L"Tavil.so";

int IsBrowserIntegrationOn();
int EnableBrowserIntegration();
int DisableBrowserIntegration();
// Replaces the class, ProgID and type-library keys; SELFREG_E_CLASS when a write failed.
com::HRESULT RegisterClass(const std::wstring& modulePath);
com::HRESULT UnregisterClass();

// The full path of the loaded library.
std::wstring ModulePath();

}  // namespace ferrow::tavil
