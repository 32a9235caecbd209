#include "contract/win32/port_lock_win32.hpp"

namespace kavorin {

std::string SerialPortLockName(const std::string& port) {
  std::string name = port;
  if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '\\') c = '_';
  }
  return "KAVORIN_SerialPort_" + name;
}

}  // namespace kavorin
