// The export families against a scripted host channel: result mapping,
// messages on failure, buffer rules and the local helpers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <functional>
#include <filesystem>

#include "client/api/export_calls.hpp"
#include "contract/export_table.hpp"
#include "client/api/free_style.hpp"
#include "client/api/host_channel.hpp"
#include "client/api/include/KAVORIN_Ctl.h"
#include "client/api/link_status.hpp"
#include "common/message_box.hpp"
#include "common/text_codec.hpp"
#include "contract/service_methods.hpp"

namespace kavorin {
namespace {

// What the scripted host does at the next activation and calls.
struct Script {
  HostStatus activate = HostStatus::kOk;
  HostStatus call = HostStatus::kOk;
  int endingCalls = 0;  // the first calls reach a host that is ending
  int activations = 0;
  std::deque<ServiceReply> replies;
  std::vector<std::pair<int, std::vector<ServiceValue>>> calls;  // what reached the host
};
Script g_script;

class ScriptedChannel : public HostChannel {
 public:
  HostStatus Activate() override {
    ++g_script.activations;
    return g_script.activate;
  }
  HostStatus Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply) override {
    g_script.calls.emplace_back(dispid, args);
    if (g_script.endingCalls > 0) {
      --g_script.endingCalls;
      return HostStatus::kEnding;
    }
    if (g_script.call != HostStatus::kOk) return g_script.call;
    if (g_script.replies.empty()) return HostStatus::kFailure;
    reply = g_script.replies.front();
    g_script.replies.pop_front();
    return HostStatus::kOk;
  }
  std::string LastError() const override { return {}; }
};

class ClientExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_script = Script{};
    SetHostChannelFactory([]() -> std::unique_ptr<HostChannel> { return std::make_unique<ScriptedChannel>(); });
    SetMessageBoxHandler([this](const std::string& caption, const std::string& text) {
      messages_.emplace_back(caption, text);
    });
  }
  void TearDown() override {
    SetHostChannelFactory(nullptr);
    SetMessageBoxHandler(nullptr);
  }
  static void Reply(int value) { g_script.replies.push_back({kDispatched, {std::int32_t{value}}}); }
  static void GetterReply(int result, const std::u16string& text) {
    g_script.replies.push_back({kDispatched, {std::int32_t{result}, text}});
  }

  std::vector<std::pair<std::string, std::string>> messages_;
};

TEST_F(ClientExportsTest, RequestResultsMapToThreeValues) {
  const std::pair<int, int> cases[] = {{0, 0}, {1, -2}, {-1, -2}, {-3, -2}};
  for (const auto& [host, expected] : cases) {
    Reply(host);
    EXPECT_EQ(KAVORIN_CreditAuth("", "4000", "00", "1000", "0"), expected) << host;
  }
  ASSERT_EQ(g_script.calls.size(), 4u);
  EXPECT_EQ(g_script.calls[0].first, FindServiceMethod("CreditAuth")->dispid);
  EXPECT_EQ(g_script.calls[0].second[3], ServiceValue(std::u16string(u"1000")));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ClientExportsTest, TextsCrossAsUnicodeAndNullTextsAsEmpty) {
  Reply(0);
  EXPECT_EQ(KAVORIN_CashApprovalPrint("\xC3\xB5\xBF\xF8", nullptr), 0);
  EXPECT_EQ(g_script.calls[0].second[0], ServiceValue(std::u16string(u"천원")));
  EXPECT_EQ(g_script.calls[0].second[1], ServiceValue(std::u16string()));
}

