// Stand-in of the outside sign-pad program, for the installer's tests.
//   /RegServer    writes HKLM\Software\KavorinTests\KavSignPad "Registered"
//                 with its own path, /UnregServer removes that key;
//   no argument   shows its hidden window "KavSignPad_Interface" and ends
//                 when the window is destroyed.
#include <windows.h>

#include <cstring>

namespace {

constexpr char kMarkKey[] = "Software\\KavorinTests\\KavSignPad";
constexpr char kWindow[] = "KavSignPad_Interface";

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (std::strstr(commandLine, "/RegServer") != nullptr) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMarkKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
      return 1;
    }
    RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);
    RegCloseKey(key);
    return 0;
  }
  if (std::strstr(commandLine, "/UnregServer") != nullptr) {
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMarkKey) == ERROR_SUCCESS ? 0 : 1;
  }
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &Procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindow;
  RegisterClassA(&windowClass);
  if (CreateWindowA(kWindow, kWindow, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr) == nullptr) {
    return 1;
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
