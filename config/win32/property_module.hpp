#pragma once
// What every dialog of Property.dll shares: the module, the way an export
// shows its dialog once, message boxes, and reading a control's text into
// a bounded buffer.
#include <windows.h>

#include <cstddef>
#include <string>

namespace kavorin::property {

HINSTANCE Module();

// The exports' one pattern. A window with the dialog's caption open
// already comes to the front and gives 3; otherwise the dialog runs
// modally with no owner and gives 1 when it ended with IDOK, 2 in every
// other case (IDCANCEL, the close box, a dialog that could not be shown).
// The caption looked for is the one the dialog resource shows.
int ShowDialogOnce(int resource, DLGPROC procedure, LPARAM parameter = 0);

// The caption of a dialog resource of this module (CP949).
std::string DialogCaption(int resource);

// MessageBoxA with CP949 texts; returns the button pressed.
int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT type);

// A control's text, at most `bytes` - 1 bytes of it, as a buffer of that
// size would hold it.
std::string ItemText(HWND dialog, int id, std::size_t bytes);
void SetItemText(HWND dialog, int id, const std::string& text);

// Fills a combo box with items (CP949) and selects one (none: -1).
void FillCombo(HWND dialog, int id, const std::string* items, std::size_t count, int selected);

}  // namespace kavorin::property