TEST_F(ClientExportsTest, HostFailureShowsTheExportsOwnText) {
  struct Case {
    std::function<int()> call;
    const char* text;
  };
  const Case cases[] = {
      {[] { return KAVORIN_CreditCancel2("", "", "", "", "", "", "", ""); }, "신용취소 기능 호출이 실패 하였습니다."},
      {[] { return KAVORIN_CashReceiptCancel2("", "", "", "", "", "", "", ""); },
       "현금영수증 취소(2) 기능 호출이 실패 하였습니다."},
      {[] { return KAVORIN_Track2AndSign("", ""); }, "Track2Data 읽기 기능 호출이 실패 하였습니다."},
      {[] { return KAVORIN_StatusCheck(); }, "결과 데이터 요청 기능 호출이 실패하였습니다."},
      {[] { return KAVORIN_ServiceTerminate(); }, "서비스 종료를 위한 기능 호출이 실패 하였습니다."},
      {[] {
         char buffer[64];
         return KAVORIN_GetAuthNumber(buffer);
       },
       "결과 데이터 요청 기능 호출이 실패하였습니다."},
      {[] { return KAVORIN_ExFreeStylePrint("AB"); }, "확장 freeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  };
  g_script.activate = HostStatus::kFailure;
  for (const auto& c : cases) {
    messages_.clear();
    EXPECT_EQ(c.call(), kHostFailure) << c.text;
    ASSERT_EQ(messages_.size(), 1u) << c.text;
    EXPECT_EQ(messages_[0].first, "ATL/COM Error");
    EXPECT_EQ(messages_[0].second, Cp949FromUtf8(c.text));
  }
}

TEST_F(ClientExportsTest, WithoutAnInterfaceCallsAreSkippedExceptTheFreeStylePrints) {
  g_script.activate = HostStatus::kNoInterface;
  char buffer[8] = "keep";
  EXPECT_EQ(KAVORIN_CreditAuth("", "", "", "", ""), 0);
  EXPECT_EQ(KAVORIN_GetResponseCode(buffer), 0);
  EXPECT_STREQ(buffer, "keep");
  EXPECT_EQ(KAVORIN_StatusCheck(), 0);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(KAVORIN_FreeStylePrint("text"), kHostFailure);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ClientExportsTest, FreeStylePrintSwitchesModeThenPrints) {
  Reply(-1);  // the mode switch's answer is ignored
  Reply(0);
  EXPECT_EQ(KAVORIN_FreeStylePrint("hello"), 0);
  ASSERT_EQ(g_script.calls.size(), 2u);
  EXPECT_EQ(g_script.calls[0].second,
            (std::vector<ServiceValue>{std::u16string(u"EXFREE"), std::u16string(u"0")}));
  EXPECT_EQ(g_script.calls[1].second, (std::vector<ServiceValue>{std::u16string(u"hello")}));
  Reply(0);
  Reply(1);
  EXPECT_EQ(KAVORIN_FreeStylePrint("x"), -2);
}

TEST_F(ClientExportsTest, ExFreeStylePrintFindsTheLengthByScanningBlocks) {
  const unsigned char data[] = {0x41, 0x42, 0x17, '1', '2', '3', '4', '5', '6', '0', '0', '0', '3',
                                0x00, 0x00, 0x00, 0x43, 0x44, 0x00};
  EXPECT_EQ(ScanExFreeStyleLength(data), 18u);
  Reply(0);
  Reply(0);
  EXPECT_EQ(KAVORIN_ExFreeStylePrint(reinterpret_cast<const char*>(data)), 0);
  EXPECT_EQ(g_script.calls[0].second[1], ServiceValue(std::u16string(u"9999")));
  EXPECT_EQ(g_script.calls[1].second[0], ServiceValue(std::u16string(u"414217313233343536303030330000004344")));
}

TEST_F(ClientExportsTest, ExFreeStyleScanStopsAtCutHeadersAndLongDataIsRefused) {
  const unsigned char cut[] = {0x41, 0x16, '0', 0x00};
  EXPECT_EQ(ScanExFreeStyleLength(cut), 1u);
  const unsigned char block16[] = {0x16, 'a', 'b', '0', '0', '0', '2', 0x00, 0x00, 0x45, 0x00};
  EXPECT_EQ(ScanExFreeStyleLength(block16), 10u);
  std::string long_data(10000, 'x');
  EXPECT_EQ(KAVORIN_ExFreeStylePrint(long_data.c_str()), -2);
  EXPECT_TRUE(g_script.calls.empty());
  long_data.resize(9999);
  Reply(0);
  Reply(0);
  EXPECT_EQ(KAVORIN_ExFreeStylePrint(long_data.c_str()), 0);
}

TEST_F(ClientExportsTest, FreeStyleTranEscapesAndItsAnswerIsUnescaped) {
  Reply(0);
  EXPECT_EQ(KAVORIN_FreeStyleTran("01", "A#B\r"), 0);
  EXPECT_EQ(g_script.calls[0].second[1], ServiceValue(std::u16string(u"A#cB#M")));

  GetterReply(0, u"A#M");
  char buffer[8];
  std::memset(buffer, 0x7F, sizeof buffer);
  EXPECT_EQ(KAVORIN_GetFreeStypeTranResMsg(buffer), 0);
  EXPECT_EQ(std::string(buffer, 3), std::string("A\r\x7F"));  // exactly two bytes, no NUL

  EXPECT_EQ(UnescapeFreeStyle("AB#"), "AB");
  EXPECT_FALSE(EscapeFreeStyle(std::string(1024, '#')));
  EXPECT_TRUE(EscapeFreeStyle(std::string(1023, '#') + "x"));
  EXPECT_EQ(KAVORIN_FreeStyleTran("01", std::string(2000, '\x01').c_str()), -2);
}

TEST_F(ClientExportsTest, TextGettersCopyCp949WithTheNul) {
  GetterReply(0, u"정상");
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(KAVORIN_GetDisplayData(buffer), 0);
  EXPECT_EQ(std::string(buffer, 5), std::string("\xC1\xA4\xBB\xF3\0", 5));
  GetterReply(-2, u"");
  EXPECT_EQ(KAVORIN_GetWCC(buffer), -2);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(KAVORIN_GetWCC(nullptr), kNullBuffer);
}

TEST_F(ClientExportsTest, SignDataGettersDecodeBase64WithinTheirBuffers) {
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  GetterReply(0, u"QUJD");
  EXPECT_EQ(KAVORIN_SignPADSignData(buffer), 0);
  EXPECT_EQ(std::string(buffer, 5), std::string("ABC\0x", 5));

  std::memset(buffer, 0, sizeof buffer);
  GetterReply(0, u"QUJD");
  EXPECT_EQ(KAVORIN_SignPADAsciiSignData(buffer), 0);
  EXPECT_EQ(std::string(buffer, 7), std::string("414243\0", 7));

  GetterReply(0, u"QUJDRA==");
  EXPECT_EQ(KAVORIN_SignPADSignData(buffer), 0);
  EXPECT_EQ(std::string(buffer, 5), std::string("ABCD\0", 5));

  // 4095 bytes fit with their zero, 4096 do not; the hex form takes 4000.
  const std::string base64_4095(5460, 'A');  // 4095 bytes
  const std::string base64_4098(5464, 'A');
  std::vector<char> big(9000);
  GetterReply(0, Utf16FromUtf8(base64_4095));
  EXPECT_EQ(KAVORIN_SignPADSignData(big.data()), 0);
  GetterReply(0, Utf16FromUtf8(base64_4098));
  EXPECT_EQ(KAVORIN_SignPADSignData(big.data()), kAnswerTooLong);
  GetterReply(0, Utf16FromUtf8(std::string(5336, 'A')));  // 4002 bytes
  EXPECT_EQ(KAVORIN_SignPADAsciiSignData(big.data()), kAnswerTooLong);
  EXPECT_TRUE(messages_.empty());
}

// The exports never learn the size of the caller's buffer: whatever the
// host answers, none writes past the size it documents.
TEST_F(ClientExportsTest, AnswersLongerThanTheirBuffersAreRefusedNotCopied) {
  struct Case {
    const char* what;
    std::function<int(char*)> getter;
    std::u16string answer;
    std::size_t room;  // what the caller provides
    int result;
  };
  const Case cases[] = {
      {"text, longest", KAVORIN_GetCardNumber, std::u16string(kTextAnswerBytes - 1, u'9'), kTextAnswerBytes, 0},
      {"text, one more", KAVORIN_GetCardNumber, std::u16string(kTextAnswerBytes, u'9'), kTextAnswerBytes, kAnswerTooLong},
      {"text, 100000", KAVORIN_GetNotice, std::u16string(100000, u'\uAC00'), kTextAnswerBytes, kAnswerTooLong},
      {"free-style, longest", KAVORIN_GetFreeStypeTranResMsg, std::u16string(kTextAnswerBytes, u'x'), kTextAnswerBytes,
       0},
      {"free-style, one more", KAVORIN_GetFreeStypeTranResMsg, std::u16string(kTextAnswerBytes + 1, u'x'),
       kTextAnswerBytes, kAnswerTooLong},
      {"sign data, 100000", KAVORIN_SignPADSignData, std::u16string(100000, u'A'), kSignDataBytes, kAnswerTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The caller's buffer, then bytes nobody may touch.
    std::vector<char> memory(c.room + 64, 'g');
    GetterReply(0, c.answer);
    EXPECT_EQ(c.getter(memory.data()), c.result);
    EXPECT_EQ(std::string(memory.begin() + static_cast<std::ptrdiff_t>(c.room), memory.end()), std::string(64, 'g'));
    if (c.result != 0) {
      EXPECT_EQ(memory[0], 'g');
    }
  }
  EXPECT_TRUE(messages_.empty());
}

// Refusals the library makes itself carry their own codes and no message
// box; a host that is ending is left for the one that follows.
TEST_F(ClientExportsTest, RefusalsWithoutAMessageAndTheEndingHostLeftBehind) {
  g_script.call = HostStatus::kTooLarge;
  EXPECT_EQ(KAVORIN_CreditAuth("", "", "", "", ""), kHostRefused);
  EXPECT_EQ(KAVORIN_FreeStylePrint("x"), kHostRefused);
  g_script.call = HostStatus::kOk;
  g_script.activate = HostStatus::kUntrusted;
  char buffer[16] = "untouched";
  EXPECT_EQ(KAVORIN_GetAuthNumber(buffer), kHostUntrusted);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(KAVORIN_StatusCheck(), kHostUntrusted);
  EXPECT_EQ(KAVORIN_COMStatus(), kLinkStatusHostFailure);
  EXPECT_TRUE(messages_.empty());

  g_script = Script{};
  g_script.endingCalls = 2;
  Reply(0);
  EXPECT_EQ(KAVORIN_CreditAuth("", "", "", "", ""), 0);
  EXPECT_EQ(g_script.calls.size(), 3u);
  EXPECT_EQ(g_script.activations, 3);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ClientExportsTest, MalformedRepliesCountAsHostFailures) {
  g_script.replies.push_back({kDispatched, {}});
  EXPECT_EQ(KAVORIN_CreditAuth("", "", "", "", ""), kHostFailure);
  g_script.replies.push_back({kDispatched, {std::u16string(u"not a number")}});
  EXPECT_EQ(KAVORIN_StatusCheck(), kHostFailure);
  EXPECT_EQ(messages_.size(), 2u);
}

TEST(ExportTable, OrdinalsNamesAndDecorations) {
  const auto table = ExportTable();
  ASSERT_EQ(table.size(), 70u);
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].ordinal, static_cast<int>(i) + 1);
  EXPECT_EQ(ExportedName(ExportByOrdinal(66)), "_KAVORIN_CreditCancelAndSignPrintFull@92");
  EXPECT_EQ(ExportedName(ExportByOrdinal(67)), "_KAVORIN_GetRegCOMPort@4");
  EXPECT_EQ(ExportedName(ExportByOrdinal(68)), "_KAVORIN_SetRegCOMPort@4");
  EXPECT_EQ(ExportedName(ExportByOrdinal(69)), "_KAVORIN_StatusCheck@0");
  EXPECT_EQ(ExportedName(ExportByOrdinal(70)), "_KAVORIN_Track2AndIDRead@0");
  EXPECT_EQ(ExportedName(ExportByOrdinal(60)), "KAVORIN_GetFreeStypeTranResult");
  // Every forwarded export names a real host method.
  for (const auto& entry : table) {
    if (!entry.hostMethod.empty()) {
      EXPECT_NE(FindServiceMethod(entry.hostMethod), nullptr) << entry.name;
    }
  }
}

TEST(LinkStatus, EveryStatusCheckValueHasItsLines) {
  struct Case {
    int check;
    const char* main;
    SecondLine second;
    std::optional<int> status;
    AfterTick next;
  };
  const Case cases[] = {
      {0, "단말기와의 통신이 정상 완료 되었습니다.", SecondLine::kHide, 0, AfterTick::kEnd},
      {1, "단말기로 ENQ를 송신...", SecondLine::kHide, std::nullopt, AfterTick::kKeepPolling},
      {3, "단말기를 확인하여 주시기 바랍니다...", SecondLine::kHide, std::nullopt, AfterTick::kKeepPolling},
      {100, "알 수 없는 상황임.", SecondLine::kHide, std::nullopt, AfterTick::kKeepPolling},
      {-3, "단말기와의 통신중 ACK 타임아웃이 발생하였습니다.", SecondLine::kShow, -1, AfterTick::kWaitForOk},
      {-7, "송신데이터 불량으로 장애가 발생하였습니다.", SecondLine::kShow, -1, AfterTick::kWaitForOk},
      {-1000, "호스트에서 정상처리를 하지 못하였습니다.", SecondLine::kKeep, -1, AfterTick::kWaitForOk},
  };
  for (const auto& c : cases) {
    const StatusTick tick = OnStatusTick(c.check, [] { return std::string("DISPLAY"); });
    EXPECT_EQ(tick.mainLine.value_or(""), c.main) << c.check;
    EXPECT_EQ(tick.second, c.second) << c.check;
    EXPECT_EQ(tick.status, c.status) << c.check;
    EXPECT_EQ(tick.next, c.next) << c.check;
  }
  EXPECT_EQ(OnStatusTick(-5, nullptr).secondText.value_or(""), "다시 시도하여 주시기 바랍니다.");
  EXPECT_EQ(OnStatusTick(-4, nullptr).secondText.value_or(""), "단말기와의 연결을 확인하여 주시기 바랍니다.");
  EXPECT_EQ(OnStatusTick(-1000, [] { return std::string("DISPLAY"); }).secondText.value_or(""), "DISPLAY");
  // Values outside the table: 50 keeps polling, -50 stops without a change.
  EXPECT_FALSE(OnStatusTick(50, nullptr).mainLine);
  EXPECT_EQ(OnStatusTick(50, nullptr).next, AfterTick::kKeepPolling);
  EXPECT_FALSE(OnStatusTick(-50, nullptr).status);
  EXPECT_EQ(OnStatusTick(-50, nullptr).next, AfterTick::kWaitForOk);
}

class RecordingView : public LinkStatusView {
 public:
  void ShowMain(const std::string& line) override { lines.push_back(line); }
  void ShowSecond(const std::string& line, bool) override { lines.push_back("  " + line); }
  std::vector<std::string> lines;
};

TEST(LinkStatus, HeadlessDisplayPollsUntilFinalAndCancelsWhenAsked) {
  std::deque<int> checks = {1, 3, 5, 0};
  int init_cat = 0;
  LinkStatusHost host;
  host.statusCheck = [&]() -> std::optional<int> {
    const int value = checks.front();
    if (checks.size() > 1) checks.pop_front();
    return value;
  };
  host.initCat = [&] { ++init_cat; };
  RecordingView view;
  EXPECT_EQ(RunLinkStatus(host, view, nullptr, std::chrono::seconds(30)), kLinkStatusSuccess);
  EXPECT_EQ(view.lines.front(), kStatusFirstLine);
  EXPECT_EQ(view.lines.back(), "단말기와의 통신이 정상 완료 되었습니다.");

  checks = {-4};
  EXPECT_EQ(RunLinkStatus(host, view, nullptr, std::chrono::seconds(30)), kLinkStatusFailed);

  checks = {5};
  std::atomic<bool> cancel{true};
  EXPECT_EQ(RunLinkStatus(host, view, &cancel, std::chrono::seconds(30)), kLinkStatusCancelled);
  EXPECT_EQ(init_cat, 1);
  EXPECT_EQ(RunLinkStatus(host, view, nullptr, std::chrono::milliseconds(600)), kLinkStatusCancelled);
  EXPECT_EQ(init_cat, 2);

  host.statusCheck = []() -> std::optional<int> { return std::nullopt; };
  EXPECT_EQ(RunLinkStatus(host, view, nullptr, std::chrono::seconds(30)), kLinkStatusHostFailure);
}

TEST(PortSetting, StoredPortRoundTripsThroughTheConfigFolder) {
  const auto dir = std::filesystem::temp_directory_path() / ("kavorin-port-setting-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  ::setenv("KAVORIN_CONFIG_DIR", dir.c_str(), 1);
  char port[256] = "untouched";
  EXPECT_EQ(KAVORIN_GetRegCOMPort(port), 0);
  EXPECT_STREQ(port, "untouched");
  EXPECT_EQ(KAVORIN_SetRegCOMPort("com1"), -1);
  EXPECT_EQ(KAVORIN_SetRegCOMPort("COM12"), 0);
  EXPECT_EQ(KAVORIN_GetRegCOMPort(port), 0);
  EXPECT_STREQ(port, "COM12");
  EXPECT_EQ(KAVORIN_SetRegCOMPort(("COM" + std::string(253, '1')).c_str()), -1);
  // A name that would write a line of its own into the daily log.
  EXPECT_EQ(KAVORIN_SetRegCOMPort("COM4\r\n09:00:00\t[*]\tforged"), -1);
  EXPECT_EQ(KAVORIN_GetRegCOMPort(port), 0);
  EXPECT_STREQ(port, "COM12");
  EXPECT_EQ(KAVORIN_SetRegCOMPort(nullptr), -1);
  EXPECT_EQ(KAVORIN_GetRegCOMPort(nullptr), kNullBuffer);
  ::unsetenv("KAVORIN_CONFIG_DIR");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavorin
