#include "client/api/host_channel.hpp"

#include <atomic>
#include <thread>

namespace kavorin {
namespace {

std::atomic<HostChannelFactory> g_factory{nullptr};

}  // namespace

void SetHostChannelFactory(HostChannelFactory factory) { g_factory.store(factory); }

std::unique_ptr<HostChannel> OpenHostChannel() {
  const HostChannelFactory factory = g_factory.load();
  return factory != nullptr ? factory() : MakePlatformHostChannel();
}

HostStatus DispatchStatus(const ServiceReply& reply) {
  if (reply.dispatch == kDispatched) return HostStatus::kOk;
  return reply.dispatch == kServiceEnding ? HostStatus::kEnding : HostStatus::kFailure;
}

HostStatus WithHost(const std::function<HostStatus(HostChannel&)>& body) {
  const auto deadline = std::chrono::steady_clock::now() + kEndingHostWait;
  bool ending_seen = false;
  for (;;) {
    HostStatus status;
    bool transient = false;
    {
      auto channel = OpenHostChannel();
      status = channel->Activate();
      if (status == HostStatus::kOk) {
        status = body(*channel);
      } else {
        transient = status == HostStatus::kFailure && channel->FailureIsTransient();
      }
    }
    // Once a host has said it is ending, failures to reach a host are that
    // host going away (COM still names it for a moment after it has gone)
    // until the wait is over.
    ending_seen = ending_seen || status == HostStatus::kEnding;
    const bool retry =
        status == HostStatus::kEnding || transient || (ending_seen && status == HostStatus::kFailure);
    if (!retry) return status;
    if (std::chrono::steady_clock::now() >= deadline) return HostStatus::kFailure;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace kavorin
