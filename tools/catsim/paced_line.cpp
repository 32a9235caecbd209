#include "tools/catsim/paced_line.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "tools/catsim/wire.hpp"

namespace catsim {

namespace {

// The terminal waits this long for an XON before it sends on regardless.
constexpr auto kLongestHold = std::chrono::seconds(2);

int MillisecondsUntil(Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) return -1;
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

// Points `link` at `target`, replacing an earlier link in one step.
bool PointLink(const std::string& link, const std::string& target, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path(link);
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  if (fs::exists(fs::symlink_status(path)) && !fs::is_symlink(fs::symlink_status(path))) {
    error = link + " exists and is not a symlink; not replacing it";
    return false;
  }
  fs::path temporary = path;
  temporary += ".catsim-" + std::to_string(::getpid());
  fs::remove(temporary, ec);
  fs::create_symlink(target, temporary, ec);
  if (!ec) fs::rename(temporary, path, ec);
  if (ec) {
    error = "symlink " + link + " -> " + target + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace

PacedLine::PacedLine(LineOptions options, std::function<void(WireEvent::Kind, std::string)> onWire,
                     std::function<void(char)> onTaken)
    : options_(std::move(options)), on_wire_(std::move(onWire)), on_taken_(std::move(onTaken)) {}

bool PacedLine::OpenLine(std::string& error) {
  return options_.device.empty() ? line_.OpenPty(error) : line_.OpenDevice(options_.device, options_.baud, error);
}

bool PacedLine::Open(std::string& error) {
  if (!OpenLine(error)) return false;
  return options_.linkPath.empty() || !line_.isPty() || PointLink(options_.linkPath, line_.hostPath(), error);
}

bool PacedLine::HangUp(std::string& error) {
  Unlink();
  line_.Close();
  inbox_.clear();
  held_ = false;
  if (!OpenLine(error)) {
    stopping_ = true;
    return false;
  }
  if (!options_.linkPath.empty() && line_.isPty()) PointLink(options_.linkPath, line_.hostPath(), error);
  return true;
}

void PacedLine::Unlink() {
  const std::string& link = options_.linkPath;
  if (link.empty()) return;
  std::error_code ec;
  if (std::filesystem::is_symlink(link, ec) && std::filesystem::read_symlink(link, ec) == line_.hostPath()) {
    std::filesystem::remove(link, ec);
  }
}

std::optional<char> PacedLine::Next(Clock::time_point deadline) {
  while (inbox_.empty()) {
    if (stopping_ || !WaitInput(deadline)) return std::nullopt;
  }
  char byte = inbox_.front();
  inbox_.pop_front();
  on_taken_(byte);
  return byte;
}

bool PacedLine::WaitInput(Clock::time_point deadline) {
  pollfd fds[2] = {{line_.fd(), POLLIN, 0}, {stop_fd_, POLLIN, 0}};
  int ready = ::poll(fds, 2, MillisecondsUntil(deadline));
  if (fds[1].revents != 0) stopping_ = true;
  if (stopping_) return false;
  if (ready <= 0) return Clock::now() < deadline;
  if ((fds[0].revents & POLLIN) != 0) return ReadAvailable(), true;
  if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
    // Nobody holds the other end of a device: wait instead of spinning.
    ::poll(&fds[1], 1, 50);
  }
  return true;
}

void PacedLine::ReadAvailable() {
  char chunk[4096];
  for (;;) {
    ssize_t n = ::read(line_.fd(), chunk, sizeof chunk);
    if (n <= 0) return;
    std::string bytes(chunk, static_cast<std::size_t>(n));
    on_wire_(WireEvent::Kind::FromHost, bytes);
    for (char c : bytes) {
      // The host's line runs XON/XOFF: these two hold and release our
      // output and are not data.
      if (c == kXoff) {
        held_ = true;
      } else if (c == kXon) {
        held_ = false;
      } else {
        inbox_.push_back(c);
      }
    }
  }
}

bool PacedLine::Pause(Clock::time_point until) {
  while (!stopping_) {
    int wait = MillisecondsUntil(until);
    if (wait <= 0) return true;
    pollfd stop{stop_fd_, POLLIN, 0};
    if (::poll(&stop, 1, wait) > 0) stopping_ = true;
  }
  return false;
}

bool PacedLine::Write(std::string_view bytes, std::chrono::milliseconds slowByte) {
  using namespace std::chrono;
  auto interval = duration_cast<microseconds>(slowByte);
  if (options_.pacing && options_.baud > 0)
    interval += microseconds(10'000'000 / options_.baud);  // start + 8 data + stop bits
  if (interval.count() == 0) return WriteAll(bytes);
  const auto begin = Clock::now();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && !Pause(begin + interval * static_cast<long>(i))) return false;
    // Keep reading while sending slowly, so that an XOFF holds us.
    pollfd in{line_.fd(), POLLIN, 0};
    if (::poll(&in, 1, 0) > 0 && (in.revents & POLLIN) != 0) ReadAvailable();
    const auto holdUntil = Clock::now() + kLongestHold;
    while (held_ && Clock::now() < holdUntil && !stopping_) WaitInput(holdUntil);
    if (!WriteAll(bytes.substr(i, 1))) return false;
  }
  return true;
}

bool PacedLine::WriteAll(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (stopping_ || line_.fd() < 0) return false;
    ssize_t n = ::write(line_.fd(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      on_wire_(WireEvent::Kind::FromTerminal, std::string(bytes.substr(done, static_cast<std::size_t>(n))));
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd fds[2] = {{line_.fd(), POLLOUT, 0}, {stop_fd_, POLLIN, 0}};
    ::poll(fds, 2, 100);
    if (fds[1].revents != 0) stopping_ = true;
  }
  return true;
}

}  // namespace catsim
