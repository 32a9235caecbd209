#pragma once
// The host's socket server: accepts clients on the Unix-domain socket and
// serves their calls through the terminal service, all on the loop thread.
//
// A connection must say Hello first; each Call gets one Reply. A malformed
// or oversized frame closes that connection only; a client that vanishes
// mid-call harms nothing. Connections are bounded in number and in time, so
// no client can hold the host's memory or its slots:
//  * the peer must run as the host's own user (checked at accept);
//  * the hello, and every frame once its first byte has come, must be whole
//    (and its answer taken) within kFrameDeadline;
//  * between calls a connection may idle for kIdleTimeout, but when all
//    slots are taken and someone else is waiting, the one idle longest goes.
#include <chrono>
#include <cstddef>
#include <functional>
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
  // The client library writes a frame in one go; two seconds is ample even
  // on a loaded machine, and short enough that a trickling client cannot
  // keep others waiting.
  static constexpr std::chrono::seconds kFrameDeadline{2};

  HostServer(asio::io_context& loop, TerminalService& service);
  ~HostServer();
  HostServer(const HostServer&) = delete;
  HostServer& operator=(const HostServer&) = delete;

  // Binds and listens on `socketPath` (a leftover socket is replaced: the
  // caller holds the single-instance lock; anything else there is refused).
  // False with a reason on failure.
  bool Listen(const std::string& socketPath, std::string& error);
  // Stops accepting; the connections already there stay.
  void StopAccepting();
  // Stops accepting and closes every connection.
  void Stop();
  // Receives a line for every refused client (a peer of another user).
  void SetDiagnostics(std::function<void(const std::string&)> sink);
  std::size_t connectionCount() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kavorin
