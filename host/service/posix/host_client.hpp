#pragma once
// The client side of the host socket: connect, greet, call, each with a
// bounded wait. Blocking and single-threaded by design: the client library
// makes one connection per export call, as it makes one activation per call
// on Windows.
#include <chrono>
#include <string>
#include <vector>

#include "host/service/service_call.hpp"

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

  // Connects and exchanges Hello/Welcome. False with a reason when no host
  // answers there (ENOENT, ECONNREFUSED: the caller may start one) or it
  // answers wrongly.
  bool Connect(const std::string& socketPath, std::chrono::milliseconds timeout, std::string& error);
  // One call and its reply. False on a transport failure; the connection is
  // closed then.
  bool Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply, std::string& error);
  void Close();
  bool connected() const { return fd_ >= 0; }

  void SetCallTimeout(std::chrono::milliseconds timeout) { call_timeout_ = timeout; }
  // errno of the last failed connect (0 if none): tells "no host" from others.
  int lastConnectErrno() const { return connect_errno_; }

 private:
  bool SendAll(const std::string& bytes, std::chrono::steady_clock::time_point deadline, std::string& error);
  bool ReceiveFrame(std::string& payload, std::chrono::steady_clock::time_point deadline, std::string& error);
  bool ReceiveExactly(char* out, std::size_t size, std::chrono::steady_clock::time_point deadline,
                      std::string& error);

  int fd_ = -1;
  int connect_errno_ = 0;
  std::chrono::milliseconds call_timeout_ = kDefaultCallTimeout;
};

}  // namespace kavorin
