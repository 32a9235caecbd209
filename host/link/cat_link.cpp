#include "host/link/cat_link.hpp"

#include <algorithm>

#include "host/link/frame.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin {
namespace {

bool IsEndByte(std::uint8_t byte) { return byte == EOT || byte == DLE || byte == NAK; }

}  // namespace

CatLink::CatLink(SerialPort& port, TimerHost& timers) : port_(port), timers_(timers) {}

bool CatLink::SetRequest(std::string_view frame) {
  const std::string_view text = frame.substr(0, frame.find('\0'));
  if (text.size() > kBufferSize - 1) return false;
  request_.fill(0);
  std::copy(text.begin(), text.end(), request_.begin());
  request_length_ = static_cast<int>(text.size());
  return true;
}

bool CatLink::SetRequestBytes(std::span<const std::uint8_t> frame) {
  if (frame.size() > kBufferSize) return false;
  request_.fill(0);
  std::copy(frame.begin(), frame.end(), request_.begin());
  request_length_ = static_cast<int>(frame.size());
  return true;
}

std::span<const std::uint8_t> CatLink::request() const {
  return {request_.data(), static_cast<std::size_t>(std::max(request_length_, 0))};
}

std::span<const std::uint8_t> CatLink::response() const {
  return {response_.data(), static_cast<std::size_t>(std::max(response_length_, 0))};
}

int CatLink::OpenComPort() {
  if (!notify_target_ || port_name_.size() < 2) return kOpenNoTarget;
  port_.Close();
  queue_.Clear();
  if (!port_.Open(port_name_, LineSettings{}, *this)) return kOpenFailed;
  port_open_ = 1;
  sent_flag_ = 0;
  request_.fill(0);
  response_.fill(0);
  receive_.fill(0);
  receive_length_ = -1;
  request_length_ = -1;
  response_length_ = -1;
  timer_phase_ = kNoTimerExpired;
  state_ = kStateInitial;
  response_acked_ = false;
  device_lost_reason_.clear();
  return kOpenOk;
}

void CatLink::CloseComPort() {
  port_.Close();
  // Bytes left queued by a failed exchange (noise without an end byte) would
  // otherwise sit in front of the next exchange's ACK and fail it too.
  queue_.Clear();
  receive_.fill(0);
  receive_length_ = -1;
  port_open_ = 0;
  sent_flag_ = -1;
  // An exchange's waits must not outlive it: left armed, they would fire
  // into the next exchange and make it stop before its request or ignore its
  // response.
  KillExchangeTimers();
}

void CatLink::ResetLink() {
  notify_target_ = false;
  port_name_.clear();
  port_open_ = 0;
  sent_flag_ = -1;
  request_length_ = -1;
  response_length_ = -1;
  timer_phase_ = kNoTimerExpired;
  state_ = kStateInitial;
  response_acked_ = false;
  device_lost_reason_.clear();
  request_.fill(0);
  response_.fill(0);
  receive_.fill(0);
  port_.Close();
  queue_.Clear();
  KillExchangeTimers();
  // A start timer armed before the reset would send ENQ for a request the
  // reset has just cleared.
  timers_.KillTimer(kTimerStartExchange);
}

void CatLink::KillExchangeTimers() {
  timers_.KillTimer(kTimerAckWait);
  timers_.KillTimer(kTimerResponseWait);
  timers_.KillTimer(kTimerEotWait);
}

void CatLink::ClearReceiveBuffer() {
  receive_.fill(0);
  receive_length_ = 0;
}

void CatLink::Transmit(std::span<const std::uint8_t> bytes) {
  if (port_.Send(bytes)) {
    sent_flag_ = 1;
  } else {
    CloseComPort();
  }
}

void CatLink::SendToCAT() {
  if (sent_flag_ == 0) {
    state_ = kStateEnqSent;
    const std::uint8_t enq[] = {ENQ};
    Transmit(enq);
    return;
  }
  const std::uint8_t first = receive_[0];
  if (first == ACK) {
    state_ = kStateRequestSent;
    // An ACK that comes after the ACK wait has expired sends nothing.
    if (timer_phase_ != kAckWaitExpired && request_length_ > 0) {
      Transmit(request());
    }
  } else if (IsEndByte(first)) {
    ClearReceiveBuffer();
    CloseComPort();
  } else if (first == STX && receive_length_ >= 2 && receive_[static_cast<std::size_t>(receive_length_ - 2)] == ETX) {
    state_ = kStateResponseAnswered;
    // A response that comes after the response wait has expired is neither
    // checked nor answered.
    if (timer_phase_ != kResponseWaitExpired) {
      const int check = CheckResponse();
      if (check == 0 || check == 1) {
        const std::uint8_t answer[] = {check == 0 ? ACK : NAK};
        response_acked_ = check == 0;
        Transmit(answer);
        // A NAKed frame waits for its repeat under the response wait.
        if (response_acked_ && port_open_ == 1) timers_.ArmTimer(kTimerEotWait, kEotWaitMs);
      }
    }
  }
}

