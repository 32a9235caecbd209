#pragma once
// The name of the object that marks a serial port as taken on Windows: the
// channel holds it while the port is open (Wine lets a second CreateFile of
// a pty-backed port succeed, where Windows refuses it), and the client
// library's open test looks for it. "COM3", "\\.\com3" and "\\.\COM3" are
// one port.
#include <string>

namespace kavorin {

std::string SerialPortLockName(const std::string& port);

}  // namespace kavorin
