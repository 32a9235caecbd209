// KAVORIN_Ctl.dll end to end, as a POS program or the web control uses it:
// loaded from an install folder that also holds KAVORIN.exe and
// kavorin.ini, bound by ordinal, starting and registering the real host,
// which talks to catsim on a pty mapped as a COM port (scripts/catsim-rig.sh
// puts one simulator a profile there). No COM of the test's own: every
// export brings and ends its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "config/port_setting.hpp"
#include "tests/win32/ctl_test_support.hpp"
#include "tests/win32/host_test_support.hpp"

namespace kavorin::ctl_test {
namespace {

using CreditAuth = int(WINAPI*)(const char*, const char*, const char*, const char*, const char*);

std::string BarePort(const char* profile) {
  const std::string port = test::BareCatPort(profile);
  EXPECT_FALSE(port.empty()) << profile << ": run under scripts/catsim-rig.sh";
  return port;
}

// Watches for the status dialog while KAVORIN_COMStatus runs; `user`, if
// given, gets the dialog once it shows.
class DialogWatch {
 public:
  explicit DialogWatch(std::function<void(HWND)> user = {})
      : thread_([this, user] {
          while (!stop_) {
            for (HWND dialog : OwnDialogs()) {
              if (!IsStatusDialog(dialog)) continue;
              seen_ = true;
              if (user && !used_) {
                used_ = true;
                user(dialog);
              }
            }
            Sleep(10);
          }
        }) {}
  ~DialogWatch() { Stop(); }
  DialogWatch(const DialogWatch&) = delete;
  DialogWatch& operator=(const DialogWatch&) = delete;
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool seen() const { return seen_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};
  bool used_ = false;
  std::thread thread_;
};

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kWindowWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

class CtlEndToEndTest : public ::testing::Test {
 protected:
  CtlEndToEndTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name(), true) {}
  void SetUp() override {
    test::EndAnyRunningHost();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPortRegistryKey);
    // The library's own "/RegServer" is not waited for, and it does nothing
    // when the host it starts right after takes the instance mutex first.
    // A till registers its one install folder once; every test here has a
    // folder of its own, and COM still naming the last test's (deleted)
    // folder fails the type library, so QueryInterface fails and
    // KAVORIN_COMCreate gives -2. Register this folder before the library
    // runs.
    ASSERT_EQ(test::RunToEnd("\"" + (install_.folder() / "KAVORIN.exe").string() + "\" /RegServer"), 0);
  }
  void TearDown() override {
    test::EndAnyRunningHost();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPortRegistryKey);
  }

  // A failed start says why in the daily log; a failure report without it
  // cannot be read afterwards (the installation folder goes with the test).
  int ComCreate() {
    const int result = install_.Bind<NoArgs>(1)();
    if (result != 0) ADD_FAILURE() << "KAVORIN_COMCreate: " << result << "; host: " << test::RunningHostProgram()
                                << "; daily log:\n" << install_.DailyLog();
    return result;
  }
  int StatusCheck() { return install_.Bind<NoArgs>(69)(); }

  // KAVORIN_COMStatus for an exchange that must end by itself.
  int ComStatusAlone() {
    DialogWatch watch;
    const int result = install_.Bind<NoArgs>(3)();
    watch.Stop();
    EXPECT_TRUE(watch.seen()) << "no status dialog";
    return result;
  }

  std::string Text(int ordinal, int* result = nullptr) {
    char buffer[8192];
    std::memset(buffer, 0, sizeof buffer);
    const int code = install_.Bind<Buffer>(ordinal)(buffer);
    if (result != nullptr) *result = code;
    return buffer;
  }

  Installation install_;
  MessageBoxDismisser boxes_;
};

