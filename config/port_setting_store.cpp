// The stored port goes through the machine's registry store, so both builds
// keep it the same way: a REG_SZ value on Windows, one file on Linux
// ($KAVORIN_CONFIG_DIR/registry/HKEY_LOCAL_MACHINE/SOFTWARE/HALVERON/KAVORIN/PORT/Execute).
#include "config/port_setting.hpp"
#include "config/registry/registry_store.hpp"

namespace kavorin {

std::optional<std::string> ReadStoredPort() {
  return MachineRegistry().ReadText(kPortRegistryKey, kPortRegistryValue, kPortValueBytes);
}

PortStoreResult StorePort(std::string_view text) {
  const PortStoreResult check = CheckPortToStore(text);
  if (check != PortStoreResult::kStored) return check;
  RegistryStore& registry = MachineRegistry();
  return registry.CreateKey(kPortRegistryKey) && registry.WriteText(kPortRegistryKey, kPortRegistryValue, text)
             ? PortStoreResult::kStored
             : PortStoreResult::kStoreFailed;
}

}  // namespace kavorin