void CatLink::RecvFromCAT() {
  const auto q = queue_.bytes();
  const std::size_t n = q.size();
  if (n == 0) return;

  auto take_control_byte = [this](std::uint8_t byte, int state) {
    receive_.fill(0);
    receive_[0] = byte;
    receive_length_ = 1;
    queue_.Clear();
    state_ = state;
  };

  if (q[0] == ACK) {
    take_control_byte(ACK, kStateAckReceived);  // bytes after the ACK go with the queue
  } else if (q[0] == STX && n >= 2 && q[n - 2] == ETX) {
    receive_.fill(0);
    std::copy(q.begin(), q.end(), receive_.begin());
    receive_length_ = static_cast<int>(n);
    queue_.Clear();
    state_ = kStateResponseReceived;
  } else if (q[0] == NAK) {
    take_control_byte(NAK, kStateNakReceived);
  } else if (q[0] == EOT) {
    take_control_byte(EOT, kStateEotReceived);
  } else if (q[0] == DLE) {
    take_control_byte(DLE, kStateDleReceived);
  } else {
    const auto end = std::find_if(q.begin(), q.end(), IsEndByte);
    // Nothing to act on yet: a frame arriving in pieces waits here for the
    // rest of its bytes.
    if (end == q.end()) return;
    take_control_byte(*end, kStateGarbage);
  }
  SendToCAT();
}

int CatLink::CheckResponse() {
  if (receive_length_ <= 0) return -1;
  const auto length = static_cast<std::size_t>(receive_length_);
  int result = 1;
  if (length >= 2 &&
      Lrc({reinterpret_cast<const char*>(receive_.data()) + 1, length - 2}) == receive_[length - 1]) {
    response_.fill(0);
    std::copy_n(receive_.begin(), length, response_.begin());
    response_length_ = receive_length_;
    result = 0;
  }
  ClearReceiveBuffer();
  return result;
}

void CatLink::SendDleReset() {
  state_ = kStateEnqSent;
  const std::uint8_t reset[] = {DLE, DLE, DLE};
  Transmit(reset);
}

void CatLink::OnStartTimer() {
  timers_.KillTimer(kTimerStartExchange);
  SendToCAT();
  // Both waits count from the ENQ.
  timers_.ArmTimer(kTimerAckWait, kAckWaitMs);
  timers_.ArmTimer(kTimerResponseWait, kResponseWaitMs);
}

void CatLink::OnAckTimer() {
  timers_.KillTimer(kTimerAckWait);
  if (state_ == kStateEnqSent) CloseComPort();
  timer_phase_ = kAckWaitExpired;
}

void CatLink::OnResponseTimer() {
  timers_.KillTimer(kTimerResponseWait);
  if (state_ == kStateRequestSent) CloseComPort();
  timer_phase_ = kResponseWaitExpired;
}

void CatLink::OnEotWaitTimer() {
  timers_.KillTimer(kTimerEotWait);
  if (port_open_ == 1 && state_ == kStateResponseAnswered && response_acked_) EndAsIfEot();
}

void CatLink::EndAsIfEot() {
  state_ = kStateEotReceived;
  ClearReceiveBuffer();
  CloseComPort();
}

bool CatLink::OnTimer(int id) {
  switch (id) {
    case kTimerStartExchange:
      OnStartTimer();
      return true;
    case kTimerAckWait:
      OnAckTimer();
      return true;
    case kTimerResponseWait:
      OnResponseTimer();
      return true;
    case kTimerEotWait:
      OnEotWaitTimer();
      return true;
    default:
      return false;
  }
}

bool CatLink::QueueReceived(std::span<const std::uint8_t> batch) {
  if (!notify_target_) return false;
  return queue_.AppendBatch(batch);
}

void CatLink::DataArrived() {
  if (notify_target_ && !queue_.empty()) RecvFromCAT();
}

void CatLink::DeviceLost(const std::string& reason) {
  if (port_open_ != 1) return;
  device_lost_reason_ = reason;
  if (device_lost_notice_) device_lost_notice_(reason);
  // An ACKed approval stands: the line went away where the EOT would have
  // come, and losing the answer now could charge the card twice.
  if (state_ == kStateResponseAnswered && response_acked_) {
    EndAsIfEot();
    return;
  }
  state_ = kStateDeviceLost;
  CloseComPort();
}

}  // namespace kavorin
