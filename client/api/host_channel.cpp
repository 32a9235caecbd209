#include "client/api/host_channel.hpp"

#include <atomic>

namespace kavorin {
namespace {

std::atomic<HostChannelFactory> g_factory{nullptr};

}  // namespace

void SetHostChannelFactory(HostChannelFactory factory) { g_factory.store(factory); }

std::unique_ptr<HostChannel> OpenHostChannel() {
  const HostChannelFactory factory = g_factory.load();
  return factory != nullptr ? factory() : MakePlatformHostChannel();
}

}  // namespace kavorin
