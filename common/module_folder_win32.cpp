#include <windows.h>

#include <string>

#include "common/module_folder.hpp"

namespace kavorin {

std::string ModuleFolder() {
  // The module that holds this function: the DLL when linked into one, the
  // program otherwise.
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ModuleFolder), &module)) {
    module = nullptr;
  }
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string full(path, length);
  const auto slash = full.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

}  // namespace kavorin
