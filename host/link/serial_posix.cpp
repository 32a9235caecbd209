#include "host/link/serial_posix.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif

#include <array>
#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "contract/posix/port_names_posix.hpp"

namespace kavorin {

namespace {

constexpr cc_t kXon = 0x11;
constexpr cc_t kXoff = 0x13;

// Windows parity and stop-bit values, which callers of the seam pass.
constexpr int kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4;
constexpr int kOneStopBit = 0, kTwoStopBits = 2;

std::optional<speed_t> SpeedOf(int baud) {
  static constexpr std::array<std::pair<int, speed_t>, 19> kSpeeds{{
      {50, B50},       {75, B75},       {110, B110},     {134, B134},     {150, B150},
      {200, B200},     {300, B300},     {600, B600},     {1200, B1200},   {1800, B1800},
      {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200}, {38400, B38400},
      {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
  }};
  for (const auto& [rate, speed] : kSpeeds) {
    if (rate == baud) return speed;
  }
  return std::nullopt;
}

std::optional<tcflag_t> CharacterSizeOf(int bits) {
  switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default: return std::nullopt;
  }
}

// Everything the line discipline could do to the bytes is switched off; only
// XON/XOFF stays, in both directions, as the terminal expects.
std::string ApplyLineSettings(termios& tio, const LineSettings& settings) {
  std::optional<speed_t> speed = SpeedOf(settings.baudRate);
  if (!speed) return "unsupported baud rate " + std::to_string(settings.baudRate);
  std::optional<tcflag_t> size = CharacterSizeOf(settings.byteSize);
  if (!size) return "unsupported byte size " + std::to_string(settings.byteSize);
  if (settings.stopBits != kOneStopBit && settings.stopBits != kTwoStopBits) {
    return "unsupported stop bits " + std::to_string(settings.stopBits);
  }

  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXANY | INPCK | IUCLC | IMAXBEL);
  tio.c_iflag |= IXON | IXOFF;
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= *size | CREAD | CLOCAL;
  switch (settings.parity) {
    case kParityNone: break;
    case kParityOdd: tio.c_cflag |= PARENB | PARODD; break;
    case kParityEven: tio.c_cflag |= PARENB; break;
    case kParityMark: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case kParitySpace: tio.c_cflag |= PARENB | CMSPAR; break;
    default: return "unsupported parity " + std::to_string(settings.parity);
  }
  if (settings.parity != kParityNone) tio.c_iflag |= INPCK;
  if (settings.stopBits == kTwoStopBits) tio.c_cflag |= CSTOPB;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  tio.c_cc[VSTART] = kXon;
  tio.c_cc[VSTOP] = kXoff;
  cfsetispeed(&tio, *speed);
  cfsetospeed(&tio, *speed);
  return {};
}

// The exclusive flag (TIOCEXCL) lives on the tty, not on our descriptor, and
// only a close that clears it (Close does) takes it away. A host killed with
// the port open would leave it set for as long as anything else holds the
// tty (the program at the other end of a pty, another process with the
// device open), and every later opener that is not root would get EBUSY.
// So each open port gets a guard: a small process that shares the open
// device and waits on a pipe. Close tells it to go; if the host's end of
// the pipe closes without a word (the host died), the guard clears the flag
// on the shared descriptor and goes. It holds nothing else.
struct PortGuard {
  int pipe = -1;  // the host's end; a byte means "the host closed the port itself"
};

void CloseEverythingFrom(int first) {
#if defined(__linux__) && defined(SYS_close_range)
  if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0U, 0) == 0) return;
#endif
  for (int fd = first; fd < 1024; ++fd) ::close(fd);
}

// In the guard process: only async-signal-safe calls from here on.
[[noreturn]] void RunGuard(int pipe_read, int device) {
  // Descriptors 0 and 1 become the pipe and the device; nothing else stays.
  const int pipe_copy = ::fcntl(pipe_read, F_DUPFD, 3);
  const int device_copy = ::fcntl(device, F_DUPFD, 3);
  if (pipe_copy < 0 || device_copy < 0 || ::dup2(pipe_copy, 0) < 0 || ::dup2(device_copy, 1) < 0) ::_exit(1);
  CloseEverythingFrom(2);
  // Its own session: a signal to the host's process group (Ctrl-C) must not
  // take the guard away before the host has closed the port.
  ::setsid();
#if defined(__linux__)
  ::prctl(PR_SET_NAME, "KAVORIN-guard", 0, 0, 0);
#endif
  char word = 0;
  ssize_t got;
  do {
    got = ::read(0, &word, 1);
  } while (got < 0 && errno == EINTR);
  if (got == 0) {
    // The lock first: an opener let in by the cleared flag must find the
    // lock free, or it fails on the lock with the flag already set.
    (void)::flock(1, LOCK_UN);
    (void)::ioctl(1, TIOCNXCL);
  }
  ::_exit(0);
}

