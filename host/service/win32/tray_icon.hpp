#pragma once
// The host's icon in the notification area, with its popup menu. The icon's
// id is the popup menu's handle, so a notification names the menu it opens.
#include <windows.h>

#include <string>

namespace kavorin {

// Mouse notifications from the tray icon: wParam the icon id, the low word
// of lParam the mouse message.
inline constexpr UINT kWmTrayNotify = WM_USER + 100;

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Loads icon `iconId` and the first popup of menu `menuId` from `module`
  // and adds the icon for `window` with `tooltip` (CP949). Returns whether
  // the shell took the icon; the menu is loaded either way.
  bool Add(HWND window, HINSTANCE module, int iconId, int menuId, const std::string& tooltip);
  // Takes the icon away again; nothing happens when it was not added.
  void Remove();
  bool Added() const { return added_; }
  HMENU Popup() const { return popup_; }

  // For kWmTrayNotify: opens the popup at the cursor on a right-button
  // release or a left double-click. Returns false when the notification is
  // not for this icon (the caller lets it take the default path).
  bool OnNotify(WPARAM wParam, LPARAM lParam);

 private:
  NOTIFYICONDATAA record_{};
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  HMENU menu_ = nullptr;
  HMENU popup_ = nullptr;
  bool added_ = false;
};

}  // namespace kavorin
