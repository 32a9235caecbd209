#pragma once
// The line as the terminal's exchanges use it: bytes from the host one at a
// time with a deadline, bytes to the host paced at the baud rate (10 bits a
// byte) and held while the host's XOFF stands, a hang-up that offers a fresh
// line at the same link. Every read and write can be cut short by the stop
// descriptor. Runs on the terminal's thread only.
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tools/catsim/line.hpp"
#include "tools/catsim/recorder.hpp"

namespace catsim {

using Clock = std::chrono::steady_clock;

struct LineOptions {
  std::string device;    // speak on this device; empty: a new pty
  std::string linkPath;  // a symlink to the pty's slave; empty: none
  int baud = 9600;
  bool pacing = true;
};

class PacedLine {
 public:
  // `onWire` sees every byte read or written; `onTaken` every data byte
  // Next() hands out, in order.
  PacedLine(LineOptions options, std::function<void(WireEvent::Kind, std::string)> onWire,
            std::function<void(char)> onTaken);
  PacedLine(const PacedLine&) = delete;
  PacedLine& operator=(const PacedLine&) = delete;

  void SetStopFd(int fd) { stop_fd_ = fd; }
  bool Open(std::string& error);
  // Ends the line as a pulled cable would and opens a fresh one at the same
  // link; false (with the reason) when none could be opened.
  bool HangUp(std::string& error);
  // Removes the link when it still points at this line.
  void Unlink();

  // The next data byte; nothing on time-out or stop.
  std::optional<char> Next(Clock::time_point deadline);
  // Sleeps until `until` unless the simulator stops (then false).
  bool Pause(Clock::time_point until);
  // Paced, with `slowByte` more between bytes; false when the line is gone
  // or the simulator stops.
  bool Write(std::string_view bytes, std::chrono::milliseconds slowByte);

  bool stopping() const { return stopping_; }
  const std::string& hostPath() const { return line_.hostPath(); }

 private:
  bool WaitInput(Clock::time_point deadline);
  void ReadAvailable();
  bool WriteAll(std::string_view bytes);
  bool OpenLine(std::string& error);

  LineOptions options_;
  std::function<void(WireEvent::Kind, std::string)> on_wire_;
  std::function<void(char)> on_taken_;
  Line line_;
  int stop_fd_ = -1;
  std::deque<char> inbox_;
  bool held_ = false;
  bool stopping_ = false;
};

}  // namespace catsim
