#pragma once
// The real host program as a child of the test, and a client of its socket.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "contract/posix/host_client.hpp"
#include "contract/posix/runtime_dir.hpp"
#include "contract/service_methods.hpp"

namespace kavorin::testing {

using namespace std::chrono_literals;

// Starts KAVORIN as a child and ends it with the test.
class HostProcess {
 public:
  HostProcess() { pid = Spawn(); }
  ~HostProcess() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }

  // `before` runs in the child before the program starts (to change user).
  static pid_t Spawn(const char* argument = nullptr, const std::function<bool()>& before = nullptr) {
    const pid_t child = ::fork();
    if (child == 0) {
      if (before && !before()) ::_exit(126);
      ::execl(KAVORIN_HOST_PATH, "KAVORIN", argument, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return child;
  }

  // Waits for the child to end; its exit code, or -1 on time-out.
  static int WaitExit(pid_t child, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      std::this_thread::sleep_for(5ms);
    }
    return -1;
  }

  int Exit(std::chrono::milliseconds timeout) {
    const int code = WaitExit(pid, timeout);
    if (code != -1) pid = -1;
    return code;
  }

  pid_t pid = -1;
};

// A connected client, retried while the host is still starting.
inline std::unique_ptr<HostClient> Connect() {
  auto client = std::make_unique<HostClient>();
  std::string error;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!client->Connect(DefaultRuntimePaths().socket, 2s, error)) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << error;
      return nullptr;
    }
    std::this_thread::sleep_for(10ms);
  }
  return client;
}

inline ServiceReply Call(HostClient& client, std::string_view method, std::vector<ServiceValue> args = {}) {
  ServiceReply reply;
  std::string error;
  EXPECT_TRUE(client.Call(FindServiceMethod(method)->dispid, args, reply, error)) << error;
  return reply;
}

inline int IntOf(const ServiceReply& reply) { return reply.outs.empty() ? -12345 : std::get<std::int32_t>(reply.outs[0]); }

inline int WaitFinal(HostClient& client) {
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  int status = IntOf(Call(client, "StatusCheck"));
  while (status > 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
    status = IntOf(Call(client, "StatusCheck"));
  }
  return status;
}

// A raw connection to the host socket, for bytes no honest client sends.
inline int RawConnect() {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = DefaultRuntimePaths().socket;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  // The socket's file appears at bind, a moment before the host listens.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  while (connected != 0 && (errno == ECONNREFUSED || errno == ENOENT) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  EXPECT_EQ(connected, 0) << std::strerror(errno);
  return fd;
}

// True when the host closed the connection (reads end) within the time.
inline bool ClosedByHost(int fd) {
  timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char byte;
  const ssize_t got = ::recv(fd, &byte, 1, 0);
  // Closed with our bytes unread, the connection is reset rather than ended.
  return got == 0 || (got < 0 && errno == ECONNRESET);
}

}  // namespace kavorin::testing
