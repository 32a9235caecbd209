#pragma once
// The client side of the host socket: connect, greet, call, each with a
// bounded wait. Blocking and not thread-safe: one caller at a time (the
// client library serialises its threads on the one connection it holds).
//
// Before it says a word, the client checks where it is: the socket's folder
// must pass the runtime folder rules and the process at the other end must
// run as our own user (runtime_dir.hpp). Otherwise it sends nothing.
#include <chrono>
#include <string>
#include <vector>

#include "contract/service_call.hpp"

namespace kavorin {

class HostClient {
 public:
  // Host methods never wait for the terminal, so an answer that takes this
  // long means the host is stuck.
  static constexpr std::chrono::milliseconds kDefaultCallTimeout{10000};

  HostClient() = default;
  ~HostClient();
  HostClient(const HostClient&) = delete;
  HostClient& operator=(const HostClient&) = delete;

  enum class Failure {
    kNone,
    kNoHost,     // nothing listens there (no folder, no socket, refused): start one
    kUntrusted,  // the folder or the peer broke the rules: nothing was sent
    kGreeting,   // the peer answered, but not with our protocol's welcome
    kTransport,  // anything else (time-outs, a connection closed early)
    kNotSent,    // a call found the connection closed, or not one byte of it
                 // was taken: the host never saw the call
  };

  // Connects and exchanges Hello/Welcome. False with a reason, and the kind
  // of failure in lastFailure().
  bool Connect(const std::string& socketPath, std::chrono::milliseconds timeout, std::string& error);
  // One call and its reply. False on a transport failure; the connection is
  // closed then, and lastFailure() says kNotSent when the host cannot have
  // seen the call (the host sends nothing unasked, so a connection readable
  // before the call is one the host has closed), else kTransport: the host
  // may have run it.
  bool Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply, std::string& error);
  void Close();
  bool connected() const { return fd_ >= 0; }

  void SetCallTimeout(std::chrono::milliseconds timeout) { call_timeout_ = timeout; }
  Failure lastFailure() const { return failure_; }

 private:
  bool SendAll(const std::string& bytes, std::chrono::steady_clock::time_point deadline, std::string& error,
               std::size_t& sent);
  bool PeerHasClosed() const;
  bool ReceiveFrame(std::string& payload, std::chrono::steady_clock::time_point deadline, std::string& error);
  bool ReceiveExactly(char* out, std::size_t size, std::chrono::steady_clock::time_point deadline,
                      std::string& error);

  bool Fail(Failure failure, std::string reason, std::string& error);

  int fd_ = -1;
  Failure failure_ = Failure::kNone;
  std::chrono::milliseconds call_timeout_ = kDefaultCallTimeout;
};

}  // namespace kavorin