TEST_F(CtlEndToEndTest, ACreditApprovalEveryGetterAndTheVoucher) {
  install_.WriteIniPort(BarePort("OK"));
  ASSERT_EQ(ComCreate(), 0);
  // The library's lines and the host's go to one log beside both.
  const std::string log = install_.DailyLog();
  const std::string port = "\\\\.\\" + BarePort("OK");
  EXPECT_NE(log.find("\t[*]\t[KAVORIN_COMCreate]COM PORT=[" + port + "]|\r\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\t[*]\t[KAVORIN-StartComPort] COM PORT=[" + port + "]|\r\r\n"), std::string::npos) << log;

  ASSERT_EQ(install_.Bind<CreditAuth>(2)("", "9410123456781234=3012", "03", "1004", "0"), 0);
  EXPECT_EQ(ComStatusAlone(), 0);
  EXPECT_EQ(StatusCheck(), 0);

  struct Getter {
    int ordinal;
    int result;
    std::optional<std::string> value;  // nothing: not compared
  };
  const Getter getters[] = {
      {17, 0, "0000"}, {18, 0, "9410123456******"}, {19, 0, "03"}, {20, -2, ""}, {21, 0, std::nullopt},
      {22, 0, ""}, {23, 0, "1004"}, {24, 0, "30012345"}, {25, 0, "01"}, {26, 0, "123456789"}, {27, 0, "N"},
      {28, 0, ""}, {29, 0, "01"}, {30, 0, Cp949("정상승인")}, {31, 0, ""}, {32, 0, ""}, {33, 0, ""},
      {34, -2, ""}, {35, -2, ""}, {39, -2, ""}, {40, -2, ""}, {41, -2, ""}, {42, -2, ""}, {43, -2, ""},
      {44, -2, ""}, {45, -2, ""}, {53, -2, ""}, {60, -2, ""}, {61, -2, ""},
  };
  for (const Getter& getter : getters) {
    SCOPED_TRACE(getter.ordinal);
    int result = 99;
    const std::string value = Text(getter.ordinal, &result);
    EXPECT_EQ(result, getter.result);
    if (getter.value) {
      EXPECT_EQ(value, *getter.value);
    }
  }
  EXPECT_EQ(Text(21).size(), 12u) << "YYMMDDhhmmss";

  // The voucher: the port is opened again, since every exchange closes it.
  ASSERT_EQ(ComCreate(), 0);
  EXPECT_EQ(CallTexts(install_.Ordinal(12), {"0000", "9410123456******", "03", Text(21), "1004", "", "", "30012345",
                                             "01", "123456789", "", "01", "", "", ""}),
            0);
  EXPECT_EQ(ComStatusAlone(), 0);
  const std::string sent = test::BytesFromHost("OK");
  EXPECT_NE(sent.find("\x02" "D1\x1C"), std::string::npos);
  EXPECT_NE(sent.find("\x02" "P1\x1C" "0000\x1C"), std::string::npos);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(CtlEndToEndTest, ATrackReadWithTheSignature) {
  install_.WriteIniPort(BarePort("OK"));
  ASSERT_EQ(ComCreate(), 0);
  ASSERT_EQ(install_.Bind<int(WINAPI*)(const char*, const char*)>(38)("12345678", "001"), 0);
  EXPECT_EQ(ComStatusAlone(), 0);

  EXPECT_EQ(Text(34), "A");
  EXPECT_EQ(Text(35), "9410123456781234=30121010000000000000");
  EXPECT_EQ(Text(44), "5A3C9E01");
  std::string signature;
  for (int i = 0; i < 48; ++i) signature += static_cast<char>(0x40 + (i * 13) % 0x3F);
  char bytes[128];
  std::memset(bytes, 'x', sizeof bytes);
  EXPECT_EQ(install_.Bind<Buffer>(45)(bytes), 0);
  EXPECT_EQ(std::string(bytes, 50), signature + std::string("\0x", 2));
  char hex[256] = {};
  EXPECT_EQ(install_.Bind<Buffer>(53)(hex), 0);
  std::string expected_hex;
  for (const char byte : signature) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(byte));
    expected_hex += pair;
  }
  EXPECT_EQ(std::string(hex), expected_hex);
  EXPECT_NE(test::BytesFromHost("OK").find("\x02" "RS\x1C" "12345678001"), std::string::npos);
}

