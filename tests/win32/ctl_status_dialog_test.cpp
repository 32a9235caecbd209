// The link-status dialog of KAVORIN_COMStatus, as an operator sees it: it
// runs modally on the test's thread while a helper thread finds it, reads
// its lines and presses its buttons. StatusCheck answers come from a host
// object served in this process.
#include <gtest/gtest.h>

#include "client/api/link_status.hpp"
#include "tests/win32/ctl_test_support.hpp"

namespace kavorin::ctl_test {
namespace {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWindowWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
std::string MainLine(HWND dialog) { return ItemText(dialog, IDC_STATUS_MAIN); }
std::string SecondLine(HWND dialog) { return ItemText(dialog, IDC_STATUS_SECOND); }

class StatusDialogTest : public ::testing::Test {
 protected:
  StatusDialogTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

  // KAVORIN_COMStatus on this thread, `user` on a helper thread that gets
  // the dialog's window. Returns what the export returned.
  int RunStatus(const std::function<void(HWND)>& user) {
    bool shown = false;
    std::thread helper([&] {
      HWND dialog = WaitForWindow(IsStatusDialog);
      if (dialog == nullptr) return;
      shown = true;
      user(dialog);
    });
    const int result = install_.Bind<NoArgs>(3)();
    helper.join();
    EXPECT_TRUE(shown) << "the status dialog never showed";
    return result;
  }

  // Waits for `count` more StatusCheck calls than there were.
  bool WaitForTicks(int count) {
    const int target = host_.CountOf("StatusCheck") + count;
    return WaitUntil([&] { return host_.CountOf("StatusCheck") >= target; });
  }

