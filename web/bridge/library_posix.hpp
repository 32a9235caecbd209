#pragma once
// The client library beside the bridge program (libKAVORIN_Ctl.so in the
// same folder), bound export by export as the control binds it.
#include <optional>
#include <string>

#include "web/kavorin_web/library_binding.hpp"

namespace kavorin::bridge {

std::string LibraryPath();  // <the program's folder>/libKAVORIN_Ctl.so
std::optional<web::LibraryBinding> LoadLibrary(const std::string& path, std::string& error);

}  // namespace kavorin::bridge
