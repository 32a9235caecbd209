// KAVORIN_COMCreate and the port exports: the port from kavorin.ini or the
// registry, its open test on ports mapped into the prefix (pty_peer), the
// "\\.\" form it reaches the host in, the log lines. The host object is
// served from the test process; the registry is the prefix's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "config/port_setting.hpp"
#include "tests/win32/ctl_test_support.hpp"

namespace kavorin::ctl_test {
namespace {

// A port of the pty peer: "\\.\COM41" in the environment; kavorin.ini and
// the registry hold the bare name.
std::string PeerPort(const char* variable) {
  const char* value = std::getenv(variable);
  EXPECT_NE(value, nullptr) << variable << ": run under pty_peer";
  std::string name = value != nullptr ? value : "";
  if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
  return name;
}

std::string Escaped(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

class ComCreateTest : public ::testing::Test {
 protected:
  ComCreateTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  void SetUp() override {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPortRegistryKey);
    host_.Answer("StartComPort", {S_OK, 1, {}});
  }
  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPortRegistryKey); }

  int ComCreate() { return install_.Bind<NoArgs>(1)(); }
  // The port names StartComPort received.
  std::vector<std::u16string> PortsSent() const {
    std::vector<std::u16string> ports;
    for (const auto& call : host_.Calls()) {
      if (call.dispid == FindServiceMethod("StartComPort")->dispid) ports.push_back(std::get<std::u16string>(call.args.at(0)));
    }
    return ports;
  }

  ComApartment apartment_;
  Installation install_;
  FakeHost host_;
  MessageBoxDismisser boxes_;
};

TEST_F(ComCreateTest, AnIniPortThatOpensReachesTheHostInTheNtForm) {
  const std::string port = PeerPort("KAVORIN_TEST_COM_A");
  install_.WriteIniPort(port);
  EXPECT_EQ(ComCreate(), 0);
  EXPECT_EQ(PortsSent(), std::vector<std::u16string>{Utf16FromCp949("\\\\.\\" + port)});

  const std::string folder = Escaped(install_.FolderText());
  const std::string stamp = "[0-9]{2}:[0-9]{2}:[0-9]{2}\t\\[\\*\\]\t\\[KAVORIN_COMCreate\\]";
  const std::regex expected(stamp + "=========================================\\|\r\r\n" +  //
                            stamp + "Start=\\[" + folder + "KAVORIN\\.exe\\]\\|\r\r\n" +       //
                            stamp + "INI Path=\\[" + folder + "kavorin\\.ini\\]\\|\r\r\n" +    //
                            stamp + "COM PORT=\\[\\\\\\\\\\.\\\\" + port + "\\]\\|\r\r\n");
  EXPECT_TRUE(std::regex_match(install_.DailyLog(), expected)) << install_.DailyLog();
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ComCreateTest, OnlyTheValueOneOpens) {
  install_.WriteIniPort(PeerPort("KAVORIN_TEST_COM_A"));
  for (const auto& [answer, expected] : std::vector<std::pair<int, int>>{{1, 0}, {-1, -2}, {0, -2}, {2, -2}}) {
    host_.Answer("StartComPort", {S_OK, answer, {}});
    EXPECT_EQ(ComCreate(), expected) << answer;
  }
}

TEST_F(ComCreateTest, WhereThePortComesFrom) {
  const std::string open = PeerPort("KAVORIN_TEST_COM_A");
  const std::string missing = PeerPort("KAVORIN_TEST_COM_MISSING");
  struct Case {
    const char* name;
    std::string ini;                      // COM_Port, none when empty
    std::optional<std::string> registry;  // the stored port
    bool holdIniPort;                     // the host's lock on the ini port
    int result;
    std::optional<std::string> sent;      // what StartComPort gets
  };
  const Case cases[] = {
      {"the ini's port opens", open, "COM7", false, 0, "\\\\.\\" + open},
      {"the ini's port is missing: the registry's", missing, "COM7", false, 0, "\\\\.\\COM7"},
      {"the host holds the ini's port: the registry's", open, open, true, 0, "\\\\.\\" + open},
      {"the ini's port fails, no registry value: an empty name", missing, std::nullopt, false, 0, ""},
      {"no ini value: the registry's", "", "COM12", false, 0, "\\\\.\\COM12"},
      {"nothing anywhere", "", std::nullopt, false, -1, std::nullopt},
      // Read into 50 bytes: cut, not overrun; the cut name does not open.
      {"a long ini value", "COM" + std::string(60, '9'), "COM7", false, 0, "\\\\.\\COM7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_.ClearCalls();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPortRegistryKey);
    if (c.registry) {
      ASSERT_EQ(StorePort(*c.registry), PortStoreResult::kStored);
    }
    if (c.ini.empty()) {
      install_.WriteIni("[General]\r\n");
    } else {
      install_.WriteIniPort(c.ini);
    }
    HANDLE lock = c.holdIniPort ? CreateMutexA(nullptr, TRUE, ("KAVORIN_SerialPort_" + c.ini).c_str()) : nullptr;
    EXPECT_EQ(ComCreate(), c.result);
    if (lock != nullptr) CloseHandle(lock);
    if (c.sent) {
      EXPECT_EQ(PortsSent(), std::vector<std::u16string>{Utf16FromCp949(*c.sent)});
    } else {
      EXPECT_TRUE(host_.Calls().empty());
    }
  }
  EXPECT_NE(install_.DailyLog().find("[KAVORIN_COMCreate]GetComPort() " + Cp949("실패") + "|\r\r\n"),
            std::string::npos);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ComCreateTest, AHostWithoutTheInterfaceAndAComFailure) {
  install_.WriteIniPort(PeerPort("KAVORIN_TEST_COM_A"));
  host_.hasInterface = false;
  EXPECT_EQ(ComCreate(), -2);
  EXPECT_NE(install_.DailyLog().find("[KAVORIN_COMCreate]KAVORINComm " + Cp949("찾기 실패") + "|\r\r\n"),
            std::string::npos);
  EXPECT_TRUE(boxes_.Shown().empty());

  host_.Reset();
  host_.create = CO_E_SERVER_EXEC_FAILURE;
  EXPECT_EQ(ComCreate(), -10000);
  EXPECT_NE(install_.DailyLog().find("[KAVORIN_COMCreate]COM PORT " + Cp949("생성 실패") + "|\r\r\n"),
            std::string::npos);
  const auto shown = boxes_.Shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "ATL/COM Error");
  EXPECT_EQ(shown[0].text, Cp949("KAVORIN 통신을 위한 COM Port 생성이 실패하였습니다."));
}

TEST_F(ComCreateTest, TheRegistryPortExports) {
  const auto get = install_.Bind<Buffer>(67);
  const auto set = install_.Bind<OneText>(68);
  char port[256] = "untouched";
  EXPECT_EQ(get(port), 0);
  EXPECT_STREQ(port, "untouched");
  EXPECT_EQ(set("com1"), -1);
  EXPECT_EQ(get(port), 0);
  EXPECT_STREQ(port, "untouched");
  EXPECT_EQ(set("COM12"), 0);
  EXPECT_EQ(ReadStoredPort(), std::optional<std::string>("COM12"));
  EXPECT_EQ(get(port), 0);
  EXPECT_STREQ(port, "COM12");
}

}  // namespace
}  // namespace kavorin::ctl_test
