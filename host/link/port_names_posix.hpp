#pragma once
// Port-name resolution against this machine: $KAVORIN_CONFIG_DIR (default
// /etc/kavorin) and the file system.
#include <string>
#include <string_view>

#include "host/link/port_names.hpp"

namespace kavorin {

inline constexpr const char* kDefaultConfigDir = "/etc/kavorin";

std::string ConfigDir();
PortResolution ResolvePortNameOnHost(std::string_view name);

}  // namespace kavorin
