#pragma once
// The host's socket server: accepts clients on the Unix-domain socket and
// serves their calls through the terminal service, all on the loop thread.
//
// A connection must say Hello first; each Call gets one Reply. A malformed
// or oversized frame closes that connection only; a client that vanishes
// mid-call harms nothing. Connections are bounded in number and in idle
// time, so no client can hold the host's memory.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace asio {
class io_context;
}

namespace kavorin {

class TerminalService;

class HostServer {
 public:
  static constexpr std::size_t kMaxConnections = 64;
  static constexpr std::chrono::seconds kIdleTimeout{60};

  HostServer(asio::io_context& loop, TerminalService& service);
  ~HostServer();
  HostServer(const HostServer&) = delete;
  HostServer& operator=(const HostServer&) = delete;

  // Binds and listens on `socketPath` (a stale socket file is replaced: the
  // caller holds the single-instance lock). False with a reason on failure.
  bool Listen(const std::string& socketPath, std::string& error);
  // Stops accepting and closes every connection.
  void Stop();
  std::size_t connectionCount() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kavorin
