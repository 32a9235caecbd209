#pragma once
// Serial ports as the options dialog tries them: opened for exclusive
// reading and writing, closed again at once.
#include "setup/install_options.hpp"

namespace kavorin::setup {

class Win32PortProbe final : public PortProbe {
 public:
  bool OpensExclusively(std::string_view deviceName) override;
};

// Windows NT systems name devices "\\.\COMn"; 9x systems by the plain name.
bool UsesNtDeviceNames();

}  // namespace kavorin::setup
