#include "host/service/terminal_service.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "common/text_codec.hpp"
#include "host/link/status_check.hpp"
#include "tests/host/link/link_harness.hpp"
#include "tests/host/service/service_harness.hpp"

namespace kavorin::testing {
namespace {

const std::string kCreditResponse = TransactionResponse(
    {"0000", "4000123412341234=2812", "03", "261207120000", "", "1000", "12345678", "01", "99887766", "N", "",
     "02", "\xC1\xA4\xBB\xF3", "", "", ""});

TEST(ServiceMethods, TableHasEveryDispatchIdOnceInOrder) {
  const auto methods = ServiceMethods();
  ASSERT_EQ(methods.size(), 65u);
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < methods.size(); ++i) {
    EXPECT_EQ(methods[i].dispid, static_cast<int>(i) + 1);
    EXPECT_TRUE(names.insert(methods[i].name).second) << methods[i].name;
    EXPECT_EQ(FindServiceMethod(methods[i].name), &methods[i]);
  }
  EXPECT_EQ(FindServiceMethod(0), nullptr);
  EXPECT_EQ(FindServiceMethod(66), nullptr);
}

TEST(ServiceMethods, ParametersAreParsedFromTheirNames) {
  const auto names = ParameterNames(*FindServiceMethod("UploadImageToCAT"));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "bstrData");
  EXPECT_FALSE(IsIntegerParameter(names[0]));
  EXPECT_TRUE(IsIntegerParameter(names[1]));
  EXPECT_TRUE(ParameterNames(*FindServiceMethod("StatusCheck")).empty());
  EXPECT_EQ(ParameterNames(*FindServiceMethod("CreditCancelAndSignPrintFull")).size(), 23u);
}

// Every request service sends its own message code and records its kind.
TEST(TerminalService, EveryRequestServiceSendsItsCode) {
  struct Case {
    const char* method;
    std::vector<std::u16string> texts;
    const char* code;
    int kind;
  };
  const Case cases[] = {
      {"CreditAuth", {}, "D1", 1},
      {"CreditCancel", {}, "D2", 2},
      {"CashReceiptAuth", {}, "K1", 3},
      {"CashReceiptCancel", {}, "K2", 4},
      {"CreditAuth2", {}, "D3", 1},
      {"CashReceiptAuth2", {}, "K3", 3},
      {"CreditCancel2", {}, "D4", 2},
      {"CashReceiptCancel2", {}, "K4", 4},
      {"Track2Read", {}, "RC", 5},
      {"Track2AndIDRead", {}, "RF", 5},
      {"Track3Read", {}, "RD", 6},
      {"Track2AndSign", {}, "RS", 5},
      {"Track2AndSignWAmountInfo", {}, "RA", 5},
      {"SignRead", {}, "RE", 5},
      {"FreeStyleTran", {}, "FT", 5},
      {"CashApprovalPrint", {u"1000", u"0"}, "C1", 7},
      {"CashCancelPrint", {}, "C2", 8},
      {"CreditAuthResultPrint", {}, "P1", 9},
      {"CreditAuthResultPrint", {u"", u"", u"", u"", u"", u"100"}, "P3", 9},
      {"CreditCancelResultPrint", {}, "P2", 10},
      {"CashReceiptAuthResultPrint", {}, "N1", 11},
      {"CashReceiptCancelResultPrint", {}, "N2", 12},
      {"CashReceiptAuthPrint", {}, "N1", 11},
      {"CashReceiptCancelPrint", {}, "N2", 12},
      {"CreditAuthAndSignPrint", {}, "P5", 9},
      {"CreditCancelAndSignPrint", {}, "P6", 10},
      {"CreditAuthAndSignPrintFull", {}, "P7", 9},
      {"CreditCancelAndSignPrintFull", {}, "P8", 10},
      {"CashReceiptAuthPrintFull", {}, "N7", 11},
      {"CashReceiptCancelPrintFull", {}, "N8", 12},
      {"FreeStylePrint", {u"hello"}, "F1", 13},
      {"OpenCashPayingMachine", {}, "MB", 14},
  };
  for (const auto& c : cases) {
    ServiceHarness h;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.CallTexts(c.method, c.texts), kRequestStarted) << c.method;
    EXPECT_EQ(h.service.passage().messageKind(), c.kind) << c.method;
    EXPECT_EQ(h.service.statusLevel(), 1);
    const std::string wire = h.RunExchange();
    ASSERT_GE(wire.size(), 4u) << c.method;
    EXPECT_EQ(wire.substr(0, 2), "\x05\x02") << c.method;
    EXPECT_EQ(wire.substr(2, 2), c.code) << c.method;
    EXPECT_EQ(h.Result(h.Call("StatusCheck")), c.kind >= 7 ? kStatusSuccess : kStatusNoResponse) << c.method;
  }
}

