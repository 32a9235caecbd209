#pragma once
// The library's way to the host: one activation of the host's service
// object per export call. On Windows it is COM (CoCreateInstance, OleRun,
// QueryInterface); on Linux a connection to the host's socket, starting the
// host when none answers.
#include <memory>
#include <string>
#include <vector>

#include "host/service/service_call.hpp"

namespace kavorin {

enum class HostStatus {
  kOk,
  kNoInterface,  // the host answers but has no terminal service interface
  kFailure,      // activation or the call failed (a "COM error")
};

class HostChannel {
 public:
  virtual ~HostChannel() = default;
  virtual HostStatus Activate() = 0;
  // One call. The reply's out-parameters are checked against the method's
  // reply shape by the caller.
  virtual HostStatus Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply) = 0;
  // Why the last step failed, for diagnostics.
  virtual std::string LastError() const = 0;
};

// The platform's channel; tests install a factory of their own.
std::unique_ptr<HostChannel> OpenHostChannel();
using HostChannelFactory = std::unique_ptr<HostChannel> (*)();
void SetHostChannelFactory(HostChannelFactory factory);  // nullptr restores the platform's
std::unique_ptr<HostChannel> MakePlatformHostChannel();

}  // namespace kavorin
