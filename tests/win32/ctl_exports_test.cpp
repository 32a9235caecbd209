// KAVORIN_Ctl.dll as a program binds it: loaded from its own folder, every
// export found by ordinal. Here the host object is served from the test
// process (see ctl_test_support.hpp), which shows what each export sends
// and lets the calls fail in every way COM can fail.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "contract/export_table.hpp"
#include "tests/win32/ctl_test_support.hpp"

namespace kavorin::ctl_test {
namespace {

// The export directory of the loaded DLL: name → ordinal, and the count of
// exported functions.
struct ExportDirectory {
  DWORD base = 0;
  DWORD functions = 0;
  std::map<std::string, int> names;
};

ExportDirectory ReadExportDirectory(HMODULE module) {
  const auto* image = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(image + entry.VirtualAddress);
  ExportDirectory directory{exports->Base, exports->NumberOfFunctions, {}};
  const auto* names = reinterpret_cast<const DWORD*>(image + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(image + exports->AddressOfNameOrdinals);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    directory.names[reinterpret_cast<const char*>(image + names[i])] = static_cast<int>(exports->Base + ordinals[i]);
  }
  return directory;
}

std::u16string U16(const std::string& cp949) { return Utf16FromCp949(cp949); }

class CtlExportsTest : public ::testing::Test {
 protected:
  CtlExportsTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

