#pragma once
// Reading HKEY_CLASSES_ROOT back in the registration tests.
#include <windows.h>

#include <optional>
#include <string>

namespace kavorin::test {

inline std::optional<std::string> ReadValue(const std::string& key, const char* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return std::nullopt;
  char data[1024] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  const LSTATUS status = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::string(data);
}

inline bool KeyExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

}  // namespace kavorin::test
