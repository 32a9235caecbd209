#include "host/service/win32/message_window.hpp"

#include <algorithm>

namespace kavorin {

MessageWindow::MessageWindow(const std::string& className, const std::string& title) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  window_class.lpfnWndProc = &MessageWindow::Procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  window_class.lpszClassName = className.c_str();
  if (RegisterClassExA(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    last_error_ = GetLastError();
    return;
  }
  // Overlapped and never shown: a message-only window would not receive
  // broadcasts and could not own the tray icon's menu.
  window_ = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (window_ == nullptr) last_error_ = GetLastError();
}

MessageWindow::~MessageWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void MessageWindow::ArmTimer(int id, int milliseconds) {
  if (window_ != nullptr) SetTimer(window_, static_cast<UINT_PTR>(id), static_cast<UINT>(milliseconds), nullptr);
}

void MessageWindow::KillTimer(int id) {
  if (window_ != nullptr) ::KillTimer(window_, static_cast<UINT_PTR>(id));
}

void MessageWindow::SetMessageHandler(UINT message, MessageHandler handler) {
  if (handler) {
    handlers_[message] = std::move(handler);
  } else {
    handlers_.erase(message);
  }
}

LRESULT CALLBACK MessageWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self != nullptr) {
    if (message == WM_TIMER && self->on_timer_) {
      self->on_timer_(static_cast<int>(wParam));
      return 0;
    }
    const auto route = self->handlers_.find(message);
    if (route != self->handlers_.end()) {
      // A copy: the handler may replace its own route while it runs.
      const MessageHandler handler = route->second;
      return handler(wParam, lParam);
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int RunMessageLoop() {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return -1;
    DispatchMessageA(&msg);
  }
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return done();
      }
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    // Sent messages are dispatched inside the wait as well.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

}  // namespace kavorin
