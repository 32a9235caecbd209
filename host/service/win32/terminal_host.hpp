#pragma once
// The host's service object on the window thread: the hidden window
// "KAVORIN_Interface" with its timers and message map, the serial channel
// that delivers to it (through the frame log when that is on), the TerminalService, and the tray icon with its menu.
//
// Messages of the window:
//   WM_TIMER 10, 20, 30, 40     the service (the link's waits, the delayed end)
//   kWmCatData (WM_USER+101)    received bytes, to the link
//   kWmTrayNotify (WM_USER+100) the tray menu on right-button release or
//                               left double-click
//   WM_COMMAND 0x8000 "종료"    close the port, take the icon away, end
//   WM_COMMAND 0x8002 "PORT 설정" the port chooser (modal; its loop keeps
//                               serving calls and timers meanwhile)
//   WM_DESTROY                  as "종료": installers end the host by
//                               sending it to the window
#include <windows.h>

#include <functional>
#include <memory>

#include "host/link/frame_log.hpp"
#include "host/link/logged_serial_port.hpp"
#include "host/link/serial_win32.hpp"
#include "host/service/terminal_service.hpp"
#include "host/service/win32/message_window.hpp"
#include "host/service/win32/tray_icon.hpp"

namespace kavorin {

inline constexpr char kHostWindowName[] = "KAVORIN_Interface";
inline constexpr char kTrayTooltip[] = "Halveron KAVORIN";
inline constexpr int kTrayIconId = 201;
inline constexpr int kTrayMenuId = 202;
inline constexpr UINT kTrayExitCommand = 0x8000;
inline constexpr UINT kTrayPortCommand = 0x8002;

class TerminalHost {
 public:
  // Creates the window and adds the tray icon; `module` holds the icon and
  // the menu.
  explicit TerminalHost(HINSTANCE module);
  TerminalHost(const TerminalHost&) = delete;
  TerminalHost& operator=(const TerminalHost&) = delete;

  // Runs after the port is closed and the icon is gone, on every exit path
  // ("종료", the terminate timer, WM_DESTROY). The host ends its process
  // there; it does not return through the message loop.
  void SetExitHandler(std::function<void()> handler) { exit_ = std::move(handler); }
  // What "PORT 설정" opens.
  void SetPortChooser(std::function<void()> chooser) { port_chooser_ = std::move(chooser); }

  // Closes the port and takes the icon away (the loop ended by another way).
  void Shutdown();

  HWND Window() const { return window_.Handle(); }
  TerminalService& Service() { return service_; }
  TrayIcon& Tray() { return tray_; }

 private:
  void Exit();

  MessageWindow window_;
  SerialChannel channel_;
  std::unique_ptr<FrameLog> frame_log_;  // null unless switched on
  LoggedSerialPort port_;
  TerminalService service_;
  TrayIcon tray_;
  std::function<void()> exit_;
  std::function<void()> port_chooser_;
};

}  // namespace kavorin
