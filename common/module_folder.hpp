#pragma once
#include <string>

namespace kavorin {

// The folder holding the executable or shared library this code was linked
// into, with a trailing separator; the daily log, the ini file and the host
// program are all looked up there. Empty when it cannot be found.
std::string ModuleFolder();

}  // namespace kavorin
