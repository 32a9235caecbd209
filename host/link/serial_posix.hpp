#pragma once
// The termios serial channel: fills the serial seam on a POSIX host, driven
// by the host's single asio loop.
//
// Open applies fixed line settings (the requested speed, 8N1, XON/XOFF both
// ways, raw, DTR and RTS on), purges both directions and takes the device
// for itself. Reads are sized by what the driver holds; each completed read
// is one batch for the sink, delivered on the loop thread. Send writes the
// whole buffer synchronously, waiting a bounded time for the line to drain.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "host/link/serial_port.hpp"

namespace asio {
class io_context;
}

namespace kavorin {

class SerialChannel final : public SerialPort {
 public:
  // Bytes one read takes at most, as the driver queue of the line settings.
  static constexpr std::size_t kReadBufferBytes = 4096;
  // How long Send waits for a line that takes no more bytes, in total.
  static constexpr std::chrono::milliseconds kDefaultWriteTimeout{1000};

  explicit SerialChannel(asio::io_context& loop);
  ~SerialChannel() override;
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  // `name` is a port name (COMn or an absolute path, see port_names.hpp).
  bool Open(const std::string& name, const LineSettings& settings, SerialSink& sink) override;
  bool Send(std::span<const std::uint8_t> data) override;
  void Close() override;
  bool IsOpen() const override;

  // Why the last Open or Send failed, or why reading stopped: the call, the
  // device and the OS's own text, e.g. "tcsetattr(/dev/ttyS0): Input/output
  // error". Empty after a successful Open.
  const std::string& LastError() const { return last_error_; }
  std::string FailureText() const override { return last_error_; }
  // The device the open port uses (after name resolution); empty when closed.
  const std::string& DevicePath() const { return device_path_; }
  // The open descriptor, for diagnostics; -1 when closed.
  int NativeHandle() const;

  void SetWriteTimeout(std::chrono::milliseconds timeout) { write_timeout_ = timeout; }

 private:
  struct Session;

  void StartRead(const std::shared_ptr<Session>& session);
  bool Fail(std::string call, int error);

  asio::io_context& loop_;
  std::shared_ptr<Session> session_;
  std::string last_error_;
  std::string device_path_;
  std::chrono::milliseconds write_timeout_ = kDefaultWriteTimeout;
};

}  // namespace kavorin
