#pragma once
// A pseudo terminal for channel tests: the test holds the master as the far
// end of the line. The slave is kept open and raw by the test as well, so
// the pair lives (and echoes nothing) between the channel's opens.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavorin::testing {

class PtyPair {
 public:
  PtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("posix_openpt");
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("ptsname_r");
    slave_path_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) throw std::runtime_error("open slave");
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return slave_path_; }
  int master() const { return master_; }

  void Write(const std::vector<std::uint8_t>& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
  }

  // Reads until `count` bytes came or `bound` passed.
  std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds bound) const {
    std::vector<std::uint8_t> got;
    auto until = std::chrono::steady_clock::now() + bound;
    std::uint8_t chunk[4096];
    while (got.size() < count && std::chrono::steady_clock::now() < until) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n > 0) got.insert(got.end(), chunk, chunk + n);
    }
    return got;
  }

  // Closes the master: the line hangs up for whoever holds the slave.
  void HangUp() {
    ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
};

}  // namespace kavorin::testing
