#include "web/control/win32/registration.hpp"

#include <olectl.h>
#include <oleauto.h>

#include "web/control/registry_entries.hpp"
#include "web/control/win32/control_module.hpp"

namespace kavorin::control {
namespace {

bool Write(const RegistryValue& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, value.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LSTATUS status = ERROR_SUCCESS;
  if (value.hasData) {
    status = RegSetValueExA(key, value.name.empty() ? nullptr : value.name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.data.c_str()),
                            static_cast<DWORD>(value.data.size() + 1));
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool WriteAll(const std::vector<RegistryValue>& values) {
  for (const RegistryValue& value : values) {
    if (!Write(value)) return false;
  }
  return true;
}

bool RemoveTree(const std::string& key) {
  const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
  const LSTATUS gone = RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
  return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND;
}

bool RemoveAll(const std::vector<std::string>& keys) {
  bool ok = true;
  for (const std::string& key : keys) ok = RemoveTree(key) && ok;
  return ok;
}

// The type library's kind matches the module's bitness.
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

}  // namespace

HRESULT RegisterControl(const ControlIdentity& identity) {
  const std::wstring module = ModulePathWide();
  ITypeLib* library = nullptr;
  if (module.empty() || FAILED(LoadTypeLibEx(module.c_str(), REGKIND_REGISTER, &library))) return SELFREG_E_TYPELIB;
  library->Release();
  const std::string path = ModulePath();
  if (!WriteAll(ControlClassEntries(identity, path)) || !WriteAll(PropertyPageEntries(identity, path))) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterControl(const ControlIdentity& identity) {
  const GUID libid = GuidFromText(identity.libid);
  // A library that is not registered is already what unregistration wants.
  BSTR registered = nullptr;
  if (SUCCEEDED(QueryPathOfRegTypeLib(libid, identity.versionMajor, identity.versionMinor, LOCALE_NEUTRAL,
                                      &registered))) {
    SysFreeString(registered);
    if (FAILED(UnRegisterTypeLib(libid, identity.versionMajor, identity.versionMinor, LOCALE_NEUTRAL, kSysKind))) {
      return SELFREG_E_TYPELIB;
    }
  }
  if (!RemoveAll(ControlClassKeys(identity)) || !RemoveAll(PropertyPageKeys(identity))) return SELFREG_E_CLASS;
  return S_OK;
}

}  // namespace kavorin::control
