#include "contract/port_names.hpp"

namespace kavorin {

namespace {

bool EqualsIgnoringCase(char a, char upper) { return a == upper || a == upper - 'A' + 'a'; }

}  // namespace

std::optional<int> ComPortNumber(std::string_view name) {
  if (name.size() < 4 || !EqualsIgnoringCase(name[0], 'C') || !EqualsIgnoringCase(name[1], 'O') ||
      !EqualsIgnoringCase(name[2], 'M')) {
    return std::nullopt;
  }
  std::string_view digits = name.substr(3);
  if (digits.size() > 3 || digits[0] == '0') return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number > kMaxComPortNumber) return std::nullopt;
  return number;
}

PortResolution ResolvePortName(std::string_view name, std::string_view configDir,
                               const std::function<bool(const std::string&)>& entryExists) {
  PortResolution result;
  if (name.size() < 2) {
    result.error = "port name \"" + std::string(name) + "\" is too short";
    return result;
  }
  if (name.front() == '/') {
    result.ok = true;
    result.path = std::string(name);
    return result;
  }
  std::optional<int> number = ComPortNumber(name);
  if (!number) {
    result.error = "port name \"" + std::string(name) + "\" is neither COMn (1.." +
                   std::to_string(kMaxComPortNumber) + ") nor an absolute device path";
    return result;
  }
  std::string entry = std::string(configDir);
  if (!entry.empty() && entry.back() != '/') entry += '/';
  entry += "dosdevices/com" + std::to_string(*number);
  result.ok = true;
  result.path = entryExists(entry) ? entry : "/dev/ttyS" + std::to_string(*number - 1);
  return result;
}

}  // namespace kavorin
