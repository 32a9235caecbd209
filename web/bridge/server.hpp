#pragma once
// The bridge's network side: HTTP and WebSocket on the loopback addresses,
// all on one asio thread; member calls run one at a time on a worker thread
// (one terminal, one exchange), and a call that finds the worker busy is
// refused at once.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include "web/bridge/router.hpp"

namespace kavorin::bridge {

using LogLine = std::function<void(std::string_view line)>;

// One exchange at a time, for the whole bridge.
class ExchangeGate {
 public:
  bool TryEnter() { return !busy_.exchange(true); }
  void Leave() { busy_.store(false); }

 private:
  std::atomic<bool> busy_{false};
};

class Server {
 public:
  Server(const Settings& settings, web::LibraryBinding binding, LogLine log);
  ~Server();

  // Binds every listen address (a port of 0 takes any free one: tests).
  // False, with the reason, when an address is not loopback or cannot be
  // bound.
  bool Listen(std::string& error);
  std::uint16_t port() const { return port_; }

  // Serves until Stop (from any thread, or a signal handler's thread).
  void Run();
  void Stop();

  // Shared with the sessions.
  struct Shared;

 private:
  void Accept(boost::asio::ip::tcp::acceptor& acceptor);

  boost::asio::io_context io_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> acceptors_;
  std::uint16_t port_ = 0;
};

}  // namespace kavorin::bridge
