#include "host/link/port_names_posix.hpp"

#include <sys/stat.h>

#include <cstdlib>

namespace kavorin {

std::string ConfigDir() {
  const char* dir = std::getenv("KAVORIN_CONFIG_DIR");
  return dir != nullptr && *dir != '\0' ? dir : kDefaultConfigDir;
}

PortResolution ResolvePortNameOnHost(std::string_view name) {
  return ResolvePortName(name, ConfigDir(), [](const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
  });
}

}  // namespace kavorin