TEST(TerminalService, DataRequestsAreFramedWithTheirLengthText) {
  struct Case {
    const char* what;
    std::function<int(ServiceHarness&)> call;
    std::string frame;
  };
  const Case cases[] = {
      {"F3 ignores the size", [](ServiceHarness& h) {
         return h.Result(h.Call("ExFreeStylePrint", {std::u16string(u"0A1b"), std::int32_t{77}}));
       }, TerminalFrame(std::string("F30002\x0A\x1B", 8))},
      {"IU sends the first size bytes", [](ServiceHarness& h) {
         return h.Result(h.Call("UploadImageToCAT", {std::u16string(u"0A1B"), std::int32_t{3}}));
       }, TerminalFrame(std::string("IU0003\x0A\x1B\x00", 9))},
      {"F1 counts the text plus 5", [](ServiceHarness& h) { return h.CallTexts("FreeStylePrint", {u"0123456789"}); },
       TerminalFrame("F100150123456789")},
      {"MB is fixed", [](ServiceHarness& h) { return h.CallTexts("OpenCashPayingMachine"); },
       std::string("\x02\x4D\x42\x03\x2C", 5)},
  };
  for (const auto& c : cases) {
    ServiceHarness h;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(c.call(h), kRequestStarted) << c.what;
    EXPECT_EQ(h.RunExchange(), "\x05" + c.frame) << c.what;
  }
}

TEST(TerminalService, RequestsWithThePortClosedStartNothing) {
  ServiceHarness h;
  for (const auto& method : ServiceMethods()) {
    if (method.reply != ReplyShape::Int) continue;
    const std::string_view name = method.name;
    if (name == "StatusCheck" || name == "ServiceTerminate" || name == "InitCAT") continue;
    std::vector<ServiceValue> args;
    for (const auto param : ParameterNames(method)) {
      if (IsIntegerParameter(param)) {
        args.emplace_back(std::int32_t{2});
      } else {
        args.emplace_back(std::u16string(u"00"));
      }
    }
    EXPECT_EQ(h.Result(h.service.Invoke(method.dispid, args)), kPortNotOpen) << name;
    EXPECT_FALSE(h.timers.IsArmed(kTimerStartExchange)) << name;
  }
  EXPECT_TRUE(h.port.wire.empty());
}

TEST(TerminalService, AClosedPortRequestStillEmptiesTheKeptResponse) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  h.CallTexts("CreditAuth");
  h.RunExchange(kCreditResponse);
  EXPECT_EQ(h.Result(h.Call("StatusCheck")), kStatusSuccess);
  EXPECT_EQ(h.Get("GetResponseCode"), std::make_pair(0, std::u16string(u"0000")));

  EXPECT_EQ(h.CallTexts("CreditAuth"), kPortNotOpen);
  EXPECT_EQ(h.Get("GetResponseCode").first, kNoResponse);
}

TEST(TerminalService, Track2AndSignKeepsThePreviousResponseReadableAsARead) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  h.CallTexts("CreditAuth");
  h.RunExchange(kCreditResponse);
  ASSERT_EQ(h.Result(h.Call("StatusCheck")), kStatusSuccess);

  EXPECT_EQ(h.CallTexts("Track2AndSign", {u"CAT1", u"001"}), kPortNotOpen);
  EXPECT_EQ(h.Get("GetResponseCode").first, kWrongMessageKind);
  EXPECT_EQ(h.Get("GetTrackData"), std::make_pair(0, std::u16string(u"000")));
}

TEST(TerminalService, GettersConvertFromCp949AndReportEmptyAsNothing) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  h.CallTexts("CreditAuth");
  h.RunExchange(kCreditResponse);
  h.Call("StatusCheck");
  EXPECT_EQ(h.Get("GetDisplayData"), std::make_pair(0, std::u16string(u"정상")));
  EXPECT_EQ(h.Get("GetCardNumber"), std::make_pair(0, std::u16string(u"4000123412******")));
  EXPECT_EQ(h.Get("GetBeforeAuthDate"), std::make_pair(0, std::u16string()));
  EXPECT_EQ(h.Get("GetWCC").first, kWrongMessageKind);
  EXPECT_EQ(h.Get("GetCashReceiptType").first, kWrongMessageKind);
}

