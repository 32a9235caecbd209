#pragma once
// The simulator's end of the serial line: the master of a new pty (whose
// slave the host opens), or an existing device such as a USB adapter wired
// to the host's port by a null-modem cable.
#include <string>

namespace catsim {

class Line {
 public:
  Line() = default;
  ~Line() { Close(); }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // A new pty. The simulator keeps the slave open itself: the pair then
  // survives the host's close between exchanges (a pty whose slave nobody
  // holds reports a hang-up on the master), and the slave is raw (no echo)
  // before the host first opens it.
  bool OpenPty(std::string& error);
  // An existing device, set to raw `baud` 8N1 with XON/XOFF.
  bool OpenDevice(const std::string& path, int baud, std::string& error);
  // Hangs up: a pty ends for good (the host sees the line go).
  void Close();

  int fd() const { return fd_; }
  // The path the host opens: the pty's slave or the device.
  const std::string& hostPath() const { return host_path_; }
  bool isPty() const { return slave_fd_ >= 0; }

 private:
  int fd_ = -1;
  int slave_fd_ = -1;
  std::string host_path_;
};

}  // namespace catsim
