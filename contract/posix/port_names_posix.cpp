#include "contract/posix/port_names_posix.hpp"

#include <sys/stat.h>

#include <cstdlib>

namespace kavorin {

PortResolution ResolvePortNameOnHost(std::string_view name) {
  return ResolvePortName(name, ConfigDir(), [](const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
  });
}

}  // namespace kavorin
