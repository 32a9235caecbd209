// The Linux port scan over folders laid out as /dev, /sys/class/tty and the
// configuration folder would be, with ptys standing for the devices.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/lombra/installed_ports_posix.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;

struct Pty {
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master);
    ::unlockpt(master);
    path = ::ptsname(master);
  }
  ~Pty() { ::close(master); }
  int master;
  std::string path;
};

TEST(InstalledPortsPosix, MappedPortsAnsweringUartsAndOtherSerialDevices) {
  const fs::path root = fs::temp_directory_path() / ("ports-test-" + std::to_string(::getpid()));
  fs::remove_all(root);
  for (const char* folder : {"config/dosdevices", "dev", "sys"}) fs::create_directories(root / folder);
  Pty usb, mapped, acm, uart0, uart5, silent;
  fs::create_symlink(mapped.path, root / "config/dosdevices/com7");
  fs::create_symlink("/nonexistent/device", root / "config/dosdevices/com8");   // not there: not listed
  fs::create_symlink(root / "dev/ttyUSB1", root / "config/dosdevices/com12");  // reaches ttyUSB1
  fs::create_symlink(usb.path, root / "dev/ttyUSB0");
  fs::create_symlink(mapped.path, root / "dev/ttyUSB1");
  fs::create_symlink(acm.path, root / "dev/ttyACM0");
  fs::create_symlink(uart0.path, root / "dev/ttyS0");    // COM1
  fs::create_symlink(uart5.path, root / "dev/ttyS7");    // COM8 is mapped elsewhere: by path
  fs::create_symlink(silent.path, root / "dev/ttyS1");   // no UART behind it
  fs::create_symlink(usb.path, root / "dev/ttyUSBx");    // not a device name
  for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS7", "4"}}) {
    fs::create_directories(root / "sys" / name);
    std::ofstream(root / "sys" / name / "type") << type << "\n";
  }
  const auto ports = ScanSerialPorts({(root / "config").string(), (root / "dev").string(), (root / "sys").string()});
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM7", "COM12", (root / "dev/ttyACM0").string(),
                                             (root / "dev/ttyS7").string(), (root / "dev/ttyUSB0").string()}));
  fs::remove_all(root);
}

}  // namespace
}  // namespace kavorin
