#pragma once
// The library's way to the host: one activation of the host's service
// object per export call. On Windows it is COM (CoCreateInstance, OleRun,
// QueryInterface); on Linux a connection to the host's socket, starting the
// host when none answers.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contract/service_call.hpp"

namespace kavorin {

enum class HostStatus {
  kOk,
  kNoInterface,  // the host answers but has no terminal service interface
  kFailure,      // activation or the call failed (a "COM error")
  kTooLarge,     // the call is larger than the transport carries: nothing was sent
  kUntrusted,    // the host's folder or the process answering there is not
                 // the caller's own: nothing was sent
  kEnding,       // the host is ending and refused the call: go to the next one
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
  // Whether the last Activate failed because no host serves at this moment
  // although one may in a moment: the one COM still names has just gone
  // (its registration lingers) or is ending, or the one COM started ended at
  // once because the old host still held its single-instance lock. Nothing
  // reached a host, so activating again is safe.
  virtual bool FailureIsTransient() const { return false; }
};

// What a transport makes of a reply's dispatch outcome: kOk, kEnding when
// the host is ending, kFailure for anything else.
HostStatus DispatchStatus(const ServiceReply& reply);

// How long a call keeps trying while the host it reaches is ending (another
// client called ServiceTerminate): the next host is up within about a second.
inline constexpr std::chrono::milliseconds kEndingHostWait{5000};

// One activation and the calls of `body`, the frame of every export. When
// the host refuses because it is ending, or the activation fails in a way
// that a host coming or going explains (FailureIsTransient), the frame lets
// go and runs `body` again on the host that follows, within kEndingHostWait;
// no host did anything, so nothing is done twice.
HostStatus WithHost(const std::function<HostStatus(HostChannel&)>& body);

// The platform's channel; tests install a factory of their own.
std::unique_ptr<HostChannel> OpenHostChannel();
using HostChannelFactory = std::unique_ptr<HostChannel> (*)();
void SetHostChannelFactory(HostChannelFactory factory);  // nullptr restores the platform's
std::unique_ptr<HostChannel> MakePlatformHostChannel();

}  // namespace kavorin
