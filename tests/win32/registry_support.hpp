#pragma once
// Reading HKEY_CLASSES_ROOT back in the registration tests.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

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

inline const std::string kClassKey = "CLSID\\{70BA75A2-9D3D-4BA0-BFC8-255B91734207}";

struct RegistryEntry {
  std::string key;
  const char* name;  // nullptr: the key's default value
  std::string data;
};

// Every entry the AppID and class registration write, with the server's
// LocalServer32 path.
inline std::vector<RegistryEntry> ClassRegistrationEntries(const std::string& server) {
  return {
      {"AppID\\{31FCAC3F-D0B4-4C7A-94E8-723F37B99106}", nullptr, "KAVORIN"},
      {"AppID\\KAVORIN.EXE", "AppID", "{31FCAC3F-D0B4-4C7A-94E8-723F37B99106}"},
      {"KAVORIN.KAVORINComm.1", nullptr, "KAVORINComm Class"},
      {"KAVORIN.KAVORINComm.1\\CLSID", nullptr, "{70BA75A2-9D3D-4BA0-BFC8-255B91734207}"},
      {"KAVORIN.KAVORINComm", nullptr, "KAVORINComm Class"},
      {"KAVORIN.KAVORINComm\\CLSID", nullptr, "{70BA75A2-9D3D-4BA0-BFC8-255B91734207}"},
      {"KAVORIN.KAVORINComm\\CurVer", nullptr, "KAVORIN.KAVORINComm.1"},
      {kClassKey, nullptr, "KAVORINComm Class"},
      {kClassKey, "AppID", "{31FCAC3F-D0B4-4C7A-94E8-723F37B99106}"},
      {kClassKey + "\\ProgID", nullptr, "KAVORIN.KAVORINComm.1"},
      {kClassKey + "\\VersionIndependentProgID", nullptr, "KAVORIN.KAVORINComm"},
      {kClassKey + "\\LocalServer32", nullptr, server},
      {kClassKey + "\\TypeLib", nullptr, "{554468B5-13BA-4D12-9AAD-4FB2EFB0AF6C}"},
  };
}

}  // namespace kavorin::test
