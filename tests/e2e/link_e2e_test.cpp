// CatLink with the termios channel and the asio timers, on a real pty, with
// the simulator as the terminal: every fault the terminal can commit, the
// status it leaves, and a good exchange right after it.
#include <gtest/gtest.h>

#include "tests/e2e/loop_host.hpp"
#include "tests/e2e/pty_rig.hpp"

namespace kavorin::testing {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> kCreditTexts = {"", "4000123412341234=2812", "00", "1000", "0"};

TEST(LinkEndToEnd, CreditApprovalOverAPty) {
  PtyRig rig("link-d1");
  ASSERT_TRUE(rig.started);
  LoopHost host;
  ASSERT_TRUE(host.Open("COM7"));
  host.Request(TextRequest::CreditAuth, kCreditTexts);
  EXPECT_EQ(host.WaitFinal(), kStatusSuccess);
  EXPECT_EQ(host.Field(ResultField::ResponseCode).substr(0, 4), "0000");
  EXPECT_EQ(host.Field(ResultField::AuthAmount), "1000");

  const auto report = rig.Wait(1);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->outcome, catsim::Outcome::Completed);
  EXPECT_EQ(report->code, "D1");
  // Host side of the wire: ENQ, the request, ACK for the response.
  EXPECT_EQ(report->fromHost, "\x05" + report->request + "\x06");
  EXPECT_EQ(report->fromTerminal, "\x06" + report->response + "\x04");
}

TEST(LinkEndToEnd, EveryFaultEndsWithItsStatusAndTheNextExchangeSucceeds) {
  struct Case {
    const char* script;
    int status;
  };
  const Case cases[] = {
      {"silence", kStatusNoAck},
      {"nak", kStatusNak},
      {"dle", kStatusDle},
      {"eot", kStatusNoResponse},
      {"noise-before-ack=00", kStatusNoAck},
      {"request-dle", kStatusDle},
      {"request-eot", kStatusNoResponse},
      {"noise-inside=10", kStatusGarbage},
      {"bad-lrc", kStatusSuccess},
      {"split=300", kStatusSuccess},
      {"slow=3", kStatusSuccess},
      {"response-code=8001", kStatusFailureCode},
      // Ended as soon as the channel sees the line go, not by the 52 s wait.
      {"hang-up", kStatusOtherEnd},
      // An approval without its EOT stands once the EOT wait has passed.
      {"no-eot", kStatusSuccess},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    catsim::TerminalOptions options;
    std::string error;
    auto script = catsim::ParseScript(c.script, error);
    ASSERT_TRUE(script) << error;
    options.scripts[1] = *script;
    PtyRig rig(std::string("link-fault"), std::move(options));
    ASSERT_TRUE(rig.started);
    LoopHost host;

    ASSERT_TRUE(host.Open("COM7"));
    host.Request(TextRequest::CreditAuth, kCreditTexts);
    // No fault here needs the response wait: each ends within seconds.
    EXPECT_EQ(host.WaitFinal(15s), c.status);
    rig.Wait(1, 10s);

    ASSERT_TRUE(host.Open("COM7"));
    host.Request(TextRequest::CreditAuth, kCreditTexts);
    EXPECT_EQ(host.WaitFinal(), kStatusSuccess);
  }
}

TEST(LinkEndToEnd, PrintEndsOnEot) {
  PtyRig rig("link-print");
  ASSERT_TRUE(rig.started);
  LoopHost host;
  ASSERT_TRUE(host.Open("COM7"));
  host.Request(TextRequest::CashApprovalPrint, {"1000", "0"});
  EXPECT_EQ(host.WaitFinal(), kStatusSuccess);
  const auto report = rig.Wait(1);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->fromTerminal, "\x06\x04");
}

TEST(LinkEndToEnd, DleResetReachesTheTerminal) {
  PtyRig rig("link-dle");
  ASSERT_TRUE(rig.started);
  LoopHost host;
  ASSERT_TRUE(host.Open("COM7"));
  host.Run([&] { host.link.SendDleReset(); });
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (rig.terminal->IdleBytesFromHost().find("\x10\x10\x10") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_NE(rig.terminal->IdleBytesFromHost().find("\x10\x10\x10"), std::string::npos);
}

}  // namespace
}  // namespace kavorin::testing
