#include "tools/catsim/line.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace catsim {

namespace {

std::string Failed(const char* call, const std::string& path) {
  return std::string(call) + "(" + path + "): " + std::strerror(errno);
}

speed_t SpeedOf(int baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
  }
}

bool MakeRaw(int fd, int baud, bool flowControl) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag |= CREAD | CLOCAL;
  if (flowControl) {
    tio.c_iflag |= IXON | IXOFF;
    tio.c_cc[VSTART] = 0x11;
    tio.c_cc[VSTOP] = 0x13;
  }
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, SpeedOf(baud));
  ::cfsetospeed(&tio, SpeedOf(baud));
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

bool Line::OpenPty(std::string& error) {
  Close();
  fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) {
    error = Failed("posix_openpt", "/dev/ptmx");
    return false;
  }
  char name[128] = {};
  if (::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0 || ::ptsname_r(fd_, name, sizeof name) != 0) {
    error = Failed("grantpt/unlockpt/ptsname", "/dev/ptmx");
    Close();
    return false;
  }
  host_path_ = name;
  slave_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  // Until the host sets its own, the slave must not echo or translate.
  if (slave_fd_ < 0 || !MakeRaw(slave_fd_, 9600, false)) {
    error = Failed("open", host_path_);
    Close();
    return false;
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  return true;
}

bool Line::OpenDevice(const std::string& path, int baud, std::string& error) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error = Failed("open", path);
    return false;
  }
  if (!MakeRaw(fd_, baud, true)) {
    error = Failed("tcsetattr", path);
    Close();
    return false;
  }
  host_path_ = path;
  return true;
}

void Line::Close() {
  if (slave_fd_ >= 0) ::close(slave_fd_);
  if (fd_ >= 0) ::close(fd_);
  slave_fd_ = fd_ = -1;
  host_path_.clear();
}

}  // namespace catsim
