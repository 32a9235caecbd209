#pragma once
// A hidden top-level window on the loop thread: the target of the window
// timers that drive an exchange and of the serial channel's deliveries, and
// the owner of the tray icon. Messages the owner cares about are routed to
// handlers; everything else takes the default path.
//
// The window must be created, used and destroyed on one thread, the thread
// that runs the message loop: timers and sent messages are dispatched there.
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "host/link/timer_host.hpp"

namespace kavorin {

class MessageWindow final : public TimerHost {
 public:
  using TimerHandler = std::function<void(int id)>;
  using MessageHandler = std::function<LRESULT(WPARAM wParam, LPARAM lParam)>;

  // Registers `className` (once per process) and creates the window with
  // `title`. Handle() is null when either fails; LastError() says why.
  MessageWindow(const std::string& className, const std::string& title);
  ~MessageWindow() override;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Handle() const { return window_; }
  DWORD LastError() const { return last_error_; }

  // One-shot use is the owner's choice: a timer keeps firing until killed,
  // as SetTimer's do; arming a pending id restarts it.
  void ArmTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;
  void SetTimerHandler(TimerHandler handler) { on_timer_ = std::move(handler); }

  // Routes `message` to `handler`; an empty handler removes the route.
  void SetMessageHandler(UINT message, MessageHandler handler);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  DWORD last_error_ = 0;
  TimerHandler on_timer_;
  std::map<UINT, MessageHandler> handlers_;
};

// Gets and dispatches the calling thread's messages until WM_QUIT; returns
// its exit code. Messages are not translated (no keyboard input is handled).
int RunMessageLoop();

// Dispatches the calling thread's messages until `done()` holds or
// `timeoutMs` pass; returns whether `done()` held. For tests and for bounded
// waits that must keep the thread's windows alive.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace kavorin
