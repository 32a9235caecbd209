#include "web/control/win32/control_module.hpp"

#include <objbase.h>
#include <olectl.h>

#include "web/control/win32/class_factory.hpp"
#include "web/control/win32/registration.hpp"

namespace kavorin::control {
namespace {

HINSTANCE module_instance = nullptr;
std::atomic<long> live_objects{0};
std::atomic<long> locks{0};

}  // namespace

HINSTANCE ModuleInstance() { return module_instance; }

std::wstring ModulePathWide() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(module_instance, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module_instance, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(path, length);
}

void ObjectCreated() { ++live_objects; }
void ObjectDestroyed() { --live_objects; }
void LockModule(bool lock) { lock ? ++locks : --locks; }
bool ModuleInUse() { return live_objects.load() > 0 || locks.load() > 0; }

GUID GuidFromText(std::string_view text) {
  GUID guid{};
  const std::wstring wide(text.begin(), text.end());
  CLSIDFromString(wide.c_str(), &guid);
  return guid;
}

}  // namespace kavorin::control

using namespace kavorin::control;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    kavorin::control::module_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const ControlIdentity& identity = ThisControl().identity;
  ClassKind kind;
  if (IsEqualCLSID(clsid, GuidFromText(identity.clsid))) {
    kind = ClassKind::Control;
  } else if (IsEqualCLSID(clsid, GuidFromText(identity.pageClsid))) {
    kind = ClassKind::PropertyPage;
  } else {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  ClassFactory* factory = new ClassFactory(kind);
  const HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return RegisterControl(ThisControl().identity); }

STDAPI DllUnregisterServer() { return UnregisterControl(ThisControl().identity); }
