// The Linux way to the host: its Unix-domain socket, over the connection
// the process holds (held_connection_posix.hpp). When no host answers, the
// library starts KAVORIN from its own folder and keeps trying for a bounded
// time, as COM starts a local server that is not running.
//
// A held connection outlives hosts: a call that finds it broken connects
// again and, when the host cannot have seen the call (the connection was
// found closed, or refused the call's first byte), makes it once more. A
// call the host may have run is never made twice: it fails as a call to a
// vanished host always has.
#include <chrono>
#include <cstdio>
#include <thread>

#include "client/api/client_platform.hpp"
#include "client/api/held_connection_posix.hpp"
#include "client/api/host_channel.hpp"
#include "common/module_folder.hpp"
#include "contract/ipc_protocol.hpp"
#include "contract/posix/host_client.hpp"
#include "contract/posix/runtime_dir.hpp"

namespace kavorin {
namespace {

using namespace std::chrono;
using Failure = HostClient::Failure;

// A host takes a few milliseconds to start; a loaded machine far longer.
constexpr milliseconds kStartWait{5000};
constexpr milliseconds kConnectTimeout{2000};
// A start can lose to a host that is still ending (it holds the single-
// instance lock until it is gone, about half a second): start again this
// often while nothing answers.
constexpr milliseconds kRestartPeriod{250};

class SocketHostChannel : public HostChannel {
 public:
  HostStatus Activate() override {
    const RuntimePaths paths = DefaultRuntimePaths();
    if (client_.connected() && turn_.socketPath() == paths.socket) return HostStatus::kOk;
    return Connect(paths);
  }

  HostStatus Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply) override {
    // Refused here rather than by the host, which would drop the connection
    // half-way through the frame.
    if (ipc::EncodeCall(dispid, args).size() > ipc::kHeaderBytes + ipc::kMaxPayload) {
      error_ = "the call to dispatch id " + std::to_string(dispid) + " is larger than the host takes";
      return HostStatus::kTooLarge;
    }
    if (!client_.Call(dispid, args, reply, error_)) {
      if (client_.lastFailure() != Failure::kNotSent) return Failed();
      // The host never saw the call: it has ended or been restarted since
      // the last one, or let the idle connection go.
      const HostStatus reconnected = Connect(DefaultRuntimePaths());
      if (reconnected != HostStatus::kOk) return reconnected;
      if (!client_.Call(dispid, args, reply, error_)) return Failed();
    }
    switch (DispatchStatus(reply)) {
      case HostStatus::kOk: return HostStatus::kOk;
      case HostStatus::kEnding:
        // The next activation looks for the host that follows.
        client_.Close();
        error_ = "the host is ending";
        return HostStatus::kEnding;
      default: error_ = "the host refused dispatch id " + std::to_string(dispid); return Failed();
    }
  }

  std::string LastError() const override { return error_; }

 private:
  // A new connection, with every check of one; the host started when none
  // answers.
  HostStatus Connect(const RuntimePaths& paths) {
    turn_.socketPath() = paths.socket;
    if (client_.Connect(paths.socket, kConnectTimeout, error_)) return HostStatus::kOk;
    if (client_.lastFailure() != Failure::kNoHost) return Unreachable();

    // The folder is made private here when missing, by the rule the host
    // applies, so that the host finds it as it must be.
    switch (CheckRuntimeDir(paths.dir, true, error_)) {
      case RuntimeDirCheck::kOk: break;
      case RuntimeDirCheck::kUnsafe: return Untrusted();
      default: return Failed();  // no host could start there either
    }
    const auto deadline = steady_clock::now() + kStartWait;
    auto next_start = steady_clock::now();
    while (steady_clock::now() < deadline) {
      if (steady_clock::now() >= next_start) {
        RunProgram(HostProgramPath(ModuleFolder()), "");
        next_start = steady_clock::now() + kRestartPeriod;
      }
      std::this_thread::sleep_for(milliseconds(10));
      if (client_.Connect(paths.socket, kConnectTimeout, error_)) return HostStatus::kOk;
      if (client_.lastFailure() != Failure::kNoHost) break;
    }
    return Unreachable();
  }

  HostStatus Unreachable() {
    switch (client_.lastFailure()) {
      // A host that speaks another protocol version has no interface for us.
      case Failure::kGreeting: return HostStatus::kNoInterface;
      case Failure::kUntrusted: return Untrusted();
      default: return Failed();
    }
  }
  HostStatus Untrusted() {
    std::fprintf(stderr, "KAVORIN_Ctl: %s; nothing was sent\n", error_.c_str());
    return HostStatus::kUntrusted;
  }
  HostStatus Failed() {
    std::fprintf(stderr, "KAVORIN_Ctl: %s\n", error_.c_str());
    return HostStatus::kFailure;
  }

  HeldConnectionTurn turn_;
  HostClient& client_ = turn_.client();
  std::string error_;
};

}  // namespace

std::unique_ptr<HostChannel> MakePlatformHostChannel() { return std::make_unique<SocketHostChannel>(); }

}  // namespace kavorin