TEST(TerminalService, TextsGoToTheTerminalAsCp949UpToTheirFirstNul) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  h.CallTexts("CashApprovalPrint", {u"천원", std::u16string(u"0\0ignored", 9)});
  EXPECT_EQ(h.RunExchange(), "\x05" + TerminalFrame("C1\x1C\x1C\x1C\xC3\xB5\xBF\xF8\x1C" "0"));
}

TEST(TerminalService, FreeStyleModeSelectsTheNextPrintOnly) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.CallTexts("CashApprovalPrint", {u"EXFREE", u"9999"}), kRequestStarted);
  EXPECT_EQ(h.service.freeStyleMode(), kFreeStyleHex);
  EXPECT_FALSE(h.timers.IsArmed(kTimerStartExchange));  // a mode switch, no exchange
  EXPECT_EQ(h.CallTexts("FreeStylePrint", {u"0A1B"}), kRequestStarted);
  EXPECT_EQ(h.RunExchange(), "\x05" + TerminalFrame(std::string("F30002\x0A\x1B", 8)));

  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.CallTexts("FreeStylePrint", {u"0A1B"}), kRequestStarted);  // F1 again
  EXPECT_EQ(h.RunExchange(), "\x05" + TerminalFrame("F100090A1B"));

  const struct {
    const char16_t* amount;
    const char16_t* option;
    int mode;
  } modes[] = {{u"EXFREE1028", u"1028", 1028}, {u"EXFREE", u"  -7x", -7}, {u"EXFREE", u"abc", 0}};
  for (const auto& m : modes) {
    h.CallTexts("CashApprovalPrint", {m.amount, m.option});
    EXPECT_EQ(h.service.freeStyleMode(), m.mode);
  }

  // Lower case is an ordinary cash voucher.
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.CallTexts("CashApprovalPrint", {u"exfree", u"9999"}), kRequestStarted);
  EXPECT_EQ(h.RunExchange(), "\x05" + TerminalFrame("C1\x1C\x1C\x1C" "exfree\x1C" "9999"));
}

TEST(TerminalService, FreeStylePrintResetsTheModeEvenWithThePortClosed) {
  ServiceHarness h;
  h.CallTexts("CashApprovalPrint", {u"EXFREE", u"9999"});
  EXPECT_EQ(h.CallTexts("FreeStylePrint", {u"0A"}), kPortNotOpen);
  EXPECT_EQ(h.service.freeStyleMode(), kFreeStyleText);
}

// The mode switch used to store a C1 voucher and arm the start timer; when
// FreeStylePrint came more than 10 ms later, a voucher for "EXFREE" went to
// the terminal first.
TEST(TerminalService, ModeSwitchSendsNoVoucherHoweverLateThePrintComes) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  h.CallTexts("CashApprovalPrint", {u"EXFREE", u"3"});
  h.timers.Advance(50);
  EXPECT_TRUE(h.port.wire.empty());
  EXPECT_EQ(h.CallTexts("FreeStylePrint", {u"0A1B2C"}), kRequestStarted);
  EXPECT_EQ(h.RunExchange(), "\x05" + TerminalFrame("IU0003\x0A\x1B\x2C"));
  EXPECT_EQ(h.Result(h.Call("StatusCheck")), kStatusSuccess);
}

TEST(TerminalService, OversizeRequestsAreRefusedAndLeaveTheWaitingOneAlone) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  ASSERT_EQ(h.CallTexts("CashApprovalPrint", {u"1000", u"0"}), kRequestStarted);
  const std::vector<std::uint8_t> waiting(h.service.link().request().begin(), h.service.link().request().end());

  EXPECT_EQ(h.CallTexts("CreditAuth", {u"", u"", u"", std::u16string(8200, u'9')}), kRequestRefused);
  EXPECT_EQ(h.CallTexts("FreeStylePrint", {std::u16string(8184, u'x')}), kRequestRefused);
  EXPECT_EQ(h.Result(h.Call("ExFreeStylePrint", {std::u16string(16368, u'A'), std::int32_t{0}})), kRequestRefused);
  EXPECT_EQ(h.Result(h.Call("UploadImageToCAT", {std::u16string(u"00"), std::int32_t{-1}})), kRequestRefused);
  EXPECT_EQ(h.Result(h.Call("UploadImageToCAT", {std::u16string(u"00"), std::int32_t{8184}})), kRequestRefused);
  EXPECT_EQ(std::vector<std::uint8_t>(h.service.link().request().begin(), h.service.link().request().end()), waiting);

  // The largest that fit go out whole.
  EXPECT_EQ(h.CallTexts("FreeStylePrint", {std::u16string(8183, u'x')}), kRequestStarted);
  EXPECT_EQ(h.service.link().requestLength(), 8192);
  EXPECT_EQ(h.Result(h.Call("UploadImageToCAT", {std::u16string(u"00"), std::int32_t{8183}})), kRequestStarted);
  EXPECT_EQ(h.service.link().requestLength(), 8192);
}

