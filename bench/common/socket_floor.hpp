#pragma once
// The floor under every host call on Linux: one request and one answer of a
// getter's sizes between two processes over a Unix stream socket, with no
// logic at either end (blocking write, blocking read, a child that echoes a
// fixed answer). Host call figures are printed as multiples of it, measured
// in the same run, since absolute figures differ a lot between machines.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace kavorin::bench {

// The sizes of a getter's frames: a call without arguments, and a reply
// with its result and a short text.
inline constexpr std::size_t kFloorRequestBytes = 11;
inline constexpr std::size_t kFloorReplyBytes = 28;

class SocketFloor {
 public:
  SocketFloor() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    child_ = ::fork();
    if (child_ == 0) {
      ::close(fds[0]);
      char request[256];
      const std::string reply(kFloorReplyBytes, 'r');
      for (;;) {
        const ssize_t n = ::read(fds[1], request, sizeof request);
        if (n <= 0) ::_exit(0);
        if (::write(fds[1], reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) ::_exit(1);
      }
    }
    ::close(fds[1]);
    fd_ = child_ > 0 ? fds[0] : -1;
  }
  ~SocketFloor() {
    if (fd_ >= 0) ::close(fd_);
    if (child_ > 0) ::waitpid(child_, nullptr, 0);
  }
  SocketFloor(const SocketFloor&) = delete;
  SocketFloor& operator=(const SocketFloor&) = delete;

  bool ready() const { return fd_ >= 0; }

  // One round trip; false when the echo child is gone.
  bool RoundTrip() {
    const std::string request(kFloorRequestBytes, 'q');
    if (::write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return false;
    char reply[kFloorReplyBytes];
    std::size_t got = 0;
    while (got < sizeof reply) {
      const ssize_t n = ::read(fd_, reply + got, sizeof reply - got);
      if (n <= 0) return false;
      got += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_ = -1;
  pid_t child_ = -1;
};

inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Samples of several ways to make a round trip, taken in turns (a batch of
// each per round) so that a busy moment of the machine falls on all alike.
struct RoundTripSeries {
  std::string name;
  bool (*once)(void* context) = nullptr;
  void* context = nullptr;
  std::vector<double> micros;
};

inline bool MeasureInTurns(std::vector<RoundTripSeries>& series, int rounds, int batch) {
  using Clock = std::chrono::steady_clock;
  for (int round = 0; round < rounds; ++round) {
    for (auto& one : series) {
      for (int i = 0; i < batch; ++i) {
        const auto start = Clock::now();
        if (!one.once(one.context)) {
          std::fprintf(stderr, "%s failed\n", one.name.c_str());
          return false;
        }
        // The first round warms caches and connections up; it is not kept.
        if (round > 0) one.micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      }
    }
  }
  return true;
}

// Each series' p50 and p99, and its p50 as a multiple of the first (the
// floor) and of the one before it.
inline void PrintAgainstFloor(const std::vector<RoundTripSeries>& series) {
  const double floor = Percentile(series.front().micros, 0.5);
  double previous = floor;
  for (const auto& one : series) {
    const double p50 = Percentile(one.micros, 0.5);
    std::printf("  %-52s p50 %7.1f us  p99 %7.1f us  %5.2fx floor  %5.2fx the line above\n", one.name.c_str(), p50,
                Percentile(one.micros, 0.99), p50 / floor, p50 / previous);
    previous = p50;
  }
}

}  // namespace kavorin::bench
