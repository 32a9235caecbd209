#include "web/bridge/request_checks.hpp"

#include <algorithm>
#include <cctype>

namespace kavorin::bridge {

bool OriginAllowed(std::string_view origin, std::span<const std::string> allowed) {
  if (origin.empty() || origin == "null") return false;
  return std::find(allowed.begin(), allowed.end(), origin) != allowed.end();
}

bool HostAllowed(std::string_view host, std::uint16_t port) {
  std::string_view name = host;
  std::string_view portText;
  if (host.starts_with('[')) {
    const std::size_t close = host.find(']');
    if (close == std::string_view::npos) return false;
    name = host.substr(0, close + 1);
    portText = host.substr(close + 1);
  } else if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
    name = host.substr(0, colon);
    portText = host.substr(colon);
  }
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower != "127.0.0.1" && lower != "[::1]" && lower != "localhost") return false;
  if (portText.empty()) return port == 80;
  return portText == ":" + std::to_string(port);
}

}  // namespace kavorin::bridge