  ComApartment apartment_;
  Installation install_;
  FakeHost host_;
  MessageBoxDismisser boxes_;
};

TEST_F(CtlExportsTest, SeventyOrdinalsUnderTheirNames) {
  const ExportDirectory directory = ReadExportDirectory(install_.library());
  EXPECT_EQ(directory.base, 1u);
  EXPECT_EQ(directory.functions, 70u);
  ASSERT_EQ(directory.names.size(), 70u);
  for (const ExportEntry& entry : ExportTable()) {
    const std::string name = ExportedName(entry);
    SCOPED_TRACE(name);
    ASSERT_EQ(directory.names.count(name), 1u);
    EXPECT_EQ(directory.names.at(name), entry.ordinal);
    EXPECT_EQ(GetProcAddress(install_.library(), name.c_str()), install_.Ordinal(entry.ordinal));
    if (entry.decorated) {
      // 66 to 70 are there under their decorated names only.
      EXPECT_EQ(GetProcAddress(install_.library(), std::string(entry.name).c_str()), nullptr);
    }
  }
  EXPECT_EQ(directory.names.count("_KAVORIN_CreditCancelAndSignPrintFull@92"), 1u);
  EXPECT_EQ(directory.names.count("_KAVORIN_GetRegCOMPort@4"), 1u);
  EXPECT_EQ(directory.names.count("_KAVORIN_SetRegCOMPort@4"), 1u);
  EXPECT_EQ(directory.names.count("_KAVORIN_StatusCheck@0"), 1u);
  EXPECT_EQ(directory.names.count("_KAVORIN_Track2AndIDRead@0"), 1u);
  EXPECT_EQ(install_.Ordinal(71), nullptr);
}

// The exports whose only work is one host method with their texts.
bool IsPlainRequest(const ExportEntry& entry) {
  static const std::set<int> others = {1, 3, 4, 16, 54, 55, 59, 69};
  if (entry.hostMethod.empty() || others.count(entry.ordinal) != 0 || entry.arguments == "buffer") return false;
  return FindServiceMethod(entry.hostMethod)->reply == ReplyShape::Int;
}

TEST_F(CtlExportsTest, EveryRequestOrdinalSendsItsTextsToItsMethod) {
  int checked = 0;
  for (const ExportEntry& entry : ExportTable()) {
    if (!IsPlainRequest(entry)) continue;
    SCOPED_TRACE(entry.name);
    // Distinct texts, one of them Korean, so that order and conversion show.
    std::vector<std::string> texts;
    std::vector<ServiceValue> expected;
    for (int i = 0; i < ArgumentCount(entry); ++i) {
      texts.push_back((i == 1 ? Cp949("승인") : std::string("arg")) + std::to_string(i));
      expected.emplace_back(U16(texts.back()));
    }
    host_.ClearCalls();
    host_.Answer(entry.hostMethod.data(), {S_OK, 0, {}});
    EXPECT_EQ(CallTexts(install_.Ordinal(entry.ordinal), texts), 0);
    const auto calls = host_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].dispid, FindServiceMethod(entry.hostMethod)->dispid);
    EXPECT_EQ(calls[0].args, expected);
    ++checked;
  }
  EXPECT_EQ(checked, 29);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(CtlExportsTest, RequestResultsMapToZeroOrMinusTwo) {
  const auto credit_auth = install_.Bind<int(WINAPI*)(const char*, const char*, const char*, const char*, const char*)>(2);
  for (const auto& [host, expected] : std::vector<std::pair<int, int>>{{0, 0}, {1, -2}, {-1, -2}, {-7, -2}}) {
    host_.Answer("CreditAuth", {S_OK, host, {}});
    EXPECT_EQ(credit_auth("", "", "00", "1004", "0"), expected) << host;
  }
  // StatusCheck and ServiceTerminate hand the host's value on as it is.
  host_.Answer("StatusCheck", {S_OK, -1000, {}});
  EXPECT_EQ(install_.Bind<NoArgs>(69)(), -1000);
  host_.Answer("ServiceTerminate", {S_OK, 7, {}});
  EXPECT_EQ(install_.Bind<NoArgs>(4)(), 7);
}

TEST_F(CtlExportsTest, EveryGetterOrdinalCopiesItsMethodsText) {
  static const std::set<int> special = {45, 53, 61, 67};
  int checked = 0;
  for (const ExportEntry& entry : ExportTable()) {
    if (entry.arguments != "buffer" || special.count(entry.ordinal) != 0) continue;
    SCOPED_TRACE(entry.name);
    const std::string value = Cp949("정상승인 ") + std::to_string(entry.ordinal);
    host_.Answer(entry.hostMethod.data(), {S_OK, 3, U16(value)});
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(install_.Bind<Buffer>(entry.ordinal)(buffer), 3);
    EXPECT_EQ(std::string(buffer, value.size() + 2), value + std::string("\0x", 2));
    ++checked;
  }
  EXPECT_EQ(checked, 26);
  // An empty (null) value copies one NUL and passes the result code on.
  host_.Answer("GetNotice", {S_OK, -2, {}});
  char buffer[4] = "abc";
  EXPECT_EQ(install_.Bind<Buffer>(28)(buffer), -2);
  EXPECT_EQ(std::string(buffer, 3), std::string("\0bc", 3));
}

TEST_F(CtlExportsTest, SignDataAndFreeStyleAnswersAreDecoded) {
  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  host_.Answer("GetSignPADSignData", {S_OK, 0, u"AQJTSUdO/w=="});
  EXPECT_EQ(install_.Bind<Buffer>(45)(buffer), 0);
  EXPECT_EQ(std::string(buffer, 9), std::string("\x01\x02SIGN\xFF\0x", 9));

  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(install_.Bind<Buffer>(53)(buffer), 0);
  EXPECT_STREQ(buffer, "01025349474EFF");

  std::memset(buffer, 'x', sizeof buffer);
  host_.Answer("GetFreeStyleTranResMsg", {S_OK, 0, u"A#M"});
  EXPECT_EQ(install_.Bind<Buffer>(61)(buffer), 0);
  EXPECT_EQ(std::string(buffer, 3), "A\rx");  // two bytes, no NUL

  host_.ClearCalls();
  EXPECT_EQ(install_.Bind<int(WINAPI*)(const char*, const char*)>(59)("01", "A#B\r"), 0);
  ASSERT_EQ(host_.Calls().size(), 1u);
  EXPECT_EQ(host_.Calls()[0].args, (std::vector<ServiceValue>{u"01", u"A#cB#M"}));
}

TEST_F(CtlExportsTest, FreeStylePrintsSwitchTheModeThenPrint) {
  const unsigned char ex_data[] = {0x41, 0x42, 0x17, '1', '2', '3', '4', '5', '6', '0', '0', '0', '3',
                                   0x00, 0x00, 0x00, 0x43, 0x44, 0x00};
  struct Case {
    int ordinal;
    const char* data;
    std::u16string mode;
    std::u16string sent;
  };
  const Case cases[] = {
      {16, "free text", u"0", u"free text"},
      {54, reinterpret_cast<const char*>(ex_data), u"9999", u"414217313233343536303030330000004344"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ordinal);
    host_.ClearCalls();
    host_.Answer("CashApprovalPrint", {S_OK, -1, {}});  // ignored
    host_.Answer("FreeStylePrint", {S_OK, 0, {}});
    EXPECT_EQ(install_.Bind<OneText>(c.ordinal)(c.data), 0);
    const auto calls = host_.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].dispid, FindServiceMethod("CashApprovalPrint")->dispid);
    EXPECT_EQ(calls[0].args, (std::vector<ServiceValue>{u"EXFREE", c.mode}));
    EXPECT_EQ(calls[1].dispid, FindServiceMethod("FreeStylePrint")->dispid);
    EXPECT_EQ(calls[1].args, (std::vector<ServiceValue>{c.sent}));
  }
  host_.Answer("FreeStylePrint", {S_OK, 1, {}});
  EXPECT_EQ(install_.Bind<OneText>(16)("x"), -2);
}

