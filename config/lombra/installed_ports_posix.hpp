#pragma once
// The Linux port scan, with its folders as parameters for tests.
#include <string>
#include <vector>

namespace kavorin {

struct SerialScanFolders {
  std::string configDir;                   // holds dosdevices/
  std::string deviceDir = "/dev";          // ttyS*, ttyUSB*, ttyACM*
  std::string ttyClassDir = "/sys/class/tty";  // <name>/type: the UART type, 0 = none
};

std::vector<std::string> ScanSerialPorts(const SerialScanFolders& folders);

}  // namespace kavorin
