#include "config/lombra/installed_ports_posix.hpp"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "common/config_dir.hpp"
#include "config/lombra/installed_ports.hpp"
#include "contract/port_names.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;

std::string Canonical(const fs::path& path) {
  std::error_code ec;
  const fs::path target = fs::canonical(path, ec);
  return ec ? std::string() : target.string();
}

// A ttyS device node exists for every UART slot the kernel reserves; only
// those with a UART behind them are ports.
bool UartAnswers(const SerialScanFolders& folders, const std::string& name) {
  std::ifstream type(fs::path(folders.ttyClassDir) / name / "type");
  if (type) {
    int value = 0;
    return static_cast<bool>(type >> value) && value != 0;
  }
  const int fd = ::open((fs::path(folders.deviceDir) / name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct info{};
  const bool answers = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  ::close(fd);
  return answers;
}

// The number after a device name's prefix ("ttyUSB12" -> 12), if that is
// all that follows.
std::optional<int> DeviceNumber(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 4) return std::nullopt;
  int number = 0;
  for (char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

std::vector<std::string> ScanSerialPorts(const SerialScanFolders& folders) {
  std::error_code ec;
  const fs::path dosdevices = fs::path(folders.configDir) / "dosdevices";
  std::set<int> com_numbers;          // COMn listed
  std::set<int> mapped_numbers;       // comn entries, reachable or not
  std::set<std::string> reached;      // devices a COM name reaches
  for (const auto& entry : fs::directory_iterator(dosdevices, ec)) {
    const auto number = ComPortNumber(entry.path().filename().string());
    if (!number) continue;
    mapped_numbers.insert(*number);
    const std::string device = Canonical(entry.path());
    if (device.empty() || fs::is_directory(device, ec)) continue;
    com_numbers.insert(*number);
    reached.insert(device);
  }

  struct Device {
    std::string prefix;
    int number;
    std::string path;
  };
  std::vector<Device> by_path;
  for (const auto& entry : fs::directory_iterator(folders.deviceDir, ec)) {
    const std::string name = entry.path().filename().string();
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"}) {
      const auto number = DeviceNumber(name, prefix);
      if (!number) continue;
      const std::string device = Canonical(entry.path());
      if (device.empty() || reached.contains(device)) break;
      if (std::string_view(prefix) == "ttyS") {
        if (!UartAnswers(folders, name)) break;
        const int com = *number + 1;
        if (com <= kMaxComPortNumber && !mapped_numbers.contains(com)) {
          com_numbers.insert(com);
          break;
        }
      }
      by_path.push_back({prefix, *number, entry.path().string()});
      break;
    }
  }

  std::vector<std::string> ports;
  for (int number : com_numbers) ports.push_back("COM" + std::to_string(number));
  std::sort(by_path.begin(), by_path.end(), [](const Device& a, const Device& b) {
    return a.prefix != b.prefix ? a.prefix < b.prefix : a.number < b.number;
  });
  for (const Device& device : by_path) ports.push_back(device.path);
  return ports;
}

std::vector<std::string> FindInstalledPorts(const FieldTestLog& /*log*/) {
  return ScanSerialPorts({ConfigDir()});
}

}  // namespace kavorin
