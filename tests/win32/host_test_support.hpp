#pragma once
// Helpers of the host tests: the host program beside the test, processes
// with bounded waits, a COM client of the running host, and the simulators
// the catsim rig put on COM ports.
//
// Hosts are ended by ServiceTerminate or the tray command, never killed: a
// killed server stays registered with Wine's COM service until that restarts.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "kavorin_h.h"

namespace kavorin::test {

// Generous bounds for a loaded machine; the tests do not time anything.
inline constexpr DWORD kProcessWaitMs = 30000;
inline constexpr DWORD kExchangeWaitMs = 30000;

// A file beside the test program (KAVORIN.exe, host_test_client.exe, ...).
std::string BesideTest(const std::string& name);

// Runs `commandLine` and waits for it to end; its exit code, or -1 when it
// could not start or did not end in time.
long RunToEnd(const std::string& commandLine, DWORD timeoutMs = kProcessWaitMs);

// The running host's window, or null.
HWND FindHostWindow();
// The running host's process, opened with `access`; null when no host runs.
HANDLE OpenRunningHost(DWORD access);
// The program file of the running host, or "no host": which installation
// a failing test actually talked to.
std::string RunningHostProgram();
// Waits until `process` ends; its exit code, or -1 on time-out.
long WaitForExit(HANDLE process, DWORD timeoutMs = kProcessWaitMs);

// A host started by the test, as the client library starts it (no switch).
class HostProcess {
 public:
  HostProcess() = default;
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  // Ends any host still running, registers KAVORIN.exe and starts it;
  // returns once it serves (its message loop runs).
  bool Start();
  HANDLE Handle() const { return process_; }
  // Ends the host through its tray command ("종료") unless it is gone
  // already; its exit code, or -1.
  long End();

 private:
  HANDLE process_ = nullptr;
};

// Ends a host this test did not start, through its tray command.
void EndAnyRunningHost();

// COM for the calling thread, as an apartment of its own.
class ComApartment {
 public:
  ComApartment() : result_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool Ok() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

// The client library's way to the object: CoCreateInstance(CLSID, NULL, 7,
// IID_IUnknown), OleRun, QueryInterface. Null on failure; `result` says why.
IKAVORINComm* ActivateHost(HRESULT* result = nullptr);

// An owned BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }
  BSTR* out() {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  bool IsNull() const { return value_ == nullptr; }
  std::wstring text() const { return value_ != nullptr ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }

 private:
  BSTR value_ = nullptr;
};

// The port of a catsim profile of the rig (KAVORIN_TEST_CAT_<profile>).
std::wstring CatPort(const char* profile);
// The same without its "\\.\": what the installer writes into kavorin.ini.
std::string BareCatPort(const char* profile);
// Every byte the host wrote to that simulator so far, in order.
std::string BytesFromHost(const char* profile);

// StatusCheck until it gives a final result (0 or below); 1000 when the
// exchange did not end in time.
int PollStatus(IKAVORINComm& host, DWORD timeoutMs = kExchangeWaitMs);

}  // namespace kavorin::test