// Starts the guard of `device`; a guard that cannot start leaves the port
// as it was before guards existed (Close still clears the flag).
PortGuard StartPortGuard(int device) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    // The guard is a grandchild, so that nobody has to reap it.
    if (::fork() != 0) ::_exit(0);
    RunGuard(ends[0], device);
  }
  ::close(ends[0]);
  if (child < 0) {
    ::close(ends[1]);
    return {};
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return {ends[1]};
}

// Close's word to the guard: the host cleared the flag itself.
void DismissPortGuard(PortGuard& guard) {
  if (guard.pipe < 0) return;
  const char done = 'c';
  [[maybe_unused]] const ssize_t sent = ::write(guard.pipe, &done, 1);
  ::close(guard.pipe);
  guard.pipe = -1;
}

std::string ProcessName(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/comm");
  std::string name;
  std::getline(in, name);
  return name.empty() ? "?" : name;
}

// Who keeps an EBUSY port: a process holding its lock (as hosts do), else a
// process with the device open that this user may look at. Empty when the
// holder cannot be seen.
std::string FindPortHolder(const std::string& path) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0) return {};
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    // "1: FLOCK  ADVISORY  WRITE 4321 00:05:3 0 EOF"
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, where;
    fields >> number >> kind >> mode >> access >> pid >> where;
    if (kind != "FLOCK") continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    if (inode == device.st_ino && makedev(major, minor) == device.st_dev) return pid + " (" + ProcessName(pid) + ")";
  }
  char real[4096];
  if (::realpath(path.c_str(), real) == nullptr) return {};
  DIR* processes = ::opendir("/proc");
  if (processes == nullptr) return {};
  // Not ourselves: a copy of the device we inherited is not what keeps us out.
  const std::string own_pid = std::to_string(::getpid());
  std::string holder;
  while (const dirent* process = ::readdir(processes)) {
    const std::string pid = process->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == own_pid) continue;
    const std::string fds = "/proc/" + pid + "/fd";
    DIR* open_files = ::opendir(fds.c_str());
    if (open_files == nullptr) continue;
    while (const dirent* file = ::readdir(open_files)) {
      char target[4096];
      const ssize_t length = ::readlink((fds + "/" + file->d_name).c_str(), target, sizeof target - 1);
      if (length > 0 && std::string_view(target, static_cast<std::size_t>(length)) == real) {
        holder = pid + " (" + ProcessName(pid) + ")";
        break;
      }
    }
    ::closedir(open_files);
    if (!holder.empty()) break;
  }
  ::closedir(processes);
  return holder;
}

// What an administrator reads when the port is busy.
std::string BusyReason(const std::string& path) {
  const std::string holder = FindPortHolder(path);
  if (!holder.empty()) return " (the port is in use by process " + holder + ")";
  return " (the port is held exclusively by a process this user cannot see; it is free again when every "
         "program holding the device closes it)";
}

}  // namespace

struct SerialChannel::Session {
  Session(asio::io_context& loop, SerialSink& target) : descriptor(loop), sink(&target) {}

  asio::posix::stream_descriptor descriptor;
  SerialSink* sink;
  PortGuard guard;
  bool closed = false;
  std::array<std::uint8_t, kReadBufferBytes> buffer{};
};

SerialChannel::SerialChannel(asio::io_context& loop) : loop_(loop) {}

SerialChannel::~SerialChannel() { Close(); }

bool SerialChannel::IsOpen() const { return session_ != nullptr; }

int SerialChannel::NativeHandle() const {
  return session_ ? session_->descriptor.native_handle() : -1;
}

bool SerialChannel::Fail(std::string call, int error) {
  last_error_ = std::move(call) + "(" + device_path_ + "): " + std::strerror(error);
  return false;
}

