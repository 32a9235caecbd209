#include "host/service/win32/terminal_host.hpp"

#include <string>

namespace kavorin {

namespace {

// The host's diagnostics: what a technician reads with a debug-output
// viewer (under Wine: WINEDEBUG=+debugstr) when the daily log says too little.
void Note(const std::string& text) { OutputDebugStringA(("KAVORIN: " + text + "\n").c_str()); }

}  // namespace

TerminalHost::TerminalHost(HINSTANCE module)
    : window_(kHostWindowName, kHostWindowName),
      channel_(window_.Handle()),
      frame_log_(OpenFrameLogIfWanted(Note)),
      port_(channel_, frame_log_.get()),
      service_(port_, window_) {
  const HWND window = window_.Handle();
  channel_.SetDiagnostics(Note);
  service_.SetDiagnostics(Note);
  window_.SetTimerHandler([this](int id) { service_.OnTimer(id); });
  window_.SetMessageHandler(kWmCatData, [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
    channel_.HandleCatData(wParam, lParam);
    return 0;
  });
  window_.SetMessageHandler(kWmTrayNotify, [this, window](WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (tray_.OnNotify(wParam, lParam)) return 0;
    return DefWindowProcA(window, kWmTrayNotify, wParam, lParam);
  });
  window_.SetMessageHandler(WM_COMMAND, [this, window](WPARAM wParam, LPARAM lParam) -> LRESULT {
    switch (LOWORD(wParam)) {
      case kTrayExitCommand:
        Exit();
        return 0;
      case kTrayPortCommand:
        // The chooser stores the port for the client library; the host
        // takes whatever name the next StartComPort brings.
        if (port_chooser_) port_chooser_();
        return 0;
      default:
        return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    }
  });
  window_.SetMessageHandler(WM_DESTROY, [this](WPARAM, LPARAM) -> LRESULT {
    Exit();
    return 0;
  });
  service_.SetTerminateHandler([this] {
    tray_.Remove();
    if (exit_) exit_();
  });
  tray_.Add(window, module, kTrayIconId, kTrayMenuId, kTrayTooltip);
}

void TerminalHost::Shutdown() {
  service_.Shutdown();
  tray_.Remove();
}

void TerminalHost::Exit() {
  Shutdown();
  if (exit_) exit_();
}

}  // namespace kavorin
