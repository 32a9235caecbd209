// What KAVORIN_COMCreate needs of Windows: the host program beside the
// library, WinExec, the private profile, the platform's form of a port name,
// the open test of the port, and the page-signature key from the registry.
#include <windows.h>

#include <vector>

#include "client/api/client_platform.hpp"
#include "contract/win32/port_lock_win32.hpp"

namespace kavorin {
namespace {

// Where the page-encoded signature key lives: a REG_SZ of exactly 8
// printable characters, written by the installation.
constexpr char kOldTypeKeyPath[] = "SOFTWARE\\HALVERON\\KAVORIN";
constexpr char kOldTypeKeyValue[] = "OldTypeMasterKey";

bool HeldByTheHost(const std::string& port) {
  HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, SerialPortLockName(port).c_str());
  if (lock == nullptr) return false;
  CloseHandle(lock);
  return true;
}

// The platform family: 1 Windows 95/98/Me, 2 NT; 0 when it cannot be told.
DWORD PlatformFamily() {
  OSVERSIONINFOEXA extended{};
  extended.dwOSVersionInfoSize = sizeof extended;
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) return extended.dwPlatformId;
  // Systems that know only the short structure.
  OSVERSIONINFOA basic{};
  basic.dwOSVersionInfoSize = sizeof basic;
  if (GetVersionExA(&basic)) return basic.dwPlatformId;
  return 0;
}

}  // namespace

std::string HostProgramPath(const std::string& libraryFolder) { return libraryFolder + "KAVORIN.exe"; }

void RunProgram(const std::string& program, const std::string& argument) {
  // Quoted: an install folder with a space (C:\Program Files\...) would
  // otherwise let CreateProcess try C:\Program.exe first.
  std::string command = "\"" + program + "\"";
  if (!argument.empty()) command += " " + argument;
  // WinExec returns once the program waits for input (or after 30 s): the
  // registration run has ended by then, and the server serves.
  WinExec(command.c_str(), SW_HIDE);
}

std::string FormatPortForHost(const std::string& stored) {
  switch (PlatformFamily()) {
    case 0:
      return {};
    case VER_PLATFORM_WIN32_NT:
      return "\\\\.\\" + stored;
    default:
      return stored;
  }
}

int TestOpenPort(const std::string& formattedName) {
  if (formattedName.size() < 2) return -1;
  // A port the running host holds: Windows refuses the open with "access
  // denied"; under Wine only the host's lock tells.
  if (HeldByTheHost(formattedName)) return -3;
  HANDLE port = CreateFileA(formattedName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ALREADY_EXISTS ? -2 : -3;
  CloseHandle(port);
  return 0;
}

std::string ReadOldTypeMasterKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOldTypeKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  char value[16] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  const LSTATUS status = RegQueryValueExA(key, kOldTypeKeyValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return {};
  const std::string text(value);  // the stored size may or may not count the NUL
  return text.size() == 8 ? text : std::string();
}

}  // namespace kavorin
