#pragma once
// The serial seam: what the link needs of a serial port. The termios channel
// (serial_posix.cpp), the Win32 channel (serial_win32.cpp) and the test fake
// each fill it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kavorin {

// Line settings the link always asks for. Flow control (XON/XOFF both ways),
// DTR and RTS are fixed by the channel itself.
struct LineSettings {
  int baudRate = 9600;
  int parity = 0;    // none
  int byteSize = 8;
  int stopBits = 0;  // one
};

// Receives what the port reads, always on the loop thread.
class SerialSink {
 public:
  virtual ~SerialSink() = default;
  // One batch of bytes read together. Returns false when the batch was
  // dropped (the receive queue could not take all of it).
  virtual bool QueueReceived(std::span<const std::uint8_t> batch) = 0;
  // Every batch of one read is queued; the link may now look at them.
  virtual void DataArrived() = 0;
  // The device went away while open (a hang-up, or a read error other than
  // one Close caused): the channel has stopped reading. Loop thread.
  virtual void DeviceLost(const std::string& reason) { (void)reason; }
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens `name` with `settings`; fails when already open. Received bytes go
  // to `sink` until Close.
  virtual bool Open(const std::string& name, const LineSettings& settings, SerialSink& sink) = 0;
  // Writes every byte or reports failure; never blocks without bound.
  virtual bool Send(std::span<const std::uint8_t> data) = 0;
  // Stops reading and closes the device; safe to call from inside
  // SerialSink::DataArrived and when not open. No callback follows it.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Why the last Open or Send failed, naming the call and the system's own
  // error, for the host's diagnostics; empty when nothing failed.
  virtual std::string FailureText() const { return {}; }
};

}  // namespace kavorin
