#include "host/service/win32/host_module.hpp"

namespace kavorin {

HostModule::HostModule(DWORD idleMs) : idle_ms_(idleMs) {}

HostModule::~HostModule() {
  if (monitor_ != nullptr) {
    // Only reached when the process did not end through the monitor (a
    // test, or the loop ended otherwise): let the thread go without posting.
    closing_ = true;
    SetEvent(shutdown_event_);
    WaitForSingleObject(monitor_, INFINITE);
    CloseHandle(monitor_);
  }
  if (shutdown_event_ != nullptr) CloseHandle(shutdown_event_);
}

long HostModule::Lock() { return ++locks_; }

long HostModule::Unlock() {
  const long count = --locks_;
  if (count == 0) {
    activity_ = true;
    if (shutdown_event_ != nullptr) SetEvent(shutdown_event_);
  }
  return count;
}

bool HostModule::StartMonitor() {
  if (monitor_ != nullptr) return true;
  main_thread_ = GetCurrentThreadId();
  shutdown_event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (shutdown_event_ == nullptr) return false;
  monitor_ = CreateThread(nullptr, 0, &HostModule::MonitorMain, this, 0, nullptr);
  return monitor_ != nullptr;
}

DWORD WINAPI HostModule::MonitorMain(LPVOID self) {
  static_cast<HostModule*>(self)->RunMonitor();
  return 0;
}

void HostModule::RunMonitor() {
  for (;;) {
    WaitForSingleObject(shutdown_event_, INFINITE);
    if (closing_) return;
    // Every new signal restarts the quiet period: the count may have gone
    // to zero and up again while we waited.
    DWORD waited = WAIT_OBJECT_0;
    while (waited == WAIT_OBJECT_0) {
      activity_ = false;
      waited = WaitForSingleObject(shutdown_event_, idle_ms_);
      if (closing_) return;
    }
    if (!activity_ && locks_.load() == 0) break;
  }
  PostThreadMessageA(main_thread_, WM_QUIT, 0, 0);
}

}  // namespace kavorin
