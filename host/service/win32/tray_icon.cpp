#include "host/service/win32/tray_icon.hpp"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace kavorin {

TrayIcon::~TrayIcon() {
  Remove();
  if (menu_ != nullptr) DestroyMenu(menu_);
}

bool TrayIcon::Add(HWND window, HINSTANCE module, int iconId, int menuId, const std::string& tooltip) {
  Remove();
  window_ = window;
  icon_ = LoadIconA(module, MAKEINTRESOURCEA(iconId));
  if (menu_ == nullptr) menu_ = LoadMenuA(module, MAKEINTRESOURCEA(menuId));
  popup_ = menu_ != nullptr ? GetSubMenu(menu_, 0) : nullptr;
  if (window == nullptr) return false;

  // The first version of the record (88 bytes on 32-bit Windows): every
  // shell since the first tray understands it, and it holds all we use.
  record_ = NOTIFYICONDATAA{};
  record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record_.hWnd = window;
  record_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(popup_));
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record_.uCallbackMessage = kWmTrayNotify;
  record_.hIcon = icon_;
  const std::size_t length = std::min(tooltip.size(), sizeof record_.szTip - 1);
  std::memcpy(record_.szTip, tooltip.data(), length);
  added_ = Shell_NotifyIconA(NIM_ADD, &record_) != FALSE;
  return added_;
}

void TrayIcon::Remove() {
  if (!added_) return;
  NOTIFYICONDATAA record = record_;
  record.uFlags = 0;
  Shell_NotifyIconA(NIM_DELETE, &record);
  added_ = false;
}

bool TrayIcon::OnNotify(WPARAM wParam, LPARAM lParam) {
  if (popup_ == nullptr || wParam != static_cast<WPARAM>(record_.uID)) return false;
  const UINT mouse = LOWORD(lParam);
  if (mouse != WM_RBUTTONUP && mouse != WM_LBUTTONDBLCLK) return true;
  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close when the user clicks
  // elsewhere, and WM_NULL afterwards lets it go away cleanly.
  SetForegroundWindow(window_);
  TrackPopupMenu(popup_, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window_, nullptr);
  PostMessageA(window_, WM_NULL, 0, 0);
  return true;
}

}  // namespace kavorin
