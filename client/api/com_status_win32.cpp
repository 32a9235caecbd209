// KAVORIN_COMStatus on Windows: the modal link-status dialog. It polls the
// host's StatusCheck every 500 ms on the caller's thread and shows each
// state's lines (OnStatusTick decides them); "취소" sends the terminal its
// cancel. The dialog ends by itself on success or when the host cannot be
// asked; after a failure it waits for "확인".
#include <windows.h>

#include <optional>

#include "client/api/export_calls.hpp"
#include "client/api/host_channel.hpp"
#include "client/api/link_status.hpp"
#include "client/api/win32/ctl_resources.h"
#include "common/text_codec.hpp"
#include "contract/service_methods.hpp"

namespace kavorin {
namespace {

constexpr UINT_PTR kPollTimer = 1;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

// The dialog of this thread whose Escape key is swallowed. The dialog
// manager would turn Escape into "취소", which cancels the exchange.
thread_local HWND t_escape_dialog = nullptr;

LRESULT CALLBACK SwallowEscape(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION) {
    MSG* msg = reinterpret_cast<MSG*>(message);
    const HWND dialog = t_escape_dialog;
    if (dialog != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam == VK_ESCAPE &&
        (msg->hwnd == dialog || IsChild(dialog, msg->hwnd))) {
      msg->message = WM_NULL;
    }
  }
  return CallNextHookEx(nullptr, code, removal, message);
}

// InitCAT for "취소": true when the host took it.
bool SendCancel() {
  return WithHost([](HostChannel& channel) {
           ServiceReply reply;
           return channel.Call(method_dispid::InitCAT, {}, reply);
         }) == HostStatus::kOk;
}

class LinkStatusDialog {
 public:
  explicit LinkStatusDialog(LinkStatusHost host) : host_(std::move(host)) {}

  // The status the dialog leaves, or kLinkStatusNoDialog when it cannot
  // appear.
  int Run() {
    const HWND outer = t_escape_dialog;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, SwallowEscape, nullptr, GetCurrentThreadId());
    const INT_PTR ended = DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(IDD_LINK_STATUS), nullptr, &Proc,
                                          reinterpret_cast<LPARAM>(this));
    if (hook != nullptr) UnhookWindowsHookEx(hook);
    t_escape_dialog = outer;
    return ended == 1 ? result_ : kLinkStatusNoDialog;
  }

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(window, DWLP_USER, lparam);
      reinterpret_cast<LinkStatusDialog*>(lparam)->OnInit(window);
      return FALSE;  // the focus is set here
    }
    auto* self = reinterpret_cast<LinkStatusDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
      case WM_TIMER:
        if (wparam == kPollTimer) self->OnTick();
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) self->OnOk();
        if (LOWORD(wparam) == IDCANCEL) self->OnCancel();
        return TRUE;
      default:
        return FALSE;
    }
  }

  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  void SetLine(int id, const std::string& utf8) {
    SetDlgItemTextW(dialog_, id, reinterpret_cast<const wchar_t*>(Utf16FromUtf8(utf8).c_str()));
  }

  void OnInit(HWND window) {
    dialog_ = window;
    t_escape_dialog = window;
    RECT frame{};
    RECT work{};
    GetWindowRect(window, &frame);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
      work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetLine(IDC_STATUS_MAIN, kStatusFirstLine);
    EnableWindow(Item(IDOK), FALSE);
    EnableWindow(Item(IDCANCEL), TRUE);
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDCANCEL)), TRUE);
    polling_ = SetTimer(window, kPollTimer, static_cast<UINT>(kStatusPollPeriod.count()), nullptr) != 0;
    if (!polling_) End(kLinkStatusNoDialog, false);
  }

  // Polling is over: "확인" takes the focus and the default style.
  void StopPolling() {
    KillTimer(dialog_, kPollTimer);
    polling_ = false;
    EnableWindow(Item(IDOK), TRUE);
    SendMessageA(dialog_, DM_SETDEFID, IDOK, 0);
    SendMessageA(Item(IDCANCEL), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(Item(IDOK), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDOK)), TRUE);
    EnableWindow(Item(IDCANCEL), FALSE);
  }

  void End(int result, bool ended) {
    result_ = result;
    ended_ = true;
    EndDialog(dialog_, ended ? 1 : 0);
  }

  void OnTick() {
    // A host call waits in COM's message loop, where the next tick or a
    // button may arrive: one host call at a time, and none after the end.
    if (!polling_ || in_host_call_ || ended_) return;
    in_host_call_ = true;
    const std::optional<int> check = host_.statusCheck();
    in_host_call_ = false;
    if (ended_ || !polling_) return;
    if (!check) {
      StopPolling();
      End(kLinkStatusHostFailure, true);
      return;
    }
    // The host's display text is asked for before anything changes, so
    // that "확인" never stands enabled beside the lines of a running
    // exchange.
    in_host_call_ = true;
    const StatusTick tick = OnStatusTick(*check, host_.displayData);
    in_host_call_ = false;
    if (ended_) return;
    if (tick.mainLine) SetLine(IDC_STATUS_MAIN, *tick.mainLine);
    if (tick.secondText) SetLine(IDC_STATUS_SECOND, *tick.secondText);
    if (tick.second != SecondLine::kKeep) {
      ShowWindow(Item(IDC_STATUS_SECOND), tick.second == SecondLine::kShow ? SW_SHOW : SW_HIDE);
    }
    if (*check <= 0) StopPolling();
    if (tick.status) status_ = *tick.status;
    if (tick.next == AfterTick::kEnd) {
      End(status_.value_or(kLinkStatusFailed), true);
    } else if (cancel_pending_) {
      OnCancel();
    }
  }

  void OnOk() {
    // Enter reaches here even while "확인" is disabled.
    if (ended_ || !IsWindowEnabled(Item(IDOK))) return;
    End(status_.value_or(kLinkStatusFailed), true);
  }

  void OnCancel() {
    // Also reached by closing the window; nothing to cancel once polling
    // has stopped. A press during a tick's host call is taken when the
    // call is over.
    cancel_pending_ = false;
    if (ended_ || !IsWindowEnabled(Item(IDCANCEL))) return;
    if (in_host_call_) {
      cancel_pending_ = true;
      return;
    }
    in_host_call_ = true;
    const bool sent = SendCancel();
    in_host_call_ = false;
    if (ended_) return;
    if (sent) {
      KillTimer(dialog_, kPollTimer);
      polling_ = false;
      End(status_.value_or(kLinkStatusCancelled), true);
      return;
    }
    SetLine(IDC_STATUS_MAIN, "취소 되었습니다..");
    EnableWindow(Item(IDOK), FALSE);
    status_ = kLinkStatusHostFailure;
  }

  LinkStatusHost host_;
  HWND dialog_ = nullptr;
  std::optional<int> status_;
  int result_ = kLinkStatusNoDialog;
  bool polling_ = false;
  bool in_host_call_ = false;
  bool cancel_pending_ = false;
  bool ended_ = false;
};

}  // namespace

int ComStatusExport() {
  LinkStatusDialog dialog(MakeLinkStatusHost());
  return dialog.Run();
}

}  // namespace kavorin
