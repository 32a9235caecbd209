#pragma once
// Dialog templates built in memory, so that the frame's dialogs (the About
// box, the empty property page) need no resources of the control module.
#include <windows.h>

#include <string>
#include <vector>

namespace kavorin::control {

struct DialogItem {
  WORD classAtom;  // 0x0080 button, 0x0082 static
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  std::wstring text;
};

// A DLGTEMPLATE with the "MS Shell Dlg" 8 pt font and the given items,
// aligned as DialogBoxIndirectParam wants it.
std::vector<WORD> DialogTemplate(DWORD style, const std::wstring& caption, short cx, short cy,
                                 const std::vector<DialogItem>& items);

}  // namespace kavorin::control
