#include "web/control/win32/about_box.hpp"

#include <string>

#include "web/control/win32/control_module.hpp"
#include "web/control/win32/dialog_template.hpp"

namespace kavorin::control {
namespace {

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

void ShowAboutBox(HWND owner, const ControlIdentity& identity) {
  const std::vector<WORD> dialog = DialogTemplate(
      DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, Wide(identity.aboutCaption), 234, 36,
      {{0x0082, SS_LEFT | SS_NOPREFIX, 12, 12, 160, 8, kAboutTextId, Wide(identity.aboutText)},
       {0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 176, 8, 50, 14, IDOK, L"OK"}});
  DialogBoxIndirectParamW(ModuleInstance(), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), owner,
                          &AboutProcedure, 0);
}

}  // namespace kavorin::control