TEST_F(CtlEndToEndTest, EveryWayTheTerminalEndsAnExchangeShort) {
  const char* check_connection = "단말기와의 연결을 확인하여 주시기 바랍니다.";
  const char* try_again = "다시 시도하여 주시기 바랍니다.";
  const struct {
    const char* profile;
    int status;
    const char* main;
    const char* second;  // null: the host's display text
  } cases[] = {
      {"SILENCE", -3, "단말기와의 통신중 ACK 타임아웃이 발생하였습니다.", check_connection},
      {"EOT", -1, "단말기와의 통신이 비정상적으로 종료 되었습니다.", check_connection},
      {"DLE", -5, "단말기에서 사용자 취소가 발생하였습니다.", try_again},
      {"GARBAGE", -6, "단말기와의 통신중 알 수 없는 데이터가 수신되었습니다.", try_again},
      {"NAK", -7, "송신데이터 불량으로 장애가 발생하였습니다.", try_again},
      {"DECLINE", -1000, "호스트에서 정상처리를 하지 못하였습니다.", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    install_.WriteIniPort(BarePort(c.profile));
    ASSERT_EQ(ComCreate(), 0);
    ASSERT_EQ(install_.Bind<CreditAuth>(2)("", "9410123456781234=3012", "00", "1000", "0"), 0);
    std::string main, second;
    bool waited = false;
    DialogWatch watch([&](HWND dialog) {
      waited = WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; });
      main = ItemText(dialog, IDC_STATUS_MAIN);
      second = ItemText(dialog, IDC_STATUS_SECOND);
      Click(dialog, IDOK);
    });
    EXPECT_EQ(install_.Bind<NoArgs>(3)(), -1);
    watch.Stop();
    EXPECT_TRUE(waited) << "the dialog did not wait for OK";
    EXPECT_EQ(StatusCheck(), c.status);
    EXPECT_EQ(main, Cp949(c.main));
    EXPECT_EQ(second, c.second != nullptr ? Cp949(c.second) : Text(30));
  }
  // The declined answer stays readable.
  EXPECT_EQ(Text(17), "8001");
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(CtlEndToEndTest, APortNotOpenAndAPortTheHostHolds) {
  const std::string port = BarePort("OK");
  install_.WriteIniPort(port);
  ASSERT_EQ(install_.Bind<OneText>(68)(port.c_str()), 0);
  ASSERT_EQ(ComCreate(), 0);
  // The host holds the ini's port now: the open test fails and the
  // registry's (the same) port is asked for again.
  EXPECT_EQ(ComCreate(), 0);
  EXPECT_EQ(install_.Bind<NoArgs>(9)(), 0);
  EXPECT_EQ(ComStatusAlone(), 0);
  // The exchange closed the port: a request without KAVORIN_COMCreate is
  // refused.
  EXPECT_EQ(install_.Bind<NoArgs>(9)(), -2);
  EXPECT_EQ(install_.Bind<NoArgs>(70)(), -2);
}

TEST_F(CtlEndToEndTest, ServiceTerminateEndsTheHost) {
  install_.WriteIniPort(BarePort("OK"));
  ASSERT_EQ(ComCreate(), 0);
  ASSERT_NE(test::FindHostWindow(), nullptr);
  EXPECT_EQ(install_.Bind<NoArgs>(4)(), 0);
  EXPECT_TRUE(WaitFor([] { return test::FindHostWindow() == nullptr; }));
}

