#include "platform/shared_library.h"

#include <dlfcn.h>

#include "platform/text.h"

namespace ferrow {

CSharedLibrary::~CSharedLibrary() {
  Unload();
}

bool CSharedLibrary::Load(const std::wstring& path) {
  Unload();
  std::string local = WideToLocal(path);
  // A name without a slash would make dlopen search the library path: only this file counts.
  if (local.find('/') == std::string::npos) local = "./" + local;
  m_handle = dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_handle) {
    const char* reason = dlerror();
    m_error = reason ? reason : "cannot be loaded";
    return false;
  }
  m_error.clear();
  return true;
}

void* CSharedLibrary::Find(const char* name) const {
  if (!m_handle) return nullptr;
  return dlsym(m_handle, name);
}

void CSharedLibrary::Unload() {
  if (m_handle) dlclose(m_handle);
  m_handle = nullptr;
}

}  // namespace ferrow
