#pragma once
// A virtual clock for the timer seam: timers fire only when a test advances
// time, in deadline order, each at its own instant. Like window timers they
// repeat until killed, so a handler that forgets to kill its timer shows.
#include <functional>
#include <map>

#include "host/link/timer_host.hpp"

namespace kavorin::testing {

class FakeTimers : public TimerHost {
 public:
  std::function<void(int id)> onExpiry;

  void ArmTimer(int id, int milliseconds) override { timers_[id] = {now_ + milliseconds, milliseconds}; }
  void KillTimer(int id) override { timers_.erase(id); }

  bool IsArmed(int id) const { return timers_.count(id) != 0; }
  long long DueAt(int id) const { return timers_.at(id).due; }
  long long now() const { return now_; }

  // Runs every expiry up to now + milliseconds.
  void Advance(long long milliseconds) {
    const long long target = now_ + milliseconds;
    for (;;) {
      int next_id = 0;
      long long next_due = target + 1;
      for (const auto& [id, timer] : timers_) {
        if (timer.due < next_due) next_id = id, next_due = timer.due;
      }
      if (next_due > target) break;
      now_ = next_due;
      Timer& fired = timers_[next_id];
      fired.due += fired.period;  // repeats unless the handler kills it
      if (onExpiry) onExpiry(next_id);
    }
    now_ = target;
  }

 private:
  struct Timer {
    long long due = 0;
    int period = 0;
  };
  std::map<int, Timer> timers_;
  long long now_ = 0;
};

}  // namespace kavorin::testing