// Between ServiceTerminate and its end the host takes no new work: a
// KAVORIN_COMCreate in that half second goes on to the next host instead of
// getting an answer from one about to vanish with the port it opened.
TEST_F(CtlEndToEndTest, AComCreateRightAfterServiceTerminateReachesTheNextHost) {
  const std::string port = BarePort("OK");
  install_.WriteIniPort(port);
  // The ending host still holds the ini's port for the open test: the
  // registry names it too, as the port chooser leaves it.
  ASSERT_EQ(install_.Bind<OneText>(68)(port.c_str()), 0);
  ASSERT_EQ(ComCreate(), 0);
  DWORD first = 0;
  GetWindowThreadProcessId(test::FindHostWindow(), &first);
  ASSERT_EQ(install_.Bind<NoArgs>(4)(), 0);

  ASSERT_EQ(ComCreate(), 0);
  DWORD second = 0;
  GetWindowThreadProcessId(test::FindHostWindow(), &second);
  EXPECT_NE(second, first);
  EXPECT_EQ(install_.Bind<NoArgs>(9)(), 0);
  EXPECT_EQ(ComStatusAlone(), 0);
  EXPECT_TRUE(boxes_.Shown().empty());
}

DWORD HostProcessId() {
  DWORD id = 0;
  if (HWND window = test::FindHostWindow(); window != nullptr) GetWindowThreadProcessId(window, &id);
  return id;
}

// A POS that opens the port again and again while it is open, on every kind
// of device: a simulator's pty (the channel reads with a time-out there), a
// pty with modem lines (a pending WaitCommEvent, as on a USB adapter) and a
// pty a plain program only holds. One host serves it all, then approves.
TEST_F(CtlEndToEndTest, ManyOpensWhileThePortIsOpenThenAnApprovalOnOneHost) {
  const struct {
    const char* profile;
    int reopens;   // StartComPort on the open port, straight through COM
    int creates;   // KAVORIN_COMCreate on the open port
  } devices[] = {{"HELD", 200, 50}, {"MODEM", 100, 2}, {"OK", 100, 2}};
  DWORD host = 0;
  for (const auto& device : devices) {
    SCOPED_TRACE(device.profile);
    // The host holds the ini's port after the first call: the registry names
    // it too, as the port chooser leaves it.
    const std::string bare = BarePort(device.profile);
    install_.WriteIniPort(bare);
    ASSERT_EQ(install_.Bind<OneText>(68)(bare.c_str()), 0);
    ASSERT_EQ(ComCreate(), 0);
    if (host == 0) host = HostProcessId();
    ASSERT_NE(host, 0u);
    const ULONGLONG start = GetTickCount64();
    {
      test::ComApartment com;
      IKAVORINComm* object = test::ActivateHost();
      ASSERT_NE(object, nullptr);
      test::Bstr port(test::CatPort(device.profile).c_str());
      for (int i = 0; i < device.reopens; ++i) {
        VARIANT_BOOL opened = 0;
        ASSERT_EQ(object->StartComPort(port.get(), &opened), S_OK) << i;
        ASSERT_EQ(opened, 1) << i;
      }
      object->Release();
    }
    const ULONGLONG reopened = GetTickCount64();
    for (int i = 0; i < device.creates; ++i) {
      ASSERT_EQ(ComCreate(), 0) << i;
      ASSERT_EQ(HostProcessId(), host) << i;
    }
    std::printf("%s: %d StartComPort on the open port %llu ms; %d KAVORIN_COMCreate %llu ms\n", device.profile,
                device.reopens, reopened - start, device.creates, GetTickCount64() - reopened);
  }
  for (const char* profile : {"MODEM", "OK"}) {
    SCOPED_TRACE(profile);
    install_.WriteIniPort(BarePort(profile));
    ASSERT_EQ(install_.Bind<OneText>(68)(BarePort(profile).c_str()), 0);
    ASSERT_EQ(ComCreate(), 0);
    ASSERT_EQ(install_.Bind<CreditAuth>(2)("", "9410123456781234=3012", "03", "1004", "0"), 0);
    EXPECT_EQ(ComStatusAlone(), 0);
    EXPECT_EQ(Text(17), "0000");
  }
  EXPECT_EQ(HostProcessId(), host) << "the host lived throughout";
  EXPECT_TRUE(boxes_.Shown().empty());
}

}  // namespace
}  // namespace kavorin::ctl_test
