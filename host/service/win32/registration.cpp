#include "host/service/win32/registration.hpp"

#include <oleauto.h>

#include <string>

namespace kavorin {

namespace {

#define KAVORIN_CLSID_KEY "CLSID\\{70BA75A2-9D3D-4BA0-BFC8-255B91734207}"

constexpr RegistryEntry kAppIdEntries[] = {
    {"AppID\\{31FCAC3F-D0B4-4C7A-94E8-723F37B99106}", nullptr, "KAVORIN", false},
    {"AppID\\KAVORIN.EXE", "AppID", kAppIdKavorin, false},
};

constexpr RegistryEntry kClassEntries[] = {
    {"KAVORIN.KAVORINComm.1", nullptr, kClassDescription, false},
    {"KAVORIN.KAVORINComm.1\\CLSID", nullptr, kClsidKavorinComm, false},
    {"KAVORIN.KAVORINComm", nullptr, kClassDescription, false},
    {"KAVORIN.KAVORINComm\\CLSID", nullptr, kClsidKavorinComm, false},
    {"KAVORIN.KAVORINComm\\CurVer", nullptr, kProgIdVersioned, false},
    {KAVORIN_CLSID_KEY, nullptr, kClassDescription, true},
    {KAVORIN_CLSID_KEY "\\ProgID", nullptr, kProgIdVersioned, false},
    {KAVORIN_CLSID_KEY "\\VersionIndependentProgID", nullptr, kProgId, false},
    {KAVORIN_CLSID_KEY "\\Programmable", nullptr, nullptr, true},
    {KAVORIN_CLSID_KEY "\\LocalServer32", nullptr, "%MODULE%", false},
    {KAVORIN_CLSID_KEY, "AppID", kAppIdKavorin, false},
    {KAVORIN_CLSID_KEY "\\TypeLib", nullptr, kLibIdKavorin, false},
};

constexpr const char* kRemovedOnUnregister[] = {
    "AppID\\{31FCAC3F-D0B4-4C7A-94E8-723F37B99106}",
    "AppID\\KAVORIN.EXE",
    "KAVORIN.KAVORINComm.1",
    "KAVORIN.KAVORINComm",
    KAVORIN_CLSID_KEY,
};

#undef KAVORIN_CLSID_KEY

HRESULT FromWin32(LSTATUS status) { return HRESULT_FROM_WIN32(static_cast<unsigned long>(status)); }

void Keep(HRESULT& first, HRESULT result) {
  if (SUCCEEDED(first) && FAILED(result)) first = result;
}

HRESULT DeleteTree(const char* key) {
  const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    // RegDeleteTree empties the key; the key itself may still need going.
    const LSTATUS gone = RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(gone);
  }
  return FromWin32(status);
}

HRESULT Write(const RegistryEntry& entry, const std::string& module) {
  if (entry.forceRemove) {
    const HRESULT removed = DeleteTree(entry.key);
    if (FAILED(removed)) return removed;
  }
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExA(HKEY_CLASSES_ROOT, entry.key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                   nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return FromWin32(status);
  if (entry.data != nullptr) {
    const std::string data = std::string(entry.data) == "%MODULE%" ? module : std::string(entry.data);
    status = RegSetValueExA(key, entry.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1));
  }
  RegCloseKey(key);
  return FromWin32(status);
}

std::wstring ModulePathWide(HMODULE module) {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

HRESULT LoadOwnTypeLib(HMODULE module, ITypeLib** library) {
  const std::wstring path = ModulePathWide(module);
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
}

HRESULT RegisterOwnTypeLib(HMODULE module) {
  ITypeLib* library = nullptr;
  HRESULT result = LoadOwnTypeLib(module, &library);
  if (FAILED(result)) return result;
  std::wstring path = ModulePathWide(module);
  result = RegisterTypeLib(library, path.data(), nullptr);
  library->Release();
  return result;
}

HRESULT UnregisterOwnTypeLib(HMODULE module) {
  ITypeLib* library = nullptr;
  HRESULT result = LoadOwnTypeLib(module, &library);
  if (FAILED(result)) return result;
  TLIBATTR* attributes = nullptr;
  result = library->GetLibAttr(&attributes);
  if (SUCCEEDED(result)) {
    // Looked up at run time, as systems without it (before NT 4 SP2) must
    // still start the program.
    using UnRegisterTypeLibFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    HMODULE oleaut = LoadLibraryA("oleaut32.dll");
    const auto unregister = oleaut != nullptr ? reinterpret_cast<UnRegisterTypeLibFn>(reinterpret_cast<void (*)()>(
                                                    GetProcAddress(oleaut, "UnRegisterTypeLib")))
                                              : nullptr;
    result = unregister != nullptr ? unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                                attributes->lcid, attributes->syskind)
                                   : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    if (oleaut != nullptr) FreeLibrary(oleaut);
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return result;
}

}  // namespace

std::span<const RegistryEntry> AppIdEntries() { return kAppIdEntries; }
std::span<const RegistryEntry> ClassEntries() { return kClassEntries; }
std::span<const char* const> KeysRemovedOnUnregister() { return kRemovedOnUnregister; }

std::string LocalServerPath(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  char short_path[MAX_PATH + 1] = {};
  const DWORD short_length = GetShortPathNameA(path, short_path, MAX_PATH);
  std::string out = short_length != 0 && short_length < MAX_PATH ? std::string(short_path, short_length)
                                                                  : std::string(path, length);
  // Unquoted, COM would split a long path at its first space.
  if (out.find(' ') != std::string::npos) out = "\"" + out + "\"";
  return out;
}

HRESULT RegisterServer(HMODULE module) {
  const std::string server = LocalServerPath(module);
  if (server.empty()) return HRESULT_FROM_WIN32(GetLastError());
  HRESULT first = S_OK;
  for (const RegistryEntry& entry : kAppIdEntries) Keep(first, Write(entry, server));
  for (const RegistryEntry& entry : kClassEntries) Keep(first, Write(entry, server));
  Keep(first, RegisterOwnTypeLib(module));
  return first;
}

HRESULT UnregisterServer(HMODULE module) {
  HRESULT first = S_OK;
  for (const char* key : kRemovedOnUnregister) Keep(first, DeleteTree(key));
  Keep(first, UnregisterOwnTypeLib(module));
  return first;
}

}  // namespace kavorin
