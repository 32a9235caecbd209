#include "common/config_dir.hpp"

#include <cstdlib>

namespace kavorin {

std::string ConfigDir() {
  const char* dir = std::getenv("KAVORIN_CONFIG_DIR");
  return dir != nullptr && *dir != '\0' ? dir : kDefaultConfigDir;
}

}  // namespace kavorin
