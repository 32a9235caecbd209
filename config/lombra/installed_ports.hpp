#pragma once
// The serial ports installed on this machine, named as the rest of the
// build names ports (platform part):
//  * Windows: the device map HKLM\HARDWARE\DEVICEMAP\SERIALCOMM ("COM3").
//  * Linux: "COMn" for each $KAVORIN_CONFIG_DIR/dosdevices/comn whose device
//    is there, and for each /dev/ttyS<n-1> that has a UART behind it and no
//    dosdevices entry of its own; other serial devices (/dev/ttyUSB*,
//    /dev/ttyACM*, a /dev/ttyS* whose COM name is mapped elsewhere) by their
//    path, which opens as it is. A device reached through a COM name is not
//    listed again by its path.
#include <string>
#include <vector>

#include "config/lombra/field_test_log.hpp"

namespace kavorin {

std::vector<std::string> FindInstalledPorts(const FieldTestLog& log);

}  // namespace kavorin
