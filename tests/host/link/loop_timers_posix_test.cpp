#include "host/link/loop_timers_posix.hpp"

#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <memory>
#include <vector>

namespace kavorin {
namespace {

using namespace std::chrono_literals;

class LoopTimersTest : public ::testing::Test {
 protected:
  // Runs the loop until `count` expiries were seen or a generous bound passed.
  void RunUntilFired(std::size_t count, std::chrono::milliseconds bound = 10s) {
    auto until = std::chrono::steady_clock::now() + bound;
    while (fired.size() < count && std::chrono::steady_clock::now() < until) {
      loop.restart();
      loop.run_for(20ms);
    }
  }
  void RunFor(std::chrono::milliseconds period) {
    loop.restart();
    loop.run_for(period);
  }

  asio::io_context loop;
  std::vector<int> fired;
  std::function<void(int)> onExpiry = [this](int id) { fired.push_back(id); };
  LoopTimers timers{loop, [this](int id) { onExpiry(id); }};
};

TEST_F(LoopTimersTest, FiresOnceWithItsId) {
  timers.ArmTimer(10, 5);
  EXPECT_TRUE(timers.IsArmed(10));
  RunUntilFired(1);
  RunFor(50ms);
  EXPECT_EQ(fired, std::vector<int>{10});
  EXPECT_FALSE(timers.IsArmed(10));
}

TEST_F(LoopTimersTest, ArmingAPendingIdRestartsIt) {
  timers.ArmTimer(20, 0);
  timers.ArmTimer(20, 100000);
  RunFor(200ms);
  EXPECT_TRUE(fired.empty());
  EXPECT_TRUE(timers.IsArmed(20));
  timers.ArmTimer(20, 1);
  RunUntilFired(1);
  EXPECT_EQ(fired, std::vector<int>{20});
}

TEST_F(LoopTimersTest, KilledTimerNeverFires) {
  timers.ArmTimer(10, 1);
  timers.KillTimer(10);
  timers.KillTimer(99);  // never armed: nothing to do
  RunFor(200ms);
  EXPECT_TRUE(fired.empty());
  EXPECT_FALSE(timers.IsArmed(10));
}

// Both timers expire in the same pass of the loop, so the second expiry is
// already queued when the first callback kills (or re-arms) it.
TEST_F(LoopTimersTest, NoCallbackForAnExpiryQueuedBeforeKillOrRearm) {
  for (bool rearm : {false, true}) {
    SCOPED_TRACE(rearm ? "re-arm" : "kill");
    fired.clear();
    onExpiry = [&](int id) {
      fired.push_back(id);
      int other = id == 1 ? 2 : 1;
      if (rearm) {
        timers.ArmTimer(other, 100000);
      } else {
        timers.KillTimer(other);
      }
    };
    timers.ArmTimer(1, 0);
    timers.ArmTimer(2, 0);
    RunUntilFired(1);
    RunFor(100ms);
    EXPECT_EQ(fired.size(), 1u);
    timers.KillTimer(1);
    timers.KillTimer(2);
  }
}

TEST_F(LoopTimersTest, CallbackMayArmItsOwnIdAgain) {
  onExpiry = [&](int id) {
    fired.push_back(id);
    if (fired.size() < 3) timers.ArmTimer(id, 1);
  };
  timers.ArmTimer(30, 1);
  RunUntilFired(3);
  RunFor(50ms);
  EXPECT_EQ(fired, (std::vector<int>{30, 30, 30}));
}

TEST(LoopTimersLifetime, NoCallbackAfterDestruction) {
  asio::io_context loop;
  int calls = 0;
  {
    LoopTimers timers(loop, [&](int) { ++calls; });
    timers.ArmTimer(10, 0);
    timers.ArmTimer(20, 5);
  }
  loop.run_for(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace kavorin
