// ZelkPayWeb.ocx and ZelkSignWeb.ocx as a page and a registry see them:
// installed beside the recording stand-ins of the libraries they import,
// registered with regsvr32, driven by Wine's own script host through their
// ProgIDs, and the stand-ins' logs held against what each call must carry.
// Then every member is looked up by name from a script, the type libraries
// are held against the member tables, and IObjectSafety is asked.
#include <objbase.h>
#include <objsafe.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/text_codec.hpp"
#include "tests/win32/control_test_support.hpp"
#include "tests/win32/ctl_test_support.hpp"
#include "tests/win32/host_test_support.hpp"
#include "tests/win32/script_host_support.hpp"
#include "web/zelkpay_web/zelkpay_web.hpp"
#include "web/zelksign_web/zelksign_web.hpp"

namespace kavorin::zelk_test {
namespace {

namespace fs = std::filesystem;
using script_test::Quoted;

struct ControlUnderTest {
  const control::ControlIdentity& identity;
  std::span<const control::Member> members;
  const char* library;  // the stand-in's file stem
};

const ControlUnderTest kControls[] = {
    {web::ZelkPayWebIdentity(), web::ZelkPayWebMembers(), "zelkpay43"},
    {web::ZelkSignWebIdentity(), web::ZelkSignWebMembers(), "KavSignPad_Ctl"},
};

std::vector<std::string> FileLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Both controls and both stand-ins in a folder of their own, registered as
// an installer registers them. The stand-ins come from the build's
// standins/ folder beside bin/: they are never part of the product.
class ZelkWebTest : public ::testing::Test {
 protected:
  ZelkWebTest() {
    folder_ = fs::temp_directory_path() /
              ("kavorin-zelk-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
               std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    const fs::path standins = ctl_test::ProgramFolder().parent_path() / "standins";
    for (const ControlUnderTest& control : kControls) {
      fs::copy_file(ctl_test::ProgramFolder() / control.identity.moduleName, folder_ / control.identity.moduleName);
      fs::copy_file(standins / (std::string(control.library) + ".dll"), folder_ / (std::string(control.library) + ".dll"));
    }
  }
  ~ZelkWebTest() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  void SetUp() override {
    for (const ControlUnderTest& control : kControls) {
      ASSERT_EQ(test::RunToEnd("regsvr32.exe /s " + Quoted(folder_ / control.identity.moduleName)), 0);
    }
  }
  void TearDown() override {
    for (const ControlUnderTest& control : kControls) {
      EXPECT_EQ(test::RunToEnd("regsvr32.exe /u /s " + Quoted(folder_ / control.identity.moduleName)), 0);
    }
  }

  void WriteScript(const char* library, const std::vector<std::string>& utf8Lines) {
    std::ofstream out(folder_ / (std::string(library) + ".script"), std::ios::binary);
    for (const std::string& line : utf8Lines) out << Cp949FromUtf8(line) << "\r\n";
  }
  std::vector<std::string> Log(const char* library) const {
    std::vector<std::string> lines = FileLines(folder_ / (std::string(library) + ".log"));
    for (std::string& line : lines) line = Utf8FromCp949(line);
    return lines;
  }
  // Runs a script and checks every "name=value" line it must print.
  void RunAndExpect(const fs::path& script, const std::map<std::string, std::string>& expected) {
    const fs::path output = folder_ / "script.txt";
    const long exit_code = script_test::RunScript(script.string(), output);
    ASSERT_EQ(exit_code, 0) << std::ifstream(output).rdbuf();
    const std::map<std::string, std::string> printed = script_test::Lines(output);
    for (const auto& [name, value] : expected) {
      const auto found = printed.find(name);
      ASSERT_NE(found, printed.end()) << name << " missing; the script printed:\n" << std::ifstream(output).rdbuf();
      EXPECT_EQ(found->second, value) << name;
    }
  }

  fs::path folder_;
};

std::string Outputs(const char* size, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string("\t") + size;
  return text;
}

TEST_F(ZelkWebTest, APagePaysThroughZelkPayWebAndTheLibraryGetsEveryCallAsSent) {
  WriteScript("zelkpay43", {
      "2\t0", "2\t-7", "9\t0",
      "92\t0\t30012345", "97\t0\t정상승인", "51\t0\tABCDEFGHIJ", "138\t0\t" + std::string(4096, 'X'),
      "137\t-2\tLEFT", "189\t0\tD-100\tR-200", "191\t0\tOK\tDONE\tP\tB\tM\tA\tT\tAG", "182\t0\tKIM",
      "ZELK_GetSequenceNumber\t0\t000123", "231\t-1000\t8001XX\tREFUSED", "50\t0\tSENT-OK",
  });
  RunAndExpect(KAVORIN_TEST_DATA "\\zelkpay_flow.js",
               {{"init", "0"}, {"common", "0"}, {"credit", "0"}, {"amount", "0"}, {"store", "0"}, {"sign", "0"},
                {"dsc", "0"}, {"telecom", "0"}, {"service", "0"}, {"auth", "30012345"}, {"message", "true"},
                {"version", "ABCDEFGHI"}, {"response", "4095"}, {"request", "[]"}, {"discount", "D-100"},
                {"result", "R-200"}, {"download", "OKDONE"}, {"agency", "AG"}, {"member", "KIM"},
                {"sequence", "000123"}, {"logon", "-1000"}, {"logoncode", "8001"}, {"logonmsg", "REFUSED"},
                {"send", "0"}, {"sendresult", "SENT-OK"}, {"refused", "-7"}, {"toolong", "-10"}, {"uninit", "0"},
                {"done", "1"}});
  const std::string download = "191" + Outputs("o256", 8);
  const std::vector<std::string> expected = {
      "1",
      "2\tP\tTMP\t0",
      "15\t1234567890",
      "19\t0042",
      "3\t9410123456781234=3012\tK\tEK01\tPW",
      "4\t1004\t03\t0\t91\t410",
      "16\t카보린상점",
      "143\t1\tKEY\tMAC\td2048:010203ff",
      "154\td4096:000102",
      "149\tKT",
      "9\tD1",
      "92\to20",
      "97\to40",
      "51\to10",
      "138\to4096",
      "137\tX9\to4096",
      "189\to10\to10",
      "189\to10\to10",
      download,
      download,
      "182\t3\to20",
      "ZELK_GetSequenceNumber\to10",
      "231\tT1\tD1\tC1\tP1\tH1\tS1\tSAM" + Outputs("o100", 7),
      "50\tREQ\t3\to2048",
      "2\tP\tTMP\t1",
      "139",
  };
  EXPECT_EQ(Joined(Log("zelkpay43")), Joined(expected));
}

TEST_F(ZelkWebTest, APageTakesASignatureThroughZelkSignWebAndTheLibraryGetsEveryCallAsSent) {
  WriteScript("KavSignPad_Ctl", {
      "3\t0\tLCD\tDEF\tMODEL-7\tSW\tCM1", "4\t0\tsign.bmp\thex:0100020003ff\t5\tHASH-1", "16\t0\t삼성\tINFO-2",
      "14\t4", "23\t1", "22\t0\t" + std::string(256, 'S'),
  });
  RunAndExpect(KAVORIN_TEST_DATA "\\zelksign_flow.js",
               {{"display", "0"}, {"view", "0"}, {"service", "0"}, {"letters", "0"}, {"toolong", "-10"},
                {"model", "MODEL-7"}, {"compress", "CM1"}, {"signdata", "AQACAAM="}, {"hash", "HASH-1"},
                {"card", "0"}, {"etcname", "true"}, {"etcinfo", "INFO-2"}, {"count", "4"}, {"keyboard", "0"},
                {"logon", "1"}, {"sam", "255"}, {"done", "1"}});
  const std::string pad = "3" + Outputs("o20", 5);
  const std::string signature = "4\to252\to2048\to10\to40";
  const std::vector<std::string> expected = {
      "1\t1\t10\t20",
      "18\t2",
      "2\tCAT01\t9410\t012\t서명\tm2\tm3\tm4",
      "2\tCAT01\t9410\t000\tm1\tm2\tm3\tm4",
      pad,
      pad,
      signature,
      signature,
      "11\t001\tCAT01\t3\tM1\t4\tM2",
      "16\t2\to40\to40",
      "16\t2\to40\to40",
      "14",
      "17\t1\t13\tOK\t27\t취소",
      "23",
      "22\to256",
  };
  EXPECT_EQ(Joined(Log("KavSignPad_Ctl")), Joined(expected));
}

TEST_F(ZelkWebTest, AScriptFindsEveryMemberByName) {
  // The script is written from the member tables: every name, and a few
  // that must not be found.
  std::ostringstream script;
  script << "var missing = [];\n"
            "function check(control, names) {\n"
            "  for (var i = 0; i < names.length; ++i) if (!(names[i] in control)) missing.push(names[i]);\n"
            "}\n";
  std::size_t count = 0;
  for (const ControlUnderTest& control : kControls) {
    script << "check(new ActiveXObject(\"" << control.identity.progId << "\"), [\"AboutBox\"";
    for (const control::Member& member : control.members) script << ", \"" << member.name << "\"";
    script << "]);\n";
    count += control.members.size();
  }
  script << "var pay = new ActiveXObject(\"" << kControls[0].identity.progId << "\");\n"
         << "WScript.Echo(\"missing=\" + missing.join(\",\"));\n"
         << "WScript.Echo(\"unknown=\" + (\"NoSuchMember\" in pay) + (\"SignPADService\" in pay));\n"
         << "WScript.Echo(\"anycase=\" + (\"executesendrequest\" in pay) + (\"GETSENDREQUESTRESULT\" in pay));\n";
  EXPECT_EQ(count, 197u + 38u);
  const fs::path file = folder_ / "names.js";
  std::ofstream(file, std::ios::binary) << script.str();
  RunAndExpect(file, {{"missing", ""}, {"unknown", "falsefalse"}, {"anycase", "truetrue"}});
}

TEST_F(ZelkWebTest, RegistrationTypeLibrariesAndObjectSafety) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  for (const ControlUnderTest& control : kControls) {
    SCOPED_TRACE(control.identity.moduleName);
    const fs::path file = folder_ / control.identity.moduleName;
    control_test::ExpectRegistered(control.identity, file.string());
    control_test::ExpectTypeLibraryMatches(file, control.identity, control.members);

    control_test::Ptr<IObjectSafety> safety;
    ASSERT_EQ(CoCreateInstance(control_test::Guid(control.identity.clsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IObjectSafety, safety.out()),
              S_OK);
    control_test::ExpectScriptSafety(safety.get());
  }
  CoUninitialize();
}

}  // namespace
}  // namespace kavorin::zelk_test
