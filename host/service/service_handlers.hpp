#pragma once
// How the host serves each method of the catalogue: the request messages and
// getters generically from their rows, the rest by the service's own
// methods.
#include <span>

#include "contract/service_call.hpp"
#include "contract/service_methods.hpp"

namespace kavorin {

class TerminalService;

// Runs `method` with arguments already checked against its parameters.
ServiceReply Serve(TerminalService& service, const ServiceMethod& method, std::span<const ServiceValue> args);

}  // namespace kavorin
