#include "host/link/loop_timers_posix.hpp"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <map>
#include <utility>

namespace kavorin {

namespace {

struct Timer {
  explicit Timer(asio::io_context& loop) : timer(loop) {}
  asio::steady_timer timer;
  // Bumped by every arm and kill. An expiry that cancel() could no longer
  // stop (it was already queued) carries an older generation and is dropped.
  std::uint64_t generation = 0;
  bool armed = false;
};

}  // namespace

struct LoopTimers::State {
  State(asio::io_context& context, std::function<void(int)> callback)
      : loop(context), onExpiry(std::move(callback)) {}
  asio::io_context& loop;
  std::function<void(int)> onExpiry;
  std::map<int, Timer> timers;
};

LoopTimers::LoopTimers(asio::io_context& loop, std::function<void(int id)> onExpiry)
    : state_(std::make_shared<State>(loop, std::move(onExpiry))) {}

LoopTimers::~LoopTimers() {
  for (auto& [id, entry] : state_->timers) {
    ++entry.generation;
    entry.armed = false;
    entry.timer.cancel();
  }
}

void LoopTimers::ArmTimer(int id, int milliseconds) {
  Timer& entry = state_->timers.try_emplace(id, state_->loop).first->second;
  entry.timer.cancel();
  const std::uint64_t generation = ++entry.generation;
  entry.armed = true;
  entry.timer.expires_after(std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds));
  std::weak_ptr<State> weak = state_;
  entry.timer.async_wait([weak, id, generation](const asio::error_code&) {
    std::shared_ptr<State> state = weak.lock();
    if (!state) return;
    auto found = state->timers.find(id);
    if (found == state->timers.end() || found->second.generation != generation || !found->second.armed) return;
    found->second.armed = false;
    if (state->onExpiry) state->onExpiry(id);
  });
}

void LoopTimers::KillTimer(int id) {
  auto found = state_->timers.find(id);
  if (found == state_->timers.end()) return;
  ++found->second.generation;
  found->second.armed = false;
  found->second.timer.cancel();
}

bool LoopTimers::IsArmed(int id) const {
  auto found = state_->timers.find(id);
  return found != state_->timers.end() && found->second.armed;
}

}  // namespace kavorin
