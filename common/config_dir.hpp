#pragma once
// The Linux configuration folder: $KAVORIN_CONFIG_DIR, else /etc/kavorin.
// It holds the COM port map (dosdevices/), the registry values (registry/)
// and the page-signature key (signpad/).
#include <string>

namespace kavorin {

inline constexpr const char* kDefaultConfigDir = "/etc/kavorin";

std::string ConfigDir();

}  // namespace kavorin
