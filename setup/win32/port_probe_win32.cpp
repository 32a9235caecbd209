#include "setup/win32/port_probe_win32.hpp"

#include <windows.h>

#include <string>

namespace kavorin::setup {

bool Win32PortProbe::OpensExclusively(std::string_view deviceName) {
  HANDLE port = CreateFileA(std::string(deviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  CloseHandle(port);
  return true;
}

bool UsesNtDeviceNames() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL known = GetVersionExA(&version);
#pragma GCC diagnostic pop
  return !known || version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace kavorin::setup
