#include "setup/install_options.hpp"

namespace kavorin::setup {
namespace {

std::string IniPath(std::string_view file) { return std::string(kIniFolder) + std::string(file); }

}  // namespace

OptionsDecision ConfirmOptions(const OptionsInput& input) {
  OptionsDecision decision;
  auto write = [&](std::string_view file, std::string_view section, std::string_view key, const std::string& value) {
    decision.writes.push_back({IniPath(file), std::string(section), std::string(key), value});
  };
  if (input.terminalNumber.size() == kTerminalNumberLength) {
    write("zelkpay.ini", "Spec", "Terminal_No", input.terminalNumber);
  } else {
    decision.badTerminalNumber = true;
  }
  if (input.readerChecked && !input.readerPort.empty()) write("KavSignPad.ini", "General", "COM_Port", input.readerPort);
  if (input.terminalChecked && !input.terminalPort.empty()) write("KAVORIN.ini", "General", "COM_Port", input.terminalPort);
  write("zelkpay.ini", "TCP_SECURE", "IPAddr", input.serverAddress);
  write("zelkpay.ini", "TCP_SECURE", "Port", input.serverPort);
  write("zelkpay.ini", "TCP_SECURE", "DomainName", input.serverHost);
  return decision;
}

PortList ListUsablePorts(RegistryStore& registry, PortProbe& probe, bool ntNames) {
  PortList list;
  const auto names = registry.ValueNames(kSerialCommKey, kPortValueNameBytes);
  if (!names) return {kNoDeviceMap, {}};
  if (names->empty()) return {kNoPortValues, {}};
  const std::string reopened = std::string(kSerialCommKey) + "\\";
  if (!registry.ValueNames(reopened, kPortValueNameBytes)) return {kDeviceMapReopenFailed, {}};
  for (const std::string& name : *names) {
    const auto port = registry.ReadText(reopened, name, kPortNameBytes);
    if (!port || port->size() < 2) continue;
    const std::string device = ntNames ? "\\\\.\\" + *port : *port;
    if (probe.OpensExclusively(device)) list.ports.push_back(*port);
  }
  if (list.ports.empty()) list.code = kNoUsablePort;
  return list;
}

}  // namespace kavorin::setup