  ComApartment apartment_;
  Installation install_;
  FakeHost host_;
  MessageBoxDismisser boxes_;
};

TEST_F(StatusDialogTest, ShowsTheRequestLineThenProgressAndClosesByItselfOnSuccess) {
  // 50 is no state of the table: the first lines stay however late the
  // helper looks.
  host_.Answer("StatusCheck", {S_OK, 50, {}});
  std::string first_main, first_second, progress;
  bool ok_enabled = true, cancel_enabled = false, second_hidden = false, has_caption = true, centred = false;
  // "확인" at (50, 28), 50 x 14 dialog units: each mapped on its own, as
  // the dialog manager places it.
  RECT ok_rect{}, expected_ok{50, 28, 50, 14};
  const int result = RunStatus([&](HWND dialog) {
    first_main = MainLine(dialog);
    first_second = SecondLine(dialog);
    ok_enabled = Enabled(dialog, IDOK);
    cancel_enabled = Enabled(dialog, IDCANCEL);
    has_caption = (GetWindowLongA(dialog, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    // Where the resource puts "확인", in dialog units, on the screen.
    MapDialogRect(dialog, &expected_ok);
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok_rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&ok_rect), 2);
    RECT frame{}, work{};
    GetWindowRect(dialog, &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    centred = std::abs((frame.left + frame.right) - (work.left + work.right)) <= 2 &&
              std::abs((frame.top + frame.bottom) - (work.top + work.bottom)) <= 2;

    host_.Answer("StatusCheck", {S_OK, 3, {}});
    WaitUntil([&] { return MainLine(dialog) == Cp949("단말기를 확인하여 주시기 바랍니다..."); });
    progress = MainLine(dialog);
    second_hidden = !Visible(dialog, IDC_STATUS_SECOND);
    // Nothing changes on 50, and polling goes on.
    host_.Answer("StatusCheck", {S_OK, 50, {}});
    WaitForTicks(2);
    EXPECT_EQ(MainLine(dialog), progress);
    EXPECT_TRUE(Enabled(dialog, IDCANCEL));
    host_.Answer("StatusCheck", {S_OK, 0, {}});
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(first_main, Cp949("단말기로의 서비스 요청 중....."));
  EXPECT_EQ(first_second, Cp949("단말기와의 통신 초기화 중..."));
  EXPECT_FALSE(ok_enabled);
  EXPECT_TRUE(cancel_enabled);
  EXPECT_FALSE(has_caption);
  EXPECT_TRUE(centred);
  EXPECT_EQ(ok_rect.left, expected_ok.left);
  EXPECT_EQ(ok_rect.top, expected_ok.top);
  EXPECT_EQ(ok_rect.right - ok_rect.left, expected_ok.right);
  EXPECT_EQ(ok_rect.bottom - ok_rect.top, expected_ok.bottom);
  EXPECT_EQ(progress, Cp949("단말기를 확인하여 주시기 바랍니다..."));
  EXPECT_TRUE(second_hidden);
  EXPECT_EQ(host_.CountOf("InitCAT"), 0);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(StatusDialogTest, EveryFinalFailureWaitsForOkWithItsLines) {
  struct Row {
    int check;
    const char* main;
    const char* second;
  };
  const char* check_connection = "단말기와의 연결을 확인하여 주시기 바랍니다.";
  const char* try_again = "다시 시도하여 주시기 바랍니다.";
  const Row rows[] = {
      {-1, "단말기와의 통신이 비정상적으로 종료 되었습니다.", check_connection},
      {-2, "단말기와의 통신이 초기화 상태입니다.", check_connection},
      {-3, "단말기와의 통신중 ACK 타임아웃이 발생하였습니다.", check_connection},
      {-4, "단말기와의 통신중 응답전문 타임아웃이 발생하였습니다.", check_connection},
      {-5, "단말기에서 사용자 취소가 발생하였습니다.", try_again},
      {-6, "단말기와의 통신중 알 수 없는 데이터가 수신되었습니다.", try_again},
      {-7, "송신데이터 불량으로 장애가 발생하였습니다.", try_again},
      {-100, "단말기와의 통신중 알 수 없는 장애가 발생하였습니다.", try_again},
      // The host's own display text, with the line's visibility as it was.
      {-1000, "호스트에서 정상처리를 하지 못하였습니다.", "카드사 거절 8001"},
      // Not in the table: the lines stay, polling stops all the same.
      {-50, "단말기로의 서비스 요청 중.....", "단말기와의 통신 초기화 중..."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.check);
    host_.Reset();
    host_.Answer("StatusCheck", {S_OK, row.check, {}});
    host_.Answer("GetDisplayData", {S_OK, 0, Utf16FromUtf8("카드사 거절 8001")});
    std::string main, second;
    bool second_visible = false, cancel_enabled = true, ok_focused = false, ok_default = false;
    int checks_while_waiting = 0;
    const int result = RunStatus([&](HWND dialog) {
      if (!WaitUntil([&] { return Enabled(dialog, IDOK); })) return;
      main = MainLine(dialog);
      second = SecondLine(dialog);
      second_visible = Visible(dialog, IDC_STATUS_SECOND);
      cancel_enabled = Enabled(dialog, IDCANCEL);
      ok_default = (SendMessageA(dialog, DM_GETDEFID, 0, 0) & 0xFFFF) == IDOK;
      GUITHREADINFO gui{};
      gui.cbSize = sizeof gui;
      GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
      ok_focused = gui.hwndFocus == GetDlgItem(dialog, IDOK);
      // Polling has stopped: no more StatusCheck while it waits (looked at
      // for two rows; each look costs more than a poll period).
      if (row.check == -1 || row.check == -50) {
        const int before = host_.CountOf("StatusCheck");
        Sleep(1200);
        checks_while_waiting = host_.CountOf("StatusCheck") - before;
      }
      Click(dialog, IDOK);
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(main, Cp949(row.main));
    EXPECT_EQ(second, Cp949(row.second));
    EXPECT_TRUE(second_visible);
    EXPECT_FALSE(cancel_enabled);
    EXPECT_TRUE(ok_default);
    EXPECT_TRUE(ok_focused);
    EXPECT_EQ(checks_while_waiting, 0);
    EXPECT_EQ(host_.CountOf("InitCAT"), 0);
  }
}

TEST_F(StatusDialogTest, EscapeDoesNotCloseItAndCancelSendsInitCat) {
  host_.Answer("StatusCheck", {S_OK, 1, {}});
  bool open_after_escape = false;
  int cancels_after_escape = -1;
  const int result = RunStatus([&](HWND dialog) {
    for (HWND target : {GetDlgItem(dialog, IDCANCEL), dialog}) {
      PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    }
    // A timer tick comes only once the posted keys are handled.
    WaitForTicks(2);
    open_after_escape = IsWindow(dialog) && IsWindowVisible(dialog);
    cancels_after_escape = host_.CountOf("InitCAT");
    Click(dialog, IDCANCEL);
  });
  EXPECT_TRUE(open_after_escape);
  EXPECT_EQ(cancels_after_escape, 0);
  EXPECT_EQ(host_.CountOf("InitCAT"), 1);
  // Cancelled before any final status.
  EXPECT_EQ(result, kLinkStatusCancelled);
}

TEST_F(StatusDialogTest, ACancelTheHostCannotTakeLeavesTheDialogOpen) {
  host_.Answer("StatusCheck", {S_OK, 2, {}});
  host_.Answer("InitCAT", {E_FAIL, 0, {}});
  host_.Then("InitCAT", {S_OK, 0, {}});
  std::string main;
  bool open = false, ok_enabled = true;
  const int result = RunStatus([&](HWND dialog) {
    Click(dialog, IDCANCEL);
    main = MainLine(dialog);
    open = IsWindowVisible(dialog) != FALSE;
    ok_enabled = Enabled(dialog, IDOK);
    // The second press reaches the host.
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(main, Cp949("취소 되었습니다.."));
  EXPECT_TRUE(open);
  EXPECT_FALSE(ok_enabled);
  EXPECT_EQ(host_.CountOf("InitCAT"), 2);
  EXPECT_EQ(result, kLinkStatusHostFailure);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(StatusDialogTest, ACancelPressedWhileATickWaitsForTheHostIsTakenAfterIt) {
  host_.Answer("StatusCheck", {S_OK, 1, {}});
  std::atomic<bool> in_call{false};
  std::atomic<bool> clicked{false};
  host_.duringCall = [&](int dispid) {
    if (dispid != FindServiceMethod("StatusCheck")->dispid || clicked) return;
    in_call = true;
    MSG message;
    while (!clicked) {
      PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // handles the helper's click
      Sleep(5);
    }
    in_call = false;
  };
  const int result = RunStatus([&](HWND dialog) {
    WaitUntil([&] { return in_call.load(); });
    Click(dialog, IDCANCEL);
    clicked = true;
    // A press that was lost leaves the dialog polling: end it by a success.
    if (!WaitUntil([&] { return !IsWindow(dialog); }, 10000)) host_.Answer("StatusCheck", {S_OK, 0, {}});
  });
  EXPECT_EQ(host_.CountOf("InitCAT"), 1);
  EXPECT_EQ(result, kLinkStatusCancelled);
}

TEST_F(StatusDialogTest, AHostThatCannotBeAskedEndsItAtOnce) {
  host_.Answer("StatusCheck", {S_OK, 4, {}});
  const int result = RunStatus([&](HWND dialog) {
    WaitForTicks(1);
    (void)dialog;
    host_.Answer("StatusCheck", {RPC_E_DISCONNECTED, 0, {}});
  });
  EXPECT_EQ(result, kLinkStatusHostFailure);
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(host_.CountOf("InitCAT"), 0);
}

}  // namespace
}  // namespace kavorin::ctl_test
