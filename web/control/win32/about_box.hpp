#pragma once
// The About box of a control: a modal dialog with the control's caption and
// text and an OK button.
#include <windows.h>

#include "web/control/control_identity.hpp"

namespace kavorin::control {

// The text's control id, for whoever reads the box.
inline constexpr WORD kAboutTextId = 100;

void ShowAboutBox(HWND owner, const ControlIdentity& identity);

}  // namespace kavorin::control
