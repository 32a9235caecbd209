#pragma once
// The timer seam: one-shot timers by id on the loop thread, the analog of a
// window's SetTimer/KillTimer. Arming a pending id restarts it. Expiry is
// reported by the platform to whoever owns the id.

namespace kavorin {

class TimerHost {
 public:
  virtual ~TimerHost() = default;
  virtual void ArmTimer(int id, int milliseconds) = 0;
  virtual void KillTimer(int id) = 0;
};

// Timer ids and periods of the exchange.
inline constexpr int kTimerAckWait = 10;
inline constexpr int kTimerResponseWait = 20;
inline constexpr int kTimerStartExchange = 30;
inline constexpr int kTimerTerminate = 40;
inline constexpr int kTimerEotWait = 50;

inline constexpr int kAckWaitMs = 1000;
inline constexpr int kResponseWaitMs = 52000;
inline constexpr int kStartExchangeMs = 10;
inline constexpr int kTerminateMs = 500;
// After the host has ACKed a good response, how long it waits for the
// terminal's EOT before it ends the exchange as if the EOT had come. The
// approval is in hand by then; waiting on would only lose it.
inline constexpr int kEotWaitMs = 3000;

}  // namespace kavorin
