#include "config/lombra/installed_ports.hpp"
#include "config/lombra/serial_comm_map.hpp"

namespace kavorin {

std::vector<std::string> FindInstalledPorts(const FieldTestLog& log) {
  return ReadSerialCommMap(MachineRegistry(), log);
}

}  // namespace kavorin
