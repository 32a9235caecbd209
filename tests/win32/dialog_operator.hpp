#pragma once
// An operator for the dialogs of Property.dll: a dialog runs modally on the
// test's thread while the operator, on a helper thread, finds windows by
// their caption, reads and fills their controls, presses their buttons
// and answers their message boxes. Buttons are pressed by posting the
// command, so that a button that opens a modal box never holds up the
// operator.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/text_codec.hpp"

namespace kavorin::dialog_test {

// Generous: a loaded two-core machine runs these side by side.
constexpr DWORD kWaitMs = 20000;

using ViewFunction = int (*)();

inline std::string Cp949(const char* utf8) { return Cp949FromUtf8(utf8); }

inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

inline std::string WindowText(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}
inline std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
inline void SetControlText(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

inline BOOL CALLBACK CollectShownDialog(HWND window, LPARAM param) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (process == GetCurrentProcessId() && std::string(name) == "#32770" && IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  }
  return TRUE;
}

// The dialogs of this process that are on screen.
inline std::vector<HWND> OwnDialogs() {
  std::vector<HWND> found;
  EnumWindows(&CollectShownDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

inline HWND WaitForDialog(const std::function<bool(HWND)>& wanted, DWORD timeoutMs = kWaitMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : OwnDialogs()) {
          if (wanted(window)) found = window;
        }
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

// A message box shows its text in the static control 0xFFFF; the labels of
// Property.dll's own dialogs have that id too, so those are told apart by
// the module that made them.
constexpr int kMessageBoxText = 0xFFFF;
inline bool IsMessageBox(HWND window) {
  return GetDlgItem(window, kMessageBoxText) != nullptr &&
         GetWindowLongPtrA(window, GWLP_HINSTANCE) != reinterpret_cast<LONG_PTR>(GetModuleHandleA("Property.dll"));
}

inline HWND WaitForCaption(const std::string& caption, DWORD timeoutMs = kWaitMs) {
  return WaitForDialog([&](HWND w) { return !IsMessageBox(w) && WindowText(w) == caption; }, timeoutMs);
}

inline void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
inline void Notify(HWND dialog, int id, int code) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct ShownBox {
  HWND window = nullptr;
  std::string caption;  // CP949
  std::string text;
};

// The next message box, read; answer it with Answer.
inline ShownBox WaitForMessageBox(DWORD timeoutMs = kWaitMs) {
  HWND box = WaitForDialog(IsMessageBox, timeoutMs);
  if (box == nullptr) return {};
  return {box, WindowText(box), ControlText(box, kMessageBoxText)};
}
inline void Answer(const ShownBox& box, int button) {
  HWND window = box.window;
  Press(window, button);
  WaitUntil([&] { return !IsWindow(window); });
}
// Reads the next box, presses its OK and gives caption and text in UTF-8
// ("caption: text"), or "" when none came.
inline std::string TakeMessage(DWORD timeoutMs = kWaitMs) {
  const ShownBox box = WaitForMessageBox(timeoutMs);
  if (box.window == nullptr) return "";
  Answer(box, IDOK);
  return Utf8FromCp949(box.caption) + ": " + Utf8FromCp949(box.text);
}

inline std::vector<std::string> ComboItems(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  std::vector<std::string> items;
  const auto count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    items.push_back(Utf8FromCp949(text.c_str()));
  }
  return items;
}
inline int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}
inline bool SelectCombo(HWND dialog, int id, const char* utf8) {
  const std::string text = Cp949(utf8);
  const auto index = SendDlgItemMessageA(dialog, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text.c_str()));
  return index != CB_ERR && SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0) == index;
}

// The rows of a report list view, each as its column texts (UTF-8).
inline std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
  std::vector<std::vector<std::string>> rows;
  const auto count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT row = 0; row < count; ++row) {
    std::vector<std::string> texts;
    for (int column = 0; column < columns; ++column) {
      char text[260] = {};
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
      texts.push_back(Utf8FromCp949(text));
    }
    rows.push_back(texts);
  }
  return rows;
}

// Runs `view` (an export) on this thread and `user` on a helper thread;
// gives what the export returned. A user that stopped half-way (a failed
// assertion) leaves windows open: they are cancelled, so that the test
// fails instead of hanging.
inline int RunDialog(ViewFunction view, const std::function<void()>& user) {
  std::atomic<bool> returned{false};
  std::thread helper([&] {
    user();
    if (WaitUntil([&] { return returned.load(); }, 5000)) return;
    ADD_FAILURE() << "the dialog was left open";
    while (!returned) {
      for (HWND window : OwnDialogs()) {
        Press(window, IsMessageBox(window) && GetDlgItem(window, IDNO) != nullptr ? IDNO : IDCANCEL);
      }
      Sleep(100);
    }
  });
  const int result = view();
  returned = true;
  helper.join();
  return result;
}

// Property.dll, loaded for a test and bound by export name.
class PropertyLibrary {
 public:
  PropertyLibrary() : module_(LoadLibraryA("Property.dll")) { EXPECT_NE(module_, nullptr) << GetLastError(); }
  ~PropertyLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  PropertyLibrary(const PropertyLibrary&) = delete;
  PropertyLibrary& operator=(const PropertyLibrary&) = delete;

  ViewFunction View(const char* name) const {
    auto procedure = reinterpret_cast<ViewFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    EXPECT_NE(procedure, nullptr) << name;
    return procedure;
  }

 private:
  HMODULE module_;
};

}  // namespace kavorin::dialog_test
