// KAVORIN.exe, the terminal service host on Windows: an out-of-process COM
// server of KAVORINComm that owns the terminal's serial port and lives in
// the tray. One instance a session; one service object, shared by every
// client; everything (COM calls, timers, the link) runs on the main
// thread, a single-threaded apartment, so nothing around the link needs a
// lock.
//
// Started by the client library without arguments (WinExec), by COM with
// -Embedding, by installers with /RegServer or /UnregServer.
#include <windows.h>
#include <objbase.h>

#include "host/service/host_command_line.hpp"
#include "host/service/win32/class_factory.hpp"
#include "host/service/win32/host_module.hpp"
#include "host/service/win32/kavorin_comm.hpp"
#include "host/service/win32/registration.hpp"
#include "host/service/win32/terminal_host.hpp"

// The port chooser of Property.dll, bound at load time.
extern "C" __declspec(dllimport) int ViewKAVORINCOMPort();

namespace {

constexpr char kInstanceMutex[] = "Halveron_KAVORIN_Interface";
// Between revoking the class object and letting go of the object: calls
// already on their way get their answers.
constexpr DWORD kRevokeGraceMs = 1000;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  // Checked before anything else, so that a second start ends at once,
  // even one with a registration switch.
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  CreateMutexA(&inheritable, FALSE, kInstanceMutex);
  const DWORD mutex_error = GetLastError();
  if (mutex_error == ERROR_ALREADY_EXISTS || mutex_error == ERROR_ACCESS_DENIED) return 0;

  if (FAILED(CoInitialize(nullptr))) return 1;
  kavorin::HostModule module;

  switch (kavorin::ParseHostCommandLine(commandLine != nullptr ? commandLine : "")) {
    case kavorin::HostCommand::RegisterServer: {
      const HRESULT result = kavorin::RegisterServer(instance);
      CoUninitialize();
      return static_cast<int>(result);
    }
    case kavorin::HostCommand::UnregisterServer: {
      const HRESULT result = kavorin::UnregisterServer(instance);
      CoUninitialize();
      return static_cast<int>(result);
    }
    case kavorin::HostCommand::Serve:
      break;
  }

  module.StartMonitor();

  // The one service object, its window and tray icon, and the class object
  // that hands it out.
  kavorin::TerminalHost host(instance);
  kavorin::KavorinComm object(
      [&host](int dispid, std::span<const kavorin::ServiceValue> args) { return host.Service().Invoke(dispid, args); },
      &module);
  kavorin::SingletonClassFactory factory(*static_cast<IKAVORINComm*>(&object), module);
  DWORD cookie = 0;
  const HRESULT registered =
      CoRegisterClassObject(CLSID_KAVORINComm, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);

  host.SetPortChooser([] { ViewKAVORINCOMPort(); });
  host.SetExitHandler([&] {
    // New activations must not reach a process that is going away.
    if (SUCCEEDED(registered)) CoRevokeClassObject(cookie);
    ExitProcess(0);
  });

  // The host's own reference: while it is held the lock count cannot reach
  // zero, so the host stays when its last client lets go. A class object
  // registered for multiple use as a local server serves in-process
  // requests of its own process too, so this is the one object itself.
  IKAVORINComm* self = nullptr;
  if (FAILED(CoCreateInstance(CLSID_KAVORINComm, nullptr, CLSCTX_INPROC_SERVER, IID_IKAVORINComm,
                              reinterpret_cast<void**>(&self)))) {
    self = nullptr;
  }

  kavorin::RunMessageLoop();

  if (SUCCEEDED(registered)) CoRevokeClassObject(cookie);
  Sleep(kRevokeGraceMs);
  if (self != nullptr) self->Release();
  host.Shutdown();
  CoUninitialize();
  return 0;
}