TEST_F(CtlExportsTest, AnImageIsReadAndUploadedAsHex) {
  // 16 x 2 pixels, 1 bit each: rows of 2 bytes padded to 4, bottom row first.
  std::string file(62, '\0');
  const auto put = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, 62 + 8, 4);
  put(10, 62, 4);
  put(14, 40, 4);
  put(18, 16, 4);
  put(22, 2, 4);
  put(26, 1, 2);
  put(28, 1, 2);
  put(34, 8, 4);
  file += std::string("\x0F\xF0\0\0\xFF\x00\0\0", 8);
  const fs::path bmp = install_.folder() / "logo.bmp";
  std::ofstream(bmp, std::ios::binary) << file;
  const std::string path = bmp.string();

  char bytes[4096];
  EXPECT_EQ(install_.Bind<int(WINAPI*)(const char*, char*)>(56)(path.c_str(), bytes), 8);
  // Top row first; every byte of the row, padding too, inverted with its
  // bits reversed.
  EXPECT_EQ(std::string(bytes, 8), std::string("\x00\xFF\xFF\xFF\x0F\xF0\xFF\xFF", 8));

  host_.ClearCalls();
  host_.Answer("FreeStylePrint", {S_OK, 0, {}});
  EXPECT_EQ(install_.Bind<OneText>(55)(path.c_str()), 0);
  const auto calls = host_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args, (std::vector<ServiceValue>{u"EXFREE", u"12"}));
  EXPECT_EQ(calls[1].args, (std::vector<ServiceValue>{u"1000020000FFFFFF0FF0FFFF"}));
  EXPECT_TRUE(boxes_.Shown().empty());
}

// ---------------------------------------------------------------------------
// The call frame's failures.

