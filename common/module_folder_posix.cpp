#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>

#include "common/module_folder.hpp"

namespace kavorin {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

std::string ModuleFolder() {
  // dladdr names the shared object that holds this function; for code linked
  // into the executable itself it gives no usable path, so fall back to
  // /proc/self/exe there.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) != 0 && info.dli_fname != nullptr) {
    const std::string name = info.dli_fname;
    if (name.find(".so") != std::string::npos && name.find('/') != std::string::npos) {
      char resolved[PATH_MAX];
      if (::realpath(name.c_str(), resolved) != nullptr) return FolderOf(resolved);
      return FolderOf(name);
    }
  }
  return FolderOf(ExecutablePath());
}

}  // namespace kavorin
