#include "contract/posix/host_client.hpp"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "contract/ipc_protocol.hpp"
#include "contract/posix/runtime_dir.hpp"

namespace kavorin {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

std::string Describe(const char* call, int error) { return std::string(call) + ": " + std::strerror(error); }

}  // namespace

HostClient::~HostClient() { Close(); }

void HostClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool HostClient::Fail(Failure failure, std::string reason, std::string& error) {
  failure_ = failure;
  error = std::move(reason);
  Close();
  return false;
}

bool HostClient::Connect(const std::string& socketPath, std::chrono::milliseconds timeout, std::string& error) {
  Close();
  failure_ = Failure::kNone;
  const auto deadline = Clock::now() + timeout;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) {
    return Fail(Failure::kTransport, "socket path too long: " + socketPath, error);
  }
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

  std::string reason;
  switch (CheckRuntimeDir(socketPath.substr(0, socketPath.find_last_of('/')), false, reason)) {
    case RuntimeDirCheck::kOk: break;
    case RuntimeDirCheck::kMissing: return Fail(Failure::kNoHost, reason, error);
    case RuntimeDirCheck::kUnsafe: return Fail(Failure::kUntrusted, reason, error);
    case RuntimeDirCheck::kUnusable: return Fail(Failure::kTransport, reason, error);
  }

  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return Fail(Failure::kTransport, Describe("socket", errno), error);
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // A Unix socket whose backlog is full answers EAGAIN; ENOENT and
    // ECONNREFUSED mean no host is listening there.
    const int failed = errno;
    return Fail(failed == ENOENT || failed == ECONNREFUSED ? Failure::kNoHost : Failure::kTransport,
                Describe(("connect(" + socketPath + ")").c_str(), failed), error);
  }
  if (!CheckSocketPeer(fd_, reason)) {
    return Fail(Failure::kUntrusted, "refusing the host at " + socketPath + ": " + reason, error);
  }
  std::string payload;
  std::size_t sent = 0;
  if (!SendAll(ipc::EncodeHello(), deadline, error, sent) || !ReceiveFrame(payload, deadline, error)) {
    return Fail(Failure::kTransport, error, error);
  }
  const auto version = ipc::DecodeWelcome(payload);
  if (!version || *version != ipc::kVersion) {
    return Fail(Failure::kGreeting, "the host answered with an unknown greeting", error);
  }
  return true;
}

bool HostClient::Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply, std::string& error) {
  if (fd_ < 0) {
    failure_ = Failure::kNotSent;
    error = "not connected";
    return false;
  }
  if (PeerHasClosed()) return Fail(Failure::kNotSent, "the host had closed the connection", error);
  const auto deadline = Clock::now() + call_timeout_;
  std::string payload;
  std::size_t sent = 0;
  if (!SendAll(ipc::EncodeCall(dispid, args), deadline, error, sent)) {
    return Fail(sent == 0 ? Failure::kNotSent : Failure::kTransport, error, error);
  }
  if (!ReceiveFrame(payload, deadline, error)) return Fail(Failure::kTransport, error, error);
  auto decoded = ipc::DecodeReply(payload);
  if (!decoded) return Fail(Failure::kTransport, "the host sent a malformed reply", error);
  failure_ = Failure::kNone;
  reply = std::move(*decoded);
  return true;
}

bool HostClient::PeerHasClosed() const {
  pollfd entry{fd_, POLLIN, 0};
  return ::poll(&entry, 1, 0) != 0;
}

bool HostClient::SendAll(const std::string& bytes, Clock::time_point deadline, std::string& error,
                         std::size_t& sent) {
  sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (WaitFor(fd_, POLLOUT, deadline)) continue;
      error = "the host took no data in time";
      return false;
    }
    error = Describe("send", errno);
    return false;
  }
  return true;
}

bool HostClient::ReceiveExactly(char* out, std::size_t size, Clock::time_point deadline, std::string& error) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::recv(fd_, out + got, size - got, 0);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) {
      error = "the host closed the connection";
      return false;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (WaitFor(fd_, POLLIN, deadline)) continue;
      error = "the host did not answer in time";
      return false;
    }
    error = Describe("recv", errno);
    return false;
  }
  return true;
}

bool HostClient::ReceiveFrame(std::string& payload, Clock::time_point deadline, std::string& error) {
  char header[ipc::kHeaderBytes];
  if (!ReceiveExactly(header, sizeof header, deadline, error)) return false;
  const auto size = ipc::PayloadLength({header, sizeof header});
  if (!size) {
    error = "the host announced an impossible frame";
    return false;
  }
  payload.assign(*size, '\0');
  return ReceiveExactly(payload.data(), payload.size(), deadline, error);
}

}  // namespace kavorin