TEST_F(CtlExportsTest, EveryComFailureShowsTheExportsOwnTextAndGivesMinusTenThousand) {
  struct Failure {
    const char* name;
    std::function<void(FakeHost&)> arrange;
  };
  const Failure failures[] = {
      {"class not registered", [](FakeHost& host) { host.create = REGDB_E_CLASSNOTREG; }},
      {"OleRun fails", [](FakeHost& host) { host.run = E_FAIL; }},
      {"the method fails", [](FakeHost& host) {
         for (const auto& method : ServiceMethods()) host.Answer(method.dispid, {DISP_E_EXCEPTION, 0, {}});
       }},
  };
  struct Export {
    int ordinal;
    std::function<int(const Installation&)> call;
    const char* text;
  };
  const Export exports[] = {
      {2, [](const Installation& i) { return CallTexts(i.Ordinal(2), {"", "", "", "", ""}); },
       "신용승인 기능 호출이 실패 하였습니다."},
      {50, [](const Installation& i) { return CallTexts(i.Ordinal(50), std::vector<std::string>(8)); },
       "신용취소 기능 호출이 실패 하였습니다."},
      {51, [](const Installation& i) { return CallTexts(i.Ordinal(51), std::vector<std::string>(8)); },
       "현금영수증 취소(2) 기능 호출이 실패 하였습니다."},
      {66, [](const Installation& i) { return CallTexts(i.Ordinal(66), std::vector<std::string>(23)); },
       "신용 취소 응답 전표 인쇄 요청(사인포함 - FULL) 기능 호출이 실패하였습니다."},
      {70, [](const Installation& i) { return i.Bind<NoArgs>(70)(); }, "Track2AndID 읽기 기능 호출이 실패 하였습니다."},
      {69, [](const Installation& i) { return i.Bind<NoArgs>(69)(); }, "결과 데이터 요청 기능 호출이 실패하였습니다."},
      {4, [](const Installation& i) { return i.Bind<NoArgs>(4)(); }, "서비스 종료를 위한 기능 호출이 실패 하였습니다."},
      {24, [](const Installation& i) {
         char buffer[16] = "kept";
         const int result = i.Bind<Buffer>(24)(buffer);
         EXPECT_STREQ(buffer, "kept");
         return result;
       },
       "결과 데이터 요청 기능 호출이 실패하였습니다."},
      {54, [](const Installation& i) { return i.Bind<OneText>(54)("AB"); },
       "확장 freeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  };
  for (const Failure& failure : failures) {
    for (const Export& e : exports) {
      SCOPED_TRACE(std::string(failure.name) + ", ordinal " + std::to_string(e.ordinal));
      host_.Reset();
      failure.arrange(host_);
      boxes_.Clear();
      EXPECT_EQ(e.call(install_), -10000);
      const auto shown = boxes_.Shown();
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].caption, "ATL/COM Error");
      EXPECT_EQ(shown[0].text, Cp949(e.text));
    }
  }
}

TEST_F(CtlExportsTest, WithoutTheInterfaceCallsAreSkippedButTheFreeStylePrintsFail) {
  for (const bool refusedByTheFactory : {false, true}) {
    SCOPED_TRACE(refusedByTheFactory ? "the class factory refuses" : "QueryInterface refuses");
    FakeHost& host = host_;
    host.Reset();
    if (refusedByTheFactory) {
      host.create = E_NOINTERFACE;
    } else {
      host.hasInterface = false;
    }
    boxes_.Clear();
    EXPECT_EQ(CallTexts(install_.Ordinal(2), {"", "", "", "", ""}), 0);
    EXPECT_EQ(install_.Bind<NoArgs>(69)(), 0);
    char buffer[8] = "kept";
    EXPECT_EQ(install_.Bind<Buffer>(17)(buffer), 0);
    EXPECT_STREQ(buffer, "kept");
    EXPECT_TRUE(host.Calls().empty());
    EXPECT_TRUE(boxes_.Shown().empty());

    EXPECT_EQ(install_.Bind<OneText>(16)("x"), -10000);
    const auto shown = boxes_.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Cp949("FreeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다."));
  }
}

TEST_F(CtlExportsTest, EveryReferenceTakenIsGivenBack) {
  const long before = host_.References();
  host_.Answer("GetCardNumber", {S_OK, 0, u"9410"});
  char buffer[16];
  install_.Bind<Buffer>(18)(buffer);
  CallTexts(install_.Ordinal(7), std::vector<std::string>(7));
  install_.Bind<OneText>(16)("x");
  EXPECT_EQ(host_.References(), before);
}

TEST(CtlComApartment, ACallerInTheMultithreadedApartmentKeepsItsCom) {
  Installation install("mta");
  MessageBoxDismisser boxes;
  HRESULT again = E_FAIL;
  int result = 0;
  std::thread caller([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      // The library's CoInitialize fails here (RPC_E_CHANGED_MODE); its
      // call works all the same, and the thread's COM must outlive it.
      FakeHost host;
      host.Answer("StatusCheck", {S_OK, 4, {}});
      result = install.Bind<NoArgs>(69)();
    }
    again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(again)) CoUninitialize();
    CoUninitialize();
  });
  caller.join();
  EXPECT_EQ(again, S_FALSE) << "the library ended the caller's COM";
  EXPECT_EQ(result, 4);
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace kavorin::ctl_test
