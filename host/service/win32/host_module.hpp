#pragma once
// The host process's lifetime as COM sees it: the lock count (references to
// the service object plus server locks) and the monitor thread that ends
// the message loop once the count has stayed at zero for a while.
//
// The host holds a reference to its own object for as long as it serves,
// so in practice the count never reaches zero; the monitor is the safety
// net for a host whose self-reference could not be taken, so that such a
// host still goes away once its last client has let go.
#include <windows.h>

#include <atomic>

namespace kavorin {

class HostModule {
 public:
  // How long the count must stay at zero, with no new lock in between,
  // before the loop is ended.
  static constexpr DWORD kIdleMs = 5000;

  explicit HostModule(DWORD idleMs = kIdleMs);
  ~HostModule();
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  // Any thread; atomic. Each returns the new count.
  long Lock();
  long Unlock();
  long LockCount() const { return locks_.load(); }

  // Starts the monitor; WM_QUIT goes to the calling thread, which must run
  // the message loop. False when the thread or its event cannot be made.
  bool StartMonitor();

 private:
  static DWORD WINAPI MonitorMain(LPVOID self);
  void RunMonitor();

  const DWORD idle_ms_;
  std::atomic<long> locks_{0};
  std::atomic<bool> activity_{false};
  std::atomic<bool> closing_{false};
  HANDLE shutdown_event_ = nullptr;  // auto-reset
  HANDLE monitor_ = nullptr;
  DWORD main_thread_ = 0;
};

}  // namespace kavorin
