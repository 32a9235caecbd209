#pragma once
// Self-registration of the host as the local server of KAVORINComm: the
// AppID entries, the class entries and the type library embedded in the
// program (TYPELIB resource 1). Called for /RegServer and /UnregServer.
//
// The entries are the ones the installers and the client library look for;
// all live under HKEY_CLASSES_ROOT. On registration the class key is
// emptied first (stale subkeys of an older install go); on unregistration
// the AppID and CLSID roots themselves always stay.
#include <windows.h>

#include <span>
#include <string>

namespace kavorin {

inline constexpr char kClsidKavorinComm[] = "{70BA75A2-9D3D-4BA0-BFC8-255B91734207}";
inline constexpr char kAppIdKavorin[] = "{31FCAC3F-D0B4-4C7A-94E8-723F37B99106}";
inline constexpr char kLibIdKavorin[] = "{554468B5-13BA-4D12-9AAD-4FB2EFB0AF6C}";
inline constexpr char kProgIdVersioned[] = "KAVORIN.KAVORINComm.1";
inline constexpr char kProgId[] = "KAVORIN.KAVORINComm";
inline constexpr char kClassDescription[] = "KAVORINComm Class";

// One registry value to write, under HKEY_CLASSES_ROOT. `name` null is the
// key's default value; `data` null makes the key with no value. "%MODULE%"
// in `data` stands for the program's own path. `forceRemove` deletes the key
// with all its subkeys before writing it.
struct RegistryEntry {
  const char* key;
  const char* name;
  const char* data;
  bool forceRemove;
};

// The tables, in the order they are written, and the keys unregistration
// removes (whole subtrees).
std::span<const RegistryEntry> AppIdEntries();
std::span<const RegistryEntry> ClassEntries();
std::span<const char* const> KeysRemovedOnUnregister();

// The path COM starts the server with: the short (8.3) form of `module`'s
// file, quoted when it still holds a space (a volume without short names).
std::string LocalServerPath(HMODULE module);

// Register or unregister everything; S_OK or the first failure (every step
// is still attempted). These run before and without a message loop.
HRESULT RegisterServer(HMODULE module);
HRESULT UnregisterServer(HMODULE module);

}  // namespace kavorin
