#pragma once
// Port-name resolution against this machine: $KAVORIN_CONFIG_DIR (default
// /etc/kavorin) and the file system.
#include <string>
#include <string_view>

#include "common/config_dir.hpp"
#include "contract/port_names.hpp"

namespace kavorin {

PortResolution ResolvePortNameOnHost(std::string_view name);

}  // namespace kavorin
