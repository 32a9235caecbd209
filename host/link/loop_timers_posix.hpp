#pragma once
// The timer seam over the host's asio loop: one steady_timer an id, expiry
// reported to one callback on the loop thread.
#include <functional>
#include <memory>

#include "host/link/timer_host.hpp"

namespace asio {
class io_context;
}

namespace kavorin {

class LoopTimers final : public TimerHost {
 public:
  LoopTimers(asio::io_context& loop, std::function<void(int id)> onExpiry);
  ~LoopTimers();
  LoopTimers(const LoopTimers&) = delete;
  LoopTimers& operator=(const LoopTimers&) = delete;

  // Arming a pending id restarts it; a negative period counts as 0.
  void ArmTimer(int id, int milliseconds) override;
  // After KillTimer the id's callback does not run, even if its expiry was
  // already queued on the loop.
  void KillTimer(int id) override;
  bool IsArmed(int id) const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kavorin
