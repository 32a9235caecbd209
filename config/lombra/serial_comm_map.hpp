#pragma once
// The Windows device map of serial ports: the values of
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, each naming a driver's device and
// holding the port name ("\Device\Serial0" = "COM1").
#include <string>
#include <vector>

#include "config/lombra/field_test_log.hpp"
#include "config/registry/registry_store.hpp"

namespace kavorin {

inline constexpr char kSerialCommMapKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The port names in the map's order. A value that cannot be read is logged
// and left out; a map that cannot be opened gives none.
std::vector<std::string> ReadSerialCommMap(RegistryStore& registry, const FieldTestLog& log);

}  // namespace kavorin
