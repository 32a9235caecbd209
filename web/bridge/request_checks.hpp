#pragma once
// The checks every request passes before the bridge does anything for it:
// the page's Origin must be listed, and the Host header must name this
// bridge on loopback (a page on another name that resolves to 127.0.0.1,
// DNS rebinding, is refused).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kavorin::bridge {

// True when `origin` is one of `allowed`, exactly (browsers send origins in
// their canonical form). A missing (empty) or "null" origin is never allowed.
bool OriginAllowed(std::string_view origin, std::span<const std::string> allowed);

// True when `host` is 127.0.0.1, [::1] or localhost (any case), followed by
// ":" and `port` (the port may be left out only when it is 80).
bool HostAllowed(std::string_view host, std::uint16_t port);

}  // namespace kavorin::bridge
