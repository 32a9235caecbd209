#pragma once
// CatLink runs one exchange with the terminal at a time:
//
//   host ENQ → terminal ACK → host request frame → terminal response frame →
//   host ACK (good LRC) or NAK (bad LRC, the terminal repeats) → terminal EOT
//
// It is a pure state machine on the loop thread: it acts through the serial
// seam and the timer seam and is driven by timer expiries and received
// bytes, so every path can be tested with a fake port and a fake clock.
//
// Every end of an exchange closes the port; StatusCheck then reads why from
// `state` (kept by CloseComPort) and the caller opens the port again.
//
// Two endings do not wait for a timer: a device that goes away ends the
// exchange as soon as the channel sees it (kStateDeviceLost), and a good
// response the host has ACKed ends it kEotWaitMs later when no EOT comes,
// exactly as the EOT would have (the approval must not be lost for want of
// one).
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "host/link/receive_queue.hpp"
#include "host/link/serial_port.hpp"
#include "host/link/timer_host.hpp"

namespace kavorin {

// Link states.
enum LinkState : int {
  kStateInitial = -1,          // nothing exchanged since the last open or reset
  kStateEnqSent = 1,           // also: DLE reset sent
  kStateAckReceived = 2,
  kStateRequestSent = 3,       // or due to be sent
  kStateResponseReceived = 4,
  kStateResponseAnswered = 5,  // ACK or NAK sent for a response
  kStateEotReceived = 6,
  kStateDleReceived = 7,
  kStateGarbage = 8,           // other bytes first, then EOT, DLE or NAK
  kStateNakReceived = 9,
  // The device went away while open (a hang-up, a read error): the exchange
  // ended at once, and StatusCheck reports the other end's ending (-100).
  kStateDeviceLost = 10,
};

// timerPhase values.
inline constexpr int kNoTimerExpired = -1;
inline constexpr int kAckWaitExpired = 1;
inline constexpr int kResponseWaitExpired = 2;

// OpenComPort results.
inline constexpr int kOpenOk = 0;
inline constexpr int kOpenNoTarget = -1;  // no notify target or a name under 2 characters
inline constexpr int kOpenInitFailed = -2;
inline constexpr int kOpenFailed = -3;

class CatLink : public SerialSink {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  CatLink(SerialPort& port, TimerHost& timers);
  CatLink(const CatLink&) = delete;
  CatLink& operator=(const CatLink&) = delete;

  // The request frame of the next exchange. SetRequest takes a text frame
  // (at most 8191 bytes, as it travels NUL-terminated), SetRequestBytes a
  // binary one (at most 8192). A longer frame is refused and the stored
  // request stays as it was.
  bool SetRequest(std::string_view frame);
  bool SetRequestBytes(std::span<const std::uint8_t> frame);

  // Where received bytes go and which port to open: set by StartComPort,
  // cleared by ResetLink. Bytes that arrive without a notify target are read
  // and dropped.
  void SetNotifyTarget(bool enabled) { notify_target_ = enabled; }
  void SetPortName(std::string name) { port_name_ = std::move(name); }
  const std::string& portName() const { return port_name_; }

  int OpenComPort();
  void CloseComPort();
  void ResetLink();

  void SendToCAT();
  void RecvFromCAT();
  int CheckResponse();
  void SendDleReset();

  // Timer expiries of the exchange; OnTimer routes ids 10, 20 and 30 and
  // answers false for any other id.
  void OnStartTimer();
  void OnAckTimer();
  void OnResponseTimer();
  void OnEotWaitTimer();
  bool OnTimer(int id);

  // SerialSink: called by the port on the loop thread.
  bool QueueReceived(std::span<const std::uint8_t> batch) override;
  void DataArrived() override;
  void DeviceLost(const std::string& reason) override;

  int portOpen() const { return port_open_; }
  int state() const { return state_; }
  int sentFlag() const { return sent_flag_; }
  int timerPhase() const { return timer_phase_; }
  int requestLength() const { return request_length_; }
  int responseLength() const { return response_length_; }
  int receiveLength() const { return receive_length_; }
  std::span<const std::uint8_t> request() const;
  std::span<const std::uint8_t> response() const;
  const ReceiveQueue& receiveQueue() const { return queue_; }
  // Why the device went away, as the channel told it; empty otherwise.
  const std::string& deviceLostReason() const { return device_lost_reason_; }
  // Told the reason whenever an open device goes away.
  void SetDeviceLostNotice(std::function<void(const std::string&)> notice) { device_lost_notice_ = std::move(notice); }

 private:
  void ClearReceiveBuffer();
  // Writes `bytes`; on success sentFlag = 1, on failure the port is closed.
  void Transmit(std::span<const std::uint8_t> bytes);
  void KillExchangeTimers();
  // The end of an exchange whose good response the host has ACKed.
  void EndAsIfEot();

  SerialPort& port_;
  TimerHost& timers_;

  int sent_flag_ = -1;
  int timer_phase_ = kNoTimerExpired;
  int state_ = kStateInitial;
  int port_open_ = 0;
  std::array<std::uint8_t, kBufferSize> response_{};
  std::array<std::uint8_t, kBufferSize> request_{};
  int request_length_ = -1;
  int response_length_ = -1;
  std::array<std::uint8_t, kBufferSize> receive_{};
  int receive_length_ = -1;
  std::string port_name_;
  bool notify_target_ = false;
  // The last answer to a response was an ACK (its frame is the response).
  bool response_acked_ = false;
  std::string device_lost_reason_;
  std::function<void(const std::string&)> device_lost_notice_;
  ReceiveQueue queue_;
};

}  // namespace kavorin
