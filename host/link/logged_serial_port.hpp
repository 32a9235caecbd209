#pragma once
// A serial port that shows its wire to the frame log: every byte written and
// read, the open, the close and a lost device. Without a log it only passes
// calls through. Sits between the link and the platform's channel, on the
// loop thread like both of them.
#include "host/link/frame_log.hpp"
#include "host/link/serial_port.hpp"

namespace kavorin {

class LoggedSerialPort final : public SerialPort, private SerialSink {
 public:
  // `log` may be null (the frame log is off); both outlive this port.
  LoggedSerialPort(SerialPort& inner, FrameLog* log) : inner_(inner), log_(log) {}
  LoggedSerialPort(const LoggedSerialPort&) = delete;
  LoggedSerialPort& operator=(const LoggedSerialPort&) = delete;

  bool Open(const std::string& name, const LineSettings& settings, SerialSink& sink) override;
  bool Send(std::span<const std::uint8_t> data) override;
  void Close() override;
  bool IsOpen() const override { return inner_.IsOpen(); }
  std::string FailureText() const override { return inner_.FailureText(); }

 private:
  bool QueueReceived(std::span<const std::uint8_t> batch) override;
  void DataArrived() override;
  void DeviceLost(const std::string& reason) override;

  SerialPort& inner_;
  FrameLog* log_;
  SerialSink* sink_ = nullptr;
};

}  // namespace kavorin