TEST(TerminalService, StartComPortWritesItsLogLines) {
  ServiceHarness h;
  EXPECT_FALSE(h.Start(u""));
  EXPECT_FALSE(h.Start(u"C"));
  EXPECT_TRUE(h.Start(u"COM3"));
  EXPECT_EQ(h.DailyLog(),
            "09:05:07\t[*]\t[KAVORIN-StartComPort] COM PORT=[]|\r\r\n"
            "09:05:07\t[*]\t[KAVORIN-StartComPort] \xB4\xDC\xB8\xBB\xB1\xE2\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC0\xBB "
            "\xC0\xA7\xC7\xD1 Serial Port \xC1\xA4\xBA\xB8\xB0\xA1 \xC1\xB8\xC0\xE7\xC7\xCF\xC1\xF6 \xBE\xCA\xC0\xBD|\r\r\n"
            "09:05:07\t[*]\t[KAVORIN-StartComPort] COM PORT=[C]|\r\r\n"
            "09:05:07\t[*]\t[KAVORIN-StartComPort] \xB4\xDC\xB8\xBB\xB1\xE2\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC0\xBB "
            "\xC0\xA7\xC7\xD1 Serial Port Open \xBD\xC7\xC6\xD0 \xC7\xD4|\r\r\n"
            "09:05:07\t[*]\t[KAVORIN-StartComPort] COM PORT=[COM3]|\r\r\n"
            "09:05:07\t[*]\t[KAVORIN-StartComPort] \xB4\xDC\xB8\xBB\xB1\xE2\xBF\xCD\xC0\xC7 \xC5\xEB\xBD\xC5\xC0\xBB "
            "\xC0\xA7\xC7\xD1 Serial Port Open \xBC\xBA\xB0\xF8 \xC7\xD4|\r\r\n");
}

TEST(TerminalService, AFailedOpenTellsTheDiagnosticsWhy) {
  ServiceHarness h;
  std::vector<std::string> lines;
  h.service.SetDiagnostics([&](const std::string& line) { lines.push_back(line); });
  ASSERT_TRUE(h.Start(u"COM3"));
  EXPECT_TRUE(lines.empty());
  h.port.failOpen = true;
  EXPECT_FALSE(h.Start(u"COM3"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "StartComPort(COM3) failed: open(COM3): refused by the test");
}

TEST(TerminalService, StartComPortTwiceReopensTheSameDevice) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.port.openCount, 2);
  EXPECT_EQ(h.port.closeCount, 1);
  EXPECT_EQ(h.port.openedName, "COM3");
  EXPECT_EQ(h.Result(h.Call("StatusCheck")), kStatusUnknown);
}

// A start refused for want of a port must not leave the previous sale's
// result looking like the answer to the request that follows.
TEST(TerminalService, EmptyPortNameClearsThePreviousResult) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  ASSERT_EQ(h.CallTexts("CreditAuth"), 0);
  h.RunExchange(kCreditResponse);
  ASSERT_EQ(h.Result(h.Call("StatusCheck")), kStatusSuccess);
  ASSERT_EQ(h.Get("GetAuthNumber"), std::make_pair(0, std::u16string(u"12345678")));

  EXPECT_FALSE(h.Start(u""));
  EXPECT_EQ(h.CallTexts("CreditAuth"), kPortNotOpen);
  EXPECT_EQ(h.Result(h.Call("StatusCheck")), kStatusNothingStarted);
  EXPECT_EQ(h.Get("GetAuthNumber").first, kNoResponse);
  EXPECT_FALSE(h.port.IsOpen());
  EXPECT_NE(h.DailyLog().find(Cp949FromUtf8("[KAVORIN-StartComPort] 단말기와의 통신을 위한 Serial Port 정보가 존재하지 않음")),
            std::string::npos);
}

