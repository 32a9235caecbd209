#include "config/win32/property_module.hpp"

#include <commctrl.h>

#include <vector>

namespace kavorin::property {
namespace {

HINSTANCE g_module = nullptr;

// The title of a dialog template: after the header come the menu and the
// class (each 0x0000, 0xFFFF and an ordinal, or a UTF-16 string), then the
// title as a UTF-16 string.
std::wstring TemplateTitle(const void* resource, DWORD size) {
  const auto* words = static_cast<const WORD*>(resource);
  const std::size_t count = size / sizeof(WORD);
  const bool extended = count > 2 && words[0] == 1 && words[1] == 0xFFFF;
  // DLGTEMPLATE is 18 bytes, DLGTEMPLATEEX 26.
  std::size_t at = extended ? 13 : 9;
  for (int skip = 0; skip < 2 && at < count; ++skip) {
    if (words[at] == 0xFFFF) {
      at += 2;
    } else {
      while (at < count && words[at] != 0) ++at;
      ++at;
    }
  }
  std::wstring title;
  while (at < count && words[at] != 0) title.push_back(static_cast<wchar_t>(words[at++]));
  return title;
}

std::wstring WideCaption(int resource) {
  HRSRC found = FindResourceA(g_module, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(g_module, found);
  const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
  return data == nullptr ? std::wstring() : TemplateTitle(data, SizeofResource(g_module, found));
}

}  // namespace

HINSTANCE Module() { return g_module; }

std::string DialogCaption(int resource) {
  const std::wstring wide = WideCaption(resource);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                        nullptr);
  std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(), bytes, nullptr, nullptr);
  }
  return text;
}

int ShowDialogOnce(int resource, DLGPROC procedure, LPARAM parameter) {
  const std::wstring caption = WideCaption(resource);
  if (HWND open = caption.empty() ? nullptr : FindWindowW(nullptr, caption.c_str())) {
    SetForegroundWindow(open);
    return 3;
  }
  const INT_PTR result = DialogBoxParamA(g_module, MAKEINTRESOURCEA(resource), nullptr, procedure, parameter);
  return result == IDOK ? 1 : 2;
}

int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

std::string ItemText(HWND dialog, int id, std::size_t bytes) {
  std::vector<char> buffer(bytes, '\0');
  const int got = GetDlgItemTextA(dialog, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

void SetItemText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

void FillCombo(HWND dialog, int id, const std::string* items, std::size_t count, int selected) {
  SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < count; ++i) {
    SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
  }
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace kavorin::property

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    kavorin::property::g_module = module;
    DisableThreadLibraryCalls(module);
    // The list view of the settings dialog and the log viewer's rich edit.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
  }
  return TRUE;
}
