// The Linux way to the host: its Unix-domain socket. When no host answers,
// the library starts KAVORIN from its own folder and keeps trying for a
// bounded time, as COM starts a local server that is not running.
#include <errno.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "client/api/client_platform.hpp"
#include "client/api/host_channel.hpp"
#include "common/module_folder.hpp"
#include "host/service/posix/host_client.hpp"
#include "host/service/posix/runtime_dir.hpp"

namespace kavorin {
namespace {

using namespace std::chrono;

// A host takes a few milliseconds to start; a loaded machine far longer.
constexpr milliseconds kStartWait{5000};
constexpr milliseconds kConnectTimeout{2000};

bool NoHostThere(int error) { return error == ENOENT || error == ECONNREFUSED; }

class SocketHostChannel : public HostChannel {
 public:
  HostStatus Activate() override {
    const std::string socket = DefaultRuntimePaths().socket;
    if (client_.Connect(socket, kConnectTimeout, error_)) return HostStatus::kOk;
    if (!NoHostThere(client_.lastConnectErrno())) return Unreachable();

    std::string dir_error;
    PrepareRuntimeDir(DefaultRuntimePaths().dir, dir_error);
    RunProgram(HostProgramPath(ModuleFolder()), "");
    const auto deadline = steady_clock::now() + kStartWait;
    while (steady_clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(10));
      if (client_.Connect(socket, kConnectTimeout, error_)) return HostStatus::kOk;
      if (!NoHostThere(client_.lastConnectErrno())) break;
    }
    return Unreachable();
  }

  HostStatus Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply) override {
    if (!client_.Call(dispid, args, reply, error_)) return Failed();
    if (reply.dispatch != kDispatched) {
      error_ = "the host refused dispatch id " + std::to_string(dispid);
      return Failed();
    }
    return HostStatus::kOk;
  }

  std::string LastError() const override { return error_; }

 private:
  HostStatus Unreachable() {
    // A host that speaks another protocol version has no interface for us.
    if (error_.find("unknown greeting") != std::string::npos) return HostStatus::kNoInterface;
    return Failed();
  }
  HostStatus Failed() {
    std::fprintf(stderr, "KAVORIN_Ctl: %s\n", error_.c_str());
    return HostStatus::kFailure;
  }

  HostClient client_;
  std::string error_;
};

}  // namespace

std::unique_ptr<HostChannel> MakePlatformHostChannel() { return std::make_unique<SocketHostChannel>(); }

}  // namespace kavorin
