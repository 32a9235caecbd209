#include "web/bridge/library_posix.hpp"

#include <dlfcn.h>

#include <filesystem>

namespace kavorin::bridge {

std::string LibraryPath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (ec ? std::filesystem::path(".") : self.parent_path()).append("libKAVORIN_Ctl.so").string();
}

std::optional<web::LibraryBinding> LoadLibrary(const std::string& path, std::string& error) {
  // Kept loaded for the life of the program.
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown reason");
    return std::nullopt;
  }
  return web::BindLibrary([library](const ExportEntry& entry) {
    return reinterpret_cast<web::ExportAddress>(::dlsym(library, std::string(entry.name).c_str()));
  });
}

}  // namespace kavorin::bridge
