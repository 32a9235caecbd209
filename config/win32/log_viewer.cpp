#include "config/win32/log_viewer.hpp"

#include <richedit.h>

#include <array>
#include <cstdio>
#include <memory>

#include "common/module_folder.hpp"
#include "common/text_codec.hpp"
#include "config/lombra/port_entry_rules.hpp"
#include "config/win32/property_ids.h"
#include "config/win32/property_module.hpp"

namespace kavorin::property {
namespace {

// The file is read a moment after the window shows, so that the viewer
// appears at once even when the day's log is long.
constexpr UINT_PTR kFillTimer = 1;
constexpr UINT kFillDelayMs = 400;
// A day's log beyond this is shown from its end: the latest lines are the
// ones looked for.
constexpr std::size_t kMaxShownBytes = 8 * 1024 * 1024;

// Each control keeps its distances to the right and bottom edges; the view
// grows with the window, the buttons move with its corner.
struct Anchor {
  int id;
  bool grows;
  RECT place;  // in client coordinates, when the dialog opened
};

struct ViewerState {
  RECT client{};
  std::array<Anchor, 3> anchors{{{IDC_LOG_TEXT, true, {}}, {IDC_LOG_CLEAR, false, {}}, {IDOK, false, {}}}};
};

void RememberPlaces(HWND dialog, ViewerState& state) {
  GetClientRect(dialog, &state.client);
  for (Anchor& anchor : state.anchors) {
    HWND control = GetDlgItem(dialog, anchor.id);
    GetWindowRect(control, &anchor.place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&anchor.place), 2);
  }
}

void KeepEdges(HWND dialog, const ViewerState& state, int width, int height) {
  const int dx = width - (state.client.right - state.client.left);
  const int dy = height - (state.client.bottom - state.client.top);
  for (const Anchor& anchor : state.anchors) {
    const RECT& r = anchor.place;
    if (anchor.grows) {
      MoveWindow(GetDlgItem(dialog, anchor.id), r.left, r.top, r.right - r.left + dx, r.bottom - r.top + dy, TRUE);
    } else {
      MoveWindow(GetDlgItem(dialog, anchor.id), r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
}

void Fill(HWND dialog) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(TodayLogPath().c_str(), "rb"), &std::fclose);
  if (!file) {
    ShowMessage(dialog, Cp949FromUtf8("로그 파일을 열 수 없습니다."), LombraNoticeCaption(), MB_OK | MB_ICONERROR);
    return;
  }
  std::string text;
  std::string line;
  std::array<char, 4096> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), file.get()) != nullptr) {
    line += chunk.data();
    if (line.empty() || line.back() != '\n') continue;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    text += line + "\r\n";
    line.clear();
    if (text.size() > 2 * kMaxShownBytes) text.erase(0, text.size() - kMaxShownBytes);
  }
  if (!line.empty()) text += line + "\r\n";
  if (text.size() > kMaxShownBytes) {
    text.erase(0, text.size() - kMaxShownBytes);
    text.erase(0, text.find('\n') + 1);  // from a whole line on
  }
  HWND view = GetDlgItem(dialog, IDC_LOG_TEXT);
  SendMessageA(view, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageA(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(view, WM_VSCROLL, SB_BOTTOM, 0);
}

INT_PTR CALLBACK ViewerProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<ViewerState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      state = reinterpret_cast<ViewerState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      RememberPlaces(dialog, *state);
      SendDlgItemMessageA(dialog, IDC_LOG_TEXT, EM_EXLIMITTEXT, 0, 2 * kMaxShownBytes);
      SetTimer(dialog, kFillTimer, kFillDelayMs, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wParam != kFillTimer) return FALSE;
      KillTimer(dialog, kFillTimer);
      Fill(dialog);
      return TRUE;
    case WM_SIZE:
      if (state != nullptr && wParam != SIZE_MINIMIZED) KeepEdges(dialog, *state, LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_LOG_CLEAR:
          SetDlgItemTextA(dialog, IDC_LOG_TEXT, "");
          return TRUE;
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

std::string TodayLogPath() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char name[32];
  std::snprintf(name, sizeof name, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  return ModuleFolder() + "log\\" + name + ".log";
}

bool TodayLogExists() {
  std::FILE* file = std::fopen(TodayLogPath().c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

void ShowLogViewer(HWND owner) {
  // The rich edit's window class comes with its library.
  static const HMODULE rich_edit = LoadLibraryA("riched20.dll");
  (void)rich_edit;
  ViewerState state;
  DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_LOG_VIEWER), owner, &ViewerProcedure, reinterpret_cast<LPARAM>(&state));
}

}  // namespace kavorin::property
