// The LOMBRA PC store over the real registry of the Wine prefix: the value
// types the service reads, the rules of the store, the field-test log on
// drive C: and the installed ports from the device map.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/lombra/installed_ports.hpp"
#include "config/lombra/lombra_config.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;

constexpr char kRoot[] = "SOFTWARE\\TORQ\\LOMBRA";

DWORD ValueType(const std::string& key, const char* name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return REG_NONE;
  DWORD type = REG_NONE;
  RegQueryValueExA(opened, name, nullptr, &type, nullptr, nullptr);
  RegCloseKey(opened);
  return type;
}

LocalTime FixedClock() { return {2026, 12, 7, 9, 5, 3}; }

class LombraStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TORQ"); }
  void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TORQ"); }
};

TEST_F(LombraStoreTest, TheStoreKeepsTheServicesLayout) {
  const fs::path log = fs::temp_directory_path() / "lombra-store-test.log";
  fs::remove(log);
  CLombraConfig config(MachineRegistry(), FieldTestLog(log.string(), &FixedClock), &FindInstalledPorts);
  ASSERT_TRUE(config.ReadConfig());
  const std::string general = std::string(kRoot) + "\\Communication";
  EXPECT_EQ(ValueType(general, "HOST"), static_cast<DWORD>(REG_SZ));
  for (const char* name : {"PORTCount", "PORT", "LOGHIDE"}) EXPECT_EQ(ValueType(general, name), static_cast<DWORD>(REG_DWORD)) << name;
  EXPECT_EQ(ValueType(std::string(kRoot) + "\\LIST1", "COMPORT"), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(ValueType(std::string(kRoot) + "\\LIST1", "Active"), static_cast<DWORD>(REG_DWORD));

  ASSERT_TRUE(config.AddComInfo("COM3", 19200, 7, 1, 1, 0, true));
  ASSERT_TRUE(config.AddComInfo("COM4", 4800, 6, 2, 2, 1, true));
  ASSERT_TRUE(config.DeleteComInfo("COM3"));
  CLombraConfig again(MachineRegistry(), FieldTestLog(log.string(), &FixedClock), &FindInstalledPorts);
  ASSERT_TRUE(again.ReadConfig());
  ASSERT_EQ(again.ports().size(), 2u);
  EXPECT_EQ(again.ports()[1].regKey, "LIST2");
  EXPECT_EQ(again.ports()[1].port, "COM4");
  EXPECT_EQ(again.ports()[1].dataBits, 6);
  HKEY gone = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kRoot) + "\\LIST3").c_str(), 0, KEY_READ, &gone),
            ERROR_SUCCESS);

  // A text of 256 bytes does not fit the readers' buffer: not read, not cut.
  const std::string long_host(256, 'h');
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, general.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "HOST", 0, REG_SZ, reinterpret_cast<const BYTE*>(long_host.c_str()),
                 static_cast<DWORD>(long_host.size() + 1));
  RegCloseKey(key);
  std::string host;
  EXPECT_FALSE(again.ReadConfigString("Communication", "HOST", host));
  EXPECT_EQ(again.lastErrorCode(), kLombraValueNotRead);
  EXPECT_EQ(host, "");

  // The log's lines end as a text-mode stream ends them here.
  std::string first;
  {
    std::ifstream in(log, std::ios::binary);
    std::getline(in, first);
  }
  EXPECT_EQ(first, "DEBUG  :[Mon Dec  7 09:05:03 2026]\t|ReadConfig|\r");
  fs::remove(log);
}

TEST_F(LombraStoreTest, TheFieldTestLogIsOnDriveC) {
  EXPECT_EQ(DefaultFieldTestLogPath(), "c:\\LOMBRA_PC_FieldTest.log");
  const FieldTestLog log({}, &FixedClock);
  std::remove("c:\\LOMBRA_PC_FieldTest.log");
  log.Debug("ReadConfig");
  log.Debug("EnumInstalledPorts");
  std::ifstream in("c:\\LOMBRA_PC_FieldTest.log", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes,
            "DEBUG  :[Mon Dec  7 09:05:03 2026]\t|ReadConfig|\r\n"
            "DEBUG  :[Mon Dec  7 09:05:03 2026]\t|EnumInstalledPorts|\r\n");
  in.close();
  std::remove("c:\\LOMBRA_PC_FieldTest.log");
}

// The device map as the registry holds it, read here on its own.
std::vector<std::string> DeviceMapPorts() {
  std::vector<std::string> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD i = 0;; ++i) {
    char name[260] = {};
    BYTE data[256] = {};
    DWORD name_size = sizeof name, data_size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
    ports.emplace_back(reinterpret_cast<const char*>(data));
  }
  RegCloseKey(key);
  return ports;
}

// A pty mapped into the prefix (by pty_peer) is listed once its driver has
// put it into the device map, as Wine's does for the ports it is told of.
TEST_F(LombraStoreTest, InstalledPortsComeFromTheDeviceMap) {
  const char* mapped = std::getenv("KAVORIN_TEST_COM_A");
  ASSERT_NE(mapped, nullptr) << "run under pty_peer";
  std::string port = mapped;
  port = port.substr(port.rfind('\\') + 1);  // "\\.\COM40" -> "COM40"
  const std::string device = "\\Device\\KavorinTest" + port.substr(3);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, device.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                 static_cast<DWORD>(port.size() + 1));
  const std::vector<std::string> expected = DeviceMapPorts();
  CLombraConfig config = MachineLombraConfig();
  config.EnumInstalledPorts();
  RegDeleteValueA(key, device.c_str());
  RegCloseKey(key);
  EXPECT_EQ(config.installedPorts(), expected);
  EXPECT_NE(std::find(expected.begin(), expected.end(), port), expected.end());
}

}  // namespace
}  // namespace kavorin
