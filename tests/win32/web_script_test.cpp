// KAVORIN_Web.ocx driven by a script client nobody here wrote: Wine's own
// script host runs a JScript page that creates the control by its ProgID
// (registered with regsvr32) and runs a whole credit approval through the
// real KAVORIN_Ctl.dll and KAVORIN.exe against catsim on a COM port
// (scripts/catsim-rig.sh), the vouchers from the stored values, a refused
// voucher and DES texts. A watcher reads and dismisses the script's message
// boxes.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "common/text_codec.hpp"
#include "tests/win32/host_test_support.hpp"
#include "tests/win32/script_host_support.hpp"
#include "tests/win32/web_test_support.hpp"

namespace kavorin::web_test {
namespace {

using script_test::Lines;
using script_test::Quoted;
using script_test::RunScript;

std::string BarePort(const char* profile) {
  const std::string port = test::BareCatPort(profile);
  EXPECT_FALSE(port.empty()) << profile << ": run under scripts/catsim-rig.sh";
  return port;
}

class WebScriptTest : public ::testing::Test {
 protected:
  WebScriptTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name(), true) {}
  void SetUp() override {
    test::EndAnyRunningHost();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\HALVERON\\KAVORIN\\PORT");
    // The host of this folder is the one COM starts (see the library's
    // end-to-end tests); the control registers as an installer does it.
    ASSERT_EQ(test::RunToEnd(Quoted(install_.folder() / "KAVORIN.exe") + " /RegServer"), 0);
    ASSERT_EQ(test::RunToEnd("regsvr32.exe /s " + Quoted(install_.Control())), 0);
  }
  void TearDown() override {
    test::EndAnyRunningHost();
    EXPECT_EQ(test::RunToEnd("regsvr32.exe /u /s " + Quoted(install_.Control())), 0);
  }

  WebInstallation install_;
};

TEST_F(WebScriptTest, APageRunsACreditApprovalAndItsVouchersThroughTheControl) {
  install_.WriteIniPort(BarePort("OK"));
  const fs::path output = install_.folder() / "script.txt";
  DialogWatcher watcher(0);
  const auto start = std::chrono::steady_clock::now();
  const long exit_code = RunScript(KAVORIN_TEST_DATA "\\web_credit_approval.js", output,
                                   [&](DWORD process) { watcher.Watch(process); });
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  watcher.Stop();
  std::cout << "script run: " << seconds << " s\n";
  ASSERT_EQ(exit_code, 0);

  const std::map<std::string, std::string> lines = Lines(output);
  const std::map<std::string, std::string> expected = {
      {"auth", "0"},         {"code", "0000"},       {"card", "9410123456******"},
      {"amount", "1004"},    {"number", "30012345"}, {"display", "true"},
      {"voucher", "0"},      {"signed", "0"},        {"business", "0"},
      {"refused", "-1"},     {"cipher", "H6FfwQPFpG6my0eBq4eZ4Q=="},
      {"roundtrip", "true"}, {"empty", "gR6FV6agUm4="}, {"done", "1"},
  };
  for (const auto& [name, value] : expected) {
    const auto found = lines.find(name);
    ASSERT_NE(found, lines.end()) << name << " missing; the script printed:\n" << std::ifstream(output).rdbuf();
    EXPECT_EQ(found->second, value) << name;
  }

  // The refused voucher, and nothing else, showed a message box.
  const std::vector<SeenDialog> shown = watcher.MessageBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, Cp949FromUtf8("KAVORIN 데이터 설정 에러"));
  EXPECT_EQ(shown[0].text, Cp949FromUtf8("전표인쇄시 필요한 데이터 중 응답코드가 인쇄 가능한 데이터가 아닙니다."));

  // What the terminal got: the approval, the voucher, the signed voucher,
  // then its business-information variant with the business name.
  const std::string sent = test::BytesFromHost("OK");
  const std::size_t approval = sent.find("\x02" "D1\x1C");
  const std::size_t voucher = sent.find("\x02" "P1\x1C" "0000\x1C" "9410123456******\x1C");
  const std::size_t signed_voucher = sent.find("\x02" "P5\x1C" "0000\x1C");
  const std::size_t business = sent.find("\x02" "P7\x1C" "0000\x1C");
  ASSERT_NE(approval, std::string::npos);
  ASSERT_NE(voucher, std::string::npos);
  ASSERT_NE(signed_voucher, std::string::npos);
  ASSERT_NE(business, std::string::npos);
  EXPECT_LT(approval, voucher);
  EXPECT_LT(voucher, signed_voucher);
  EXPECT_LT(signed_voucher, business);
  EXPECT_NE(sent.find(Cp949FromUtf8("카보린상점"), business), std::string::npos);
  EXPECT_EQ(sent.find("\x02" "P", business + 1), std::string::npos) << "the refused voucher reached the terminal";
}

}  // namespace
}  // namespace kavorin::web_test
