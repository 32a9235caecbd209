// The COM port chooser: the one dialog through which the user sets the port
// on which the host talks to the terminal. It keeps nothing itself; the
// port lives in the stored setting that the client library reads.
#include <windows.h>

#include <string>

#include "config/port_setting.hpp"
#include "config/win32/property_ids.h"
#include "config/win32/property_module.hpp"

namespace {

// The edit has always held at most 127 characters; a longer stored value is
// not shown rather than shown cut, and a longer text is not stored.
constexpr int kMaxPortChars = 127;

std::string EditText(HWND dialog) {
  HWND edit = GetDlgItem(dialog, IDC_PORT_EDIT);
  const int length = GetWindowTextLengthA(edit);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(edit, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

INT_PTR CALLBACK ChooserProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG: {
      SendDlgItemMessageA(dialog, IDC_PORT_EDIT, EM_LIMITTEXT, kMaxPortChars, 0);
      const auto stored = kavorin::ReadStoredPort();
      if (stored && stored->size() <= kMaxPortChars) SetDlgItemTextA(dialog, IDC_PORT_EDIT, stored->c_str());
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          // Stored or refused silently; the dialog stays open either way.
          const std::string text = EditText(dialog);
          if (text.size() <= kMaxPortChars) kavorin::StorePort(text);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

// 3: a chooser is open already (it comes to the front); 1: the dialog ended
// with OK; 2: any other end, including failure to show it.
extern "C" int ViewKAVORINCOMPort() { return kavorin::property::ShowDialogOnce(IDD_COM_PORT, &ChooserProcedure); }
