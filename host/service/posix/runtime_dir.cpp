#include "host/service/posix/runtime_dir.hpp"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace kavorin {

RuntimePaths DefaultRuntimePaths() {
  RuntimePaths paths;
  if (const char* explicit_dir = std::getenv("KAVORIN_RUNTIME_DIR"); explicit_dir && *explicit_dir) {
    paths.dir = explicit_dir;
  } else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    paths.dir = std::string(xdg) + "/kavorin";
  } else {
    paths.dir = "/tmp/kavorin-" + std::to_string(::getuid());
  }
  paths.socket = paths.dir + "/host.sock";
  paths.lock = paths.dir + "/host.lock";
  return paths;
}

bool PrepareRuntimeDir(const std::string& dir, std::string& error) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "mkdir(" + dir + "): " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::lstat(dir.c_str(), &info) != 0) {
    error = "lstat(" + dir + "): " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    error = dir + " is not a folder";
    return false;
  }
  if (info.st_uid != ::getuid()) {
    error = dir + " belongs to another user";
    return false;
  }
  if ((info.st_mode & 0077) != 0 && ::chmod(dir.c_str(), 0700) != 0) {
    error = "chmod(" + dir + "): " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace kavorin