bool SerialChannel::Open(const std::string& name, const LineSettings& settings, SerialSink& sink) {
  if (session_) {
    last_error_ = "open(" + name + "): the channel is already open on " + device_path_;
    return false;
  }
  PortResolution resolved = ResolvePortNameOnHost(name);
  if (!resolved.ok) {
    last_error_ = resolved.error;
    return false;
  }
  device_path_ = resolved.path;

  int fd = ::open(device_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    Fail("open", error);
    if (error == EBUSY) last_error_ += BusyReason(device_path_);
    device_path_.clear();
    return false;
  }
  // The exclusive flag is set only once the lock is ours, and taken away on
  // every failure after that: an opener that loses the race for the lock
  // (a root one, or one that got in between a dead host's guard clearing
  // the flag and letting go of the lock) must not leave the port shut to
  // every later opener that is not root.
  bool exclusive = false;
  auto fail = [&](const char* call, int error) {
    Fail(call, error);
    if (exclusive) (void)::ioctl(fd, TIOCNXCL);
    ::close(fd);
    device_path_.clear();
    return false;
  };

  // The lock keeps out a second opener running as root (another host, a
  // simulator pointed at the wrong end), as long as it locks too; TIOCEXCL
  // keeps out every other user, whether they lock or not.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    const std::string path = device_path_;
    fail("flock", error);
    if (error == EWOULDBLOCK) last_error_ += BusyReason(path);
    return false;
  }
  if (::ioctl(fd, TIOCEXCL) != 0) return fail("ioctl TIOCEXCL", errno);
  exclusive = true;
  if (::tcflush(fd, TCIOFLUSH) != 0) return fail("tcflush", errno);
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return fail("tcgetattr", errno);
  if (std::string refused = ApplyLineSettings(tio, settings); !refused.empty()) {
    const std::string path = device_path_;
    fail("open", EINVAL);
    last_error_ = "open(" + path + "): " + refused;
    return false;
  }
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail("tcsetattr", errno);
  // An XOFF the terminal sent to an earlier session leaves the tty's output
  // suspended, open after open, until an XON comes: every session starts
  // with output resumed. XON/XOFF itself stays on. TCOON alone resumes only
  // what TCOOFF suspended, so the pair it takes.
  if (::tcflow(fd, TCOOFF) != 0) return fail("tcflow(TCOOFF)", errno);
  if (::tcflow(fd, TCOON) != 0) return fail("tcflow(TCOON)", errno);
  // A pty has no modem lines and refuses this; the line works without them.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)::ioctl(fd, TIOCMBIS, &lines);

  asio::error_code ec;
  session_ = std::make_shared<Session>(loop_, sink);
  session_->descriptor.assign(fd, ec);
  if (ec) {
    session_.reset();
    return fail("assign", ec.value());
  }
  session_->guard = StartPortGuard(fd);
  last_error_.clear();
  StartRead(session_);
  return true;
}

void SerialChannel::StartRead(const std::shared_ptr<Session>& session) {
  session->descriptor.async_read_some(
      asio::buffer(session->buffer), [this, session](const asio::error_code& ec, std::size_t count) {
        // Close may have run while this completion was already queued: the
        // bytes belong to a port the link no longer has.
        if (session->closed) return;
        if (ec) {
          if (ec == asio::error::operation_aborted) return;
          // A hung-up line (EIO, or end of file on a tty) stays readable
          // forever; reading on would spin. The sink hears of it at once,
          // rather than from its own time-outs.
          last_error_ = "read(" + device_path_ + "): " +
                        (ec == asio::error::eof ? std::string("the line hung up") : ec.message());
          session->sink->DeviceLost(last_error_);
          return;
        }
        session->sink->QueueReceived(std::span<const std::uint8_t>(session->buffer.data(), count));
        if (session->closed) return;
        session->sink->DataArrived();
        if (session->closed) return;
        StartRead(session);
      });
}

bool SerialChannel::Send(std::span<const std::uint8_t> data) {
  if (!session_) {
    last_error_ = "write: the port is not open";
    return false;
  }
  const int fd = session_->descriptor.native_handle();
  std::size_t written = 0;
  // The time limit counts from the last progress, as the driver's write
  // time-out does per attempt: a long frame at 9600 baud takes seconds to
  // drain but keeps moving; a line that takes nothing for a whole period
  // (held off by XOFF, or gone) fails.
  auto deadline = std::chrono::steady_clock::now() + write_timeout_;
  while (written < data.size()) {
    ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      deadline = std::chrono::steady_clock::now() + write_timeout_;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail("write", errno);

    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      last_error_ = "write(" + device_path_ + "): no progress for " + std::to_string(write_timeout_.count()) +
                    " ms, " + std::to_string(written) + " of " + std::to_string(data.size()) + " bytes written";
      return false;
    }
    pollfd waiting{fd, POLLOUT, 0};
    int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return Fail("poll", errno);
    if (ready > 0 && (waiting.revents & POLLOUT) == 0 && (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      last_error_ = "write(" + device_path_ + "): the line hung up";
      return false;
    }
  }
  return true;
}

void SerialChannel::Close() {
  if (!session_) return;
  std::shared_ptr<Session> session = std::move(session_);
  session->closed = true;
  const int fd = session->descriptor.native_handle();
  asio::error_code ignored;
  session->descriptor.cancel(ignored);
  // Each step is tried whatever the one before did: clearing DTR fails on a
  // pty and on some USB adapters, and the descriptor must be closed anyway.
  int dtr = TIOCM_DTR;
  (void)::ioctl(fd, TIOCMBIC, &dtr);
  // The guard shares this open device, and so its lock: let go of the lock
  // before the guard is dismissed, or an open that follows at once would
  // find the port still locked until the guard has gone.
  (void)::flock(fd, LOCK_UN);
  DismissPortGuard(session->guard);
  // The exclusive flag lives on the tty, not on our descriptor: left set, it
  // would lock out the next opener that is not root.
  (void)::ioctl(fd, TIOCNXCL);
  session->descriptor.close(ignored);
  session->sink = nullptr;
  device_path_.clear();
}

}  // namespace kavorin
