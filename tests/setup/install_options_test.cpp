#include "setup/install_options.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "tests/config/fake_registry.hpp"

namespace kavorin::setup {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

IniSetting Ini(const char* file, const char* section, const char* key, std::string value) {
  return {std::string("C:\\Program Files\\HALVERON\\WEB\\") + file, section, key, std::move(value)};
}

OptionsInput Filled() {
  OptionsInput input;
  input.readerChecked = true;
  input.terminalChecked = true;
  input.readerPort = "COM3";
  input.terminalPort = "COM4";
  input.serverAddress = "10.1.2.3";
  input.serverHost = "pay.example";
  input.serverPort = "22065";
  input.terminalNumber = "12345678";
  return input;
}

TEST(InstallOptions, ConfirmWritesWhatTheDialogHolds) {
  struct Row {
    const char* name;
    void (*change)(OptionsInput&);
    bool badTerminalNumber;
    std::vector<IniSetting> writes;
  };
  const IniSetting number = Ini("zelkpay.ini", "Spec", "Terminal_No", "12345678");
  const IniSetting reader = Ini("KavSignPad.ini", "General", "COM_Port", "COM3");
  const IniSetting terminal = Ini("KAVORIN.ini", "General", "COM_Port", "COM4");
  const IniSetting address = Ini("zelkpay.ini", "TCP_SECURE", "IPAddr", "10.1.2.3");
  const IniSetting port = Ini("zelkpay.ini", "TCP_SECURE", "Port", "22065");
  const IniSetting host = Ini("zelkpay.ini", "TCP_SECURE", "DomainName", "pay.example");
  const std::vector<Row> rows{
      {"everything", [](OptionsInput&) {}, false, {number, reader, terminal, address, port, host}},
      {"seven digits", [](OptionsInput& in) { in.terminalNumber = "1234567"; }, true,
       {reader, terminal, address, port, host}},
      {"nine digits", [](OptionsInput& in) { in.terminalNumber = "123456789"; }, true,
       {reader, terminal, address, port, host}},
      {"no number", [](OptionsInput& in) { in.terminalNumber.clear(); }, true, {reader, terminal, address, port, host}},
      {"reader unchecked", [](OptionsInput& in) { in.readerChecked = false; }, false,
       {number, terminal, address, port, host}},
      {"no usable reader port", [](OptionsInput& in) { in.readerPort.clear(); }, false,
       {number, terminal, address, port, host}},
      {"terminal unchecked", [](OptionsInput& in) { in.terminalChecked = false; }, false,
       {number, reader, address, port, host}},
      // The server settings are written even when emptied.
      {"server emptied", [](OptionsInput& in) { in.serverAddress.clear(); }, false,
       {number, reader, terminal, Ini("zelkpay.ini", "TCP_SECURE", "IPAddr", ""), port, host}},
  };
  for (const Row& row : rows) {
    OptionsInput input = Filled();
    row.change(input);
    const OptionsDecision decision = ConfirmOptions(input);
    EXPECT_EQ(decision.badTerminalNumber, row.badTerminalNumber) << row.name;
    EXPECT_THAT(decision.writes, ElementsAreArray(row.writes)) << row.name;
  }
}

class FakeProbe final : public PortProbe {
 public:
  bool OpensExclusively(std::string_view device) override {
    tried.emplace_back(device);
    return usable.contains(std::string(device));
  }
  std::set<std::string> usable;
  std::vector<std::string> tried;
};

TEST(InstallOptions, PortListHoldsThePortsThatOpen) {
  test::FakeRegistry registry;
  FakeProbe probe;
  EXPECT_EQ(ListUsablePorts(registry, probe, true).code, kNoDeviceMap);
  registry.CreateKey(kSerialCommKey);
  EXPECT_EQ(ListUsablePorts(registry, probe, true).code, kNoPortValues);

  registry.Set(kSerialCommKey, "\\Device\\Serial0", std::string("COM1"));
  registry.Set(kSerialCommKey, "\\Device\\Serial1", std::string("COM2"));
  registry.Set(kSerialCommKey, "\\Device\\Odd", std::string("X"));
  registry.Set(kSerialCommKey, "\\Device\\Usb0", std::string("COM10"));
  probe.usable = {"\\\\.\\COM10", "\\\\.\\COM2"};

  PortList nt = ListUsablePorts(registry, probe, true);
  EXPECT_EQ(nt.code, kPortsListed);
  EXPECT_THAT(nt.ports, ElementsAre("COM2", "COM10"));
  EXPECT_THAT(probe.tried, ElementsAre("\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM10"));

  // 9x systems open the plain name.
  probe.tried.clear();
  probe.usable = {"COM1"};
  EXPECT_THAT(ListUsablePorts(registry, probe, false).ports, ElementsAre("COM1"));
  EXPECT_THAT(probe.tried, ElementsAre("COM1", "COM2", "COM10"));

  probe.usable.clear();
  EXPECT_EQ(ListUsablePorts(registry, probe, true).code, kNoUsablePort);
}

}  // namespace
}  // namespace kavorin::setup
