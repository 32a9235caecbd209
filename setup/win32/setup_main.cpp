// setup.exe: installs the set lying beside it. No window of its own; the
// options dialog comes from Konfira.dll, which must lie beside it too.
// Exit code: 0 installed, 1 installed with failures, 2 cancelled.
#include <windows.h>

#include "common/module_folder.hpp"
#include "config/registry/registry_store.hpp"
#include "setup/install_plan.hpp"
#include "setup/win32/setup_system_win32.hpp"

extern "C" __declspec(dllimport) int ZELK_InstallView();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string source = kavorin::ModuleFolder();
  if (!source.empty()) source.pop_back();
  kavorin::setup::Win32SetupSystem system;
  const kavorin::setup::SetupOutcome outcome =
      kavorin::setup::RunSetup(system, kavorin::MachineRegistry(), source, [] { return ZELK_InstallView(); });
  if (outcome.cancelled) return 2;
  return outcome.Failed() ? 1 : 0;
}
