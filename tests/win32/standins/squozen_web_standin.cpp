// Stand-in of the outside compression control, for the installer's tests:
// self-registration writes one class key with the path it was loaded from,
// unregistration removes it, so a test sees that setup and Uninstall called
// them on the installed file.
#include <windows.h>

namespace {

HINSTANCE g_module = nullptr;
constexpr char kClassKey[] = "CLSID\\{5A1E0C3B-7D2F-4E6A-9B1C-0D3E5F7A9B21}";
constexpr char kServerKey[] = "CLSID\\{5A1E0C3B-7D2F-4E6A-9B1C-0D3E5F7A9B21}\\InprocServer32";

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return E_FAIL;
  }
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);
  RegCloseKey(key);
  return S_OK;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kServerKey);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
  return S_OK;
}
