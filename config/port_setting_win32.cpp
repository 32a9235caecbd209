#include <windows.h>

#include <array>

#include "config/port_setting.hpp"

namespace kavorin {

std::optional<std::string> ReadStoredPort() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortRegistryKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  std::array<char, kPortValueBytes> buffer{};
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(buffer.size());
  const LSTATUS status =
      RegQueryValueExA(key, kPortRegistryValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  // The stored size may or may not count a NUL; the text ends at the first.
  std::string text(buffer.data(), std::min<std::size_t>(size, buffer.size()));
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

PortStoreResult StorePort(std::string_view text) {
  const PortStoreResult check = CheckPortToStore(text);
  if (check != PortStoreResult::kStored) return check;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return PortStoreResult::kStoreFailed;
  }
  const std::string value(text);
  const LSTATUS status = RegSetValueExA(key, kPortRegistryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? PortStoreResult::kStored : PortStoreResult::kStoreFailed;
}

}  // namespace kavorin
