// The hidden window that carries the link's timers and the serial
// deliveries, on a real message loop under Wine's null graphics driver.
#include "host/service/win32/message_window.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "host/link/serial_win32.hpp"

namespace kavorin {
namespace {

constexpr DWORD kWaitMs = 10000;

class MessageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window_.Handle(), nullptr) << window_.LastError();
    window_.SetTimerHandler([this](int id) {
      fired_.push_back(id);
      // One-shot, as the link's handlers are.
      window_.KillTimer(id);
    });
  }
  MessageWindow window_{"KavorinLoopTestWindow", "loop test"};
  std::vector<int> fired_;
};

TEST_F(MessageWindowTest, EachLinkTimerFiresOnceWithItsId) {
  for (int id : {kTimerAckWait, kTimerResponseWait, kTimerStartExchange, kTimerTerminate}) window_.ArmTimer(id, 10);
  ASSERT_TRUE(PumpMessagesUntil([&] { return fired_.size() >= 4; }, kWaitMs));
  PumpMessagesUntil([] { return false; }, 100);
  std::vector<int> sorted = fired_;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{10, 20, 30, 40}));
}

TEST_F(MessageWindowTest, ShorterTimersFireFirst) {
  window_.ArmTimer(kTimerResponseWait, 400);
  window_.ArmTimer(kTimerStartExchange, 10);
  ASSERT_TRUE(PumpMessagesUntil([&] { return fired_.size() >= 2; }, kWaitMs));
  EXPECT_EQ(fired_, (std::vector<int>{kTimerStartExchange, kTimerResponseWait}));
}

TEST_F(MessageWindowTest, KilledAndRestartedTimersDoNotFireEarly) {
  window_.ArmTimer(kTimerAckWait, 50);
  window_.KillTimer(kTimerAckWait);
  // Arming a pending id restarts it: the short period is gone.
  window_.ArmTimer(kTimerResponseWait, 50);
  window_.ArmTimer(kTimerResponseWait, 60000);
  window_.ArmTimer(kTimerStartExchange, 300);
  ASSERT_TRUE(PumpMessagesUntil([&] { return !fired_.empty(); }, kWaitMs));
  PumpMessagesUntil([] { return false; }, 200);
  EXPECT_EQ(fired_, (std::vector<int>{kTimerStartExchange}));
  window_.KillTimer(kTimerResponseWait);
}

TEST_F(MessageWindowTest, RoutedMessagesReachTheirHandlersOnly) {
  std::vector<std::pair<WPARAM, LPARAM>> seen;
  window_.SetMessageHandler(kWmCatData, [&](WPARAM wParam, LPARAM lParam) -> LRESULT {
    seen.emplace_back(wParam, lParam);
    return 7;
  });
  EXPECT_EQ(SendMessageA(window_.Handle(), kWmCatData, 1, 2), 7);
  PostMessageA(window_.Handle(), kWmCatData, 3, 4);
  ASSERT_TRUE(PumpMessagesUntil([&] { return seen.size() >= 2; }, kWaitMs));
  EXPECT_EQ(seen, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 2}, {3, 4}}));

  window_.SetMessageHandler(kWmCatData, nullptr);
  EXPECT_EQ(SendMessageA(window_.Handle(), kWmCatData, 5, 6), 0);
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(MessageWindowTest, MessagesSentFromAnotherThreadRunOnTheLoopThread) {
  const DWORD loop_thread = GetCurrentThreadId();
  DWORD handled_on = 0;
  window_.SetMessageHandler(kWmCatData, [&](WPARAM, LPARAM) -> LRESULT {
    handled_on = GetCurrentThreadId();
    return 0;
  });
  HWND target = window_.Handle();
  std::thread sender([target] { SendNotifyMessageA(target, kWmCatData, 0, 0); });
  const bool handled = PumpMessagesUntil([&] { return handled_on != 0; }, kWaitMs);
  sender.join();
  ASSERT_TRUE(handled);
  EXPECT_EQ(handled_on, loop_thread);
}

TEST(MessageLoopTest, RunMessageLoopReturnsTheQuitCode) {
  MessageWindow window("KavorinLoopTestWindow", "loop test");
  window.SetTimerHandler([&](int id) {
    window.KillTimer(id);
    PostQuitMessage(42);
  });
  window.ArmTimer(kTimerTerminate, 10);
  EXPECT_EQ(RunMessageLoop(), 42);
}

TEST(MessageLoopTest, WindowsShareOneClass) {
  MessageWindow first("KavorinSharedClass", "first");
  MessageWindow second("KavorinSharedClass", "second");
  EXPECT_NE(first.Handle(), nullptr);
  EXPECT_NE(second.Handle(), nullptr);
  EXPECT_EQ(FindWindowA("KavorinSharedClass", "second"), second.Handle());
}

}  // namespace
}  // namespace kavorin
