#include "host/link/logged_serial_port.hpp"

namespace kavorin {

bool LoggedSerialPort::Open(const std::string& name, const LineSettings& settings, SerialSink& sink) {
  if (log_ == nullptr) return inner_.Open(name, settings, sink);
  const bool was_open = inner_.IsOpen();
  SerialSink* const previous = sink_;
  sink_ = &sink;
  const bool opened = inner_.Open(name, settings, *this);
  if (opened) {
    log_->Event("open " + name);
  } else {
    // Refused while open: the open session keeps its sink.
    if (was_open) sink_ = previous;
    log_->Event("open " + name + " failed: " + inner_.FailureText());
  }
  return opened;
}

bool LoggedSerialPort::Send(std::span<const std::uint8_t> data) {
  if (log_ == nullptr) return inner_.Send(data);
  // Logged before it goes: a write that hangs up the line still shows.
  log_->Bytes(WireDirection::kHostToTerminal, data);
  log_->EndBatch(WireDirection::kHostToTerminal);
  const bool sent = inner_.Send(data);
  if (!sent) log_->Event("send failed: " + inner_.FailureText());
  return sent;
}

void LoggedSerialPort::Close() {
  const bool was_open = inner_.IsOpen();
  inner_.Close();
  if (log_ != nullptr && was_open) {
    log_->Flush();
    log_->Event("close");
  }
}

bool LoggedSerialPort::QueueReceived(std::span<const std::uint8_t> batch) {
  log_->Bytes(WireDirection::kTerminalToHost, batch);
  return sink_->QueueReceived(batch);
}

void LoggedSerialPort::DataArrived() {
  log_->EndBatch(WireDirection::kTerminalToHost);
  sink_->DataArrived();
}

void LoggedSerialPort::DeviceLost(const std::string& reason) {
  log_->Flush();
  log_->Event("device lost: " + reason);
  sink_->DeviceLost(reason);
}

}  // namespace kavorin