// A text no message can hold is refused before it is converted: the
// conversion would only cost the one thread every client shares.
TEST(TerminalService, TextsLongerThanAnyMessageAreRefusedUnconverted) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  const std::u16string longest(kMaxTextArgument, u'0');
  const std::u16string too_long(kMaxTextArgument + 1, u'\xFFFD');
  EXPECT_EQ(h.Result(h.Call("ExFreeStylePrint", {longest, std::int32_t{0}})), kRequestRefused);  // 9999 bytes: no frame
  EXPECT_EQ(h.Result(h.Call("ExFreeStylePrint", {too_long, std::int32_t{0}})), kRequestRefused);
  EXPECT_EQ(h.CallTexts("CreditAuth", {u"", too_long}), kRequestRefused);
  EXPECT_EQ(h.Result(h.Call("StartComPort", {too_long})), 0);
  // Refused without a trace: no log line, the open port untouched.
  EXPECT_EQ(h.DailyLog().find("\xFF"), std::string::npos);
  EXPECT_EQ(h.DailyLog().find("????"), std::string::npos);
  EXPECT_TRUE(h.port.IsOpen());
  EXPECT_EQ(h.CallTexts("CreditAuth"), kRequestStarted);
}

// Between ServiceTerminate and the end of the process the host does no new
// work: a client that reached it goes on to the next host.
TEST(TerminalService, AnEndingServiceRefusesNewWork) {
  ServiceHarness h;
  int ending = 0, terminated = 0;
  h.service.SetEndingHandler([&] { ++ending; });
  h.service.SetTerminateHandler([&] { ++terminated; });
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Result(h.Call("ServiceTerminate")), 0);
  EXPECT_EQ(ending, 1);
  for (const char* method : {"StartComPort", "StatusCheck", "GetResponseCode", "InitCAT"}) {
    std::vector<ServiceValue> args;
    if (std::string_view(method) == "StartComPort") args.emplace_back(std::u16string(u"COM3"));
    EXPECT_EQ(h.service.Invoke(method, args).dispatch, kServiceEnding) << method;
  }
  const std::vector<ServiceValue> texts(5, std::u16string());
  EXPECT_EQ(h.service.Invoke("CreditAuth", texts).dispatch, kServiceEnding);
  h.port.TakeWire();
  // A second ServiceTerminate is answered, and does not put the end off.
  h.timers.Advance(300);
  EXPECT_EQ(h.Result(h.Call("ServiceTerminate")), 0);
  h.timers.Advance(200);
  EXPECT_EQ(terminated, 1);
  EXPECT_EQ(ending, 1);
  EXPECT_TRUE(h.port.wire.empty());
}

TEST(TerminalService, InitCatSendsThreeDleBytes) {
  ServiceHarness h;
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Result(h.Call("InitCAT")), 0);
  EXPECT_EQ(h.port.TakeWire(), "\x10\x10\x10");
}

TEST(TerminalService, ServiceTerminateEndsHalfASecondLater) {
  ServiceHarness h;
  int terminated = 0;
  h.service.SetTerminateHandler([&] { ++terminated; });
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Result(h.Call("ServiceTerminate")), 0);
  h.timers.Advance(499);
  EXPECT_EQ(terminated, 0);
  EXPECT_TRUE(h.port.IsOpen());
  h.timers.Advance(1);
  EXPECT_EQ(terminated, 1);
  EXPECT_FALSE(h.port.IsOpen());
  EXPECT_FALSE(h.timers.IsArmed(kTimerTerminate));
}

TEST(TerminalService, BadCallsAreRefusedByTheDispatcher) {
  ServiceHarness h;
  EXPECT_EQ(h.service.Invoke(0, {}).dispatch, kUnknownMethod);
  EXPECT_EQ(h.service.Invoke("NoSuchMethod", {}).dispatch, kUnknownMethod);
  EXPECT_EQ(h.Call("StartComPort").dispatch, kBadArguments);
  EXPECT_EQ(h.Call("StartComPort", {std::int32_t{1}}).dispatch, kBadArguments);
  EXPECT_EQ(h.Call("UploadImageToCAT", {std::u16string(u"00"), std::u16string(u"1")}).dispatch, kBadArguments);
  EXPECT_EQ(h.Call("StatusCheck", {std::int32_t{1}}).dispatch, kBadArguments);
}

}  // namespace
}  // namespace kavorin::testing
