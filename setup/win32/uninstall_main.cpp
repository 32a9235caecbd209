// Uninstall.exe: unregisters and removes the installed set. No window of
// its own. Exit code: 0 removed, 1 a file could not be deleted.
#include <windows.h>

#include "config/registry/registry_store.hpp"
#include "setup/install_plan.hpp"
#include "setup/win32/setup_system_win32.hpp"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  kavorin::setup::Win32SetupSystem system;
  return kavorin::setup::RunUninstall(system, kavorin::MachineRegistry()).Failed() ? 1 : 0;
}
