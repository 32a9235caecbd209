#include "host/link/cat_link.hpp"

#include <gtest/gtest.h>

#include "host/link/status_check.hpp"
#include "tests/host/link/link_harness.hpp"

namespace kavorin::testing {
namespace {

const std::string kGoodResponse = TransactionResponse(
    {"0000", "4000123412341234=2812", "00", "261207120000", "", "1000", "12345678", "01", "99887766", "N", "",
     "01", "APPROVED", "", "", ""});

// The good response as a line noise would leave it: its LRC one bit off.
std::string WithBadLrc(std::string frame) {
  frame.back() = static_cast<char>(frame.back() ^ 0x01);
  return frame;
}

class CatLinkTest : public ::testing::Test {
 protected:
  LinkHarness h;
};

// The normal exchange, step by step, with what StatusCheck reports after
// each step and every byte on the wire.
TEST_F(CatLinkTest, NormalExchangeStepByStep) {
  ASSERT_TRUE(h.Open());
  EXPECT_EQ(h.Status(), 100);  // step 0: open, nothing sent

  const std::string request = h.CreditAuthFrame();
  h.StartExchange(request);
  EXPECT_EQ(h.Status(), 100);  // step 1: request stored, start timer armed
  EXPECT_TRUE(h.port.wire.empty());

  h.timers.Advance(10);  // step 2: ENQ, both waits armed
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kEnq));
  EXPECT_EQ(h.Status(), 1);
  EXPECT_EQ(h.timers.DueAt(kTimerAckWait), 1010);
  EXPECT_EQ(h.timers.DueAt(kTimerResponseWait), 52010);

  h.port.Deliver(std::string(1, kAck));  // step 3: the request goes out
  EXPECT_EQ(h.port.TakeWire(), request);
  EXPECT_EQ(h.Status(), 3);

  h.timers.Advance(1000);  // step 4: the ACK wait expires harmlessly
  EXPECT_EQ(h.link.timerPhase(), kAckWaitExpired);
  EXPECT_EQ(h.link.portOpen(), 1);
  EXPECT_EQ(h.Status(), 3);

  h.port.Deliver(kGoodResponse);  // step 5: response checked, ACK answered
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kAck));
  EXPECT_EQ(h.Status(), 5);

  h.port.Deliver(std::string(1, kEot));  // step 6: EOT ends it
  EXPECT_EQ(h.link.portOpen(), 0);
  EXPECT_EQ(h.port.IsOpen(), false);
  EXPECT_EQ(h.Status(), kStatusSuccess);
  std::string code;
  EXPECT_EQ(h.passage.GetField(ResultField::ResponseCode, code), kFieldFound);
  EXPECT_EQ(code, "0000");

  h.timers.Advance(60000);  // step 7: nothing fires any more
  EXPECT_EQ(h.Status(), kStatusSuccess);
  EXPECT_TRUE(h.port.wire.empty());
}

TEST_F(CatLinkTest, StatusLevelRecordsStatesOneThreeFourOncePerExchange) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.Status();
  EXPECT_EQ(h.statusLevel, 1);
  h.port.Deliver(std::string(1, kAck));
  h.Status();
  h.Status();
  EXPECT_EQ(h.statusLevel, 3);
}

// Terminal behaviour that ends an exchange, and what StatusCheck says.
TEST_F(CatLinkTest, EveryEndingHasItsStatus) {
  struct Case {
    const char* what;
    std::vector<std::string> terminal;  // batches after the host's ENQ
    int kind_of_request;                // 1 credit approval, 7 cash print
    int status;
  };
  const Case cases[] = {
      {"EOT right after ENQ, no response", {std::string(1, kEot)}, 1, kStatusNoResponse},
      {"DLE instead of ACK", {std::string(1, kDle)}, 1, kStatusDle},
      {"NAK instead of ACK", {std::string(1, kNak)}, 1, kStatusNak},
      {"garbage, then EOT", {"xx" + std::string(1, kEot)}, 1, kStatusGarbage},
      {"DLE inside an incomplete frame", {std::string(1, kAck), "\x02" "D1\x1C" "00" + std::string(1, kDle)}, 1,
       kStatusGarbage},
      {"NAK inside an incomplete frame", {std::string(1, kAck), "\x02" "D1" + std::string(1, kNak)}, 1,
       kStatusGarbage},
      {"print ends on EOT", {std::string(1, kAck), std::string(1, kEot)}, 7, kStatusSuccess},
      {"print ends on EOT after a response", {std::string(1, kAck), kGoodResponse, std::string(1, kEot)}, 7,
       kStatusSuccess},
      {"failure response code",
       {std::string(1, kAck), TransactionResponse({"0001 REFUSED", "4000"}), std::string(1, kEot)}, 1,
       kStatusFailureCode},
      {"5001 counts as good", {std::string(1, kAck), TransactionResponse({"5001"}), std::string(1, kEot)}, 1,
       kStatusSuccess},
      {"response code shorter than four characters",
       {std::string(1, kAck), TransactionResponse({"00"}), std::string(1, kEot)}, 1, kStatusFailureCode},
  };
  for (const auto& c : cases) {
    LinkHarness t;
    ASSERT_TRUE(t.Open());
    t.StartExchange(c.kind_of_request == 7 ? t.CashPrintFrame() : t.CreditAuthFrame());
    t.timers.Advance(10);
    for (const auto& batch : c.terminal) t.port.Deliver(batch);
    EXPECT_EQ(t.link.portOpen(), 0) << c.what;
    EXPECT_EQ(t.Status(), c.status) << c.what;
  }
}

TEST_F(CatLinkTest, NoAckWithinOneSecondOfTheEnq) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10 + 999);
  EXPECT_EQ(h.Status(), 1);
  h.timers.Advance(1);
  EXPECT_EQ(h.link.portOpen(), 0);
  EXPECT_EQ(h.Status(), kStatusNoAck);
}

TEST_F(CatLinkTest, NoResponseWithin52SecondsOfTheEnq) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.timers.Advance(51999);
  EXPECT_EQ(h.Status(), 3);
  h.timers.Advance(1);
  EXPECT_EQ(h.link.portOpen(), 0);
  EXPECT_EQ(h.Status(), kStatusResponseTimeout);
}

TEST_F(CatLinkTest, NoiseBeforeTheAckHidesItAndTheNextExchangeStillWorks) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string("\x00\x06", 2));
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kEnq));  // the ACK is never recognised
  h.timers.Advance(1000);
  EXPECT_EQ(h.Status(), kStatusNoAck);

  // The noise left queued must not poison the next exchange.
  ASSERT_TRUE(h.Open());
  const std::string request = h.CreditAuthFrame();
  h.StartExchange(request);
  h.timers.Advance(10);
  h.port.TakeWire();
  h.port.Deliver(std::string(1, kAck));
  EXPECT_EQ(h.port.TakeWire(), request);
}

TEST_F(CatLinkTest, AckWithTrailingBytesIsTakenAndTheRestDiscarded) {
  ASSERT_TRUE(h.Open());
  const std::string request = h.CreditAuthFrame();
  h.StartExchange(request);
  h.timers.Advance(10);
  h.port.TakeWire();
  h.port.Deliver(std::string(1, kAck) + "junk" + kEot);
  EXPECT_EQ(h.port.TakeWire(), request);
  EXPECT_TRUE(h.link.receiveQueue().empty());
  EXPECT_EQ(h.Status(), 3);
}

TEST_F(CatLinkTest, ResponseSplitOverTwoBatchesIsOneFrame) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.TakeWire();
  const std::string first = kGoodResponse.substr(0, 20), second = kGoodResponse.substr(20);
  h.port.Deliver(first);
  EXPECT_EQ(h.link.receiveQueue().count(), first.size());
  EXPECT_TRUE(h.port.wire.empty());
  EXPECT_EQ(h.Status(), 3);
  h.port.Deliver(second);
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kAck));
  h.port.Deliver(std::string(1, kEot));
  EXPECT_EQ(h.Status(), kStatusSuccess);
}

TEST_F(CatLinkTest, BadLrcIsAnsweredWithNakAndAGoodRepeatWithAck) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.TakeWire();

  h.port.Deliver(WithBadLrc(kGoodResponse));
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kNak));
  EXPECT_EQ(h.link.portOpen(), 1);
  EXPECT_EQ(h.Status(), 5);
  EXPECT_EQ(h.link.responseLength(), -1);

  h.port.Deliver(kGoodResponse);
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kAck));
  h.port.Deliver(std::string(1, kEot));
  EXPECT_EQ(h.Status(), kStatusSuccess);
}

// An approval the host has ACKed is not lost for want of an EOT: after
// kEotWaitMs the exchange ends exactly as the EOT would have ended it.
TEST_F(CatLinkTest, AnAckedResponseEndsAsIfTheEotCameWhenNoneDoes) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.Deliver(kGoodResponse);
  h.port.TakeWire();
  h.timers.Advance(kEotWaitMs - 1);
  EXPECT_EQ(h.link.portOpen(), 1);
  EXPECT_EQ(h.Status(), 5);
  h.timers.Advance(1);
  EXPECT_EQ(h.link.portOpen(), 0);
  EXPECT_FALSE(h.port.IsOpen());
  EXPECT_EQ(h.Status(), kStatusSuccess);
  std::string number;
  EXPECT_EQ(h.passage.GetField(ResultField::AuthNumber, number), kFieldFound);
  EXPECT_EQ(number, "12345678");
  EXPECT_TRUE(h.port.wire.empty());
}

TEST_F(CatLinkTest, TheEotWaitCoversOnlyAnAckedResponse) {
  // A NAKed frame waits for its repeat under the response wait alone.
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.Deliver(WithBadLrc(kGoodResponse));
  h.timers.Advance(kEotWaitMs * 2);
  EXPECT_EQ(h.link.portOpen(), 1);
  EXPECT_EQ(h.Status(), 5);
  // Its good repeat is ACKed, and an EOT in time ends it as it always did.
  h.port.Deliver(kGoodResponse);
  h.timers.Advance(kEotWaitMs / 2);
  h.port.Deliver(std::string(1, kEot));
  EXPECT_EQ(h.Status(), kStatusSuccess);
  EXPECT_FALSE(h.timers.IsArmed(kTimerEotWait));
  // A failure code ACKed and left without EOT is still the failure it was.
  LinkHarness t;
  ASSERT_TRUE(t.Open());
  t.StartExchange(t.CreditAuthFrame());
  t.timers.Advance(10);
  t.port.Deliver(std::string(1, kAck));
  t.port.Deliver(TransactionResponse({"8001", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}));
  t.timers.Advance(kEotWaitMs);
  EXPECT_EQ(t.Status(), kStatusFailureCode);
}

// A device that goes away ends the exchange at once, not 52 s later: the
// exchange ended at the other end (-100). An approval already ACKed stands.
TEST_F(CatLinkTest, ALostDeviceEndsTheExchangeAtOnce) {
  struct Case {
    const char* when;
    int acks;          // terminal ACKs to deliver before the loss
    bool response;     // a good response delivered before the loss
    int status;
  };
  const Case cases[] = {
      {"before the ACK", 0, false, kStatusOtherEnd},
      {"waiting for the response", 1, false, kStatusOtherEnd},
      {"after ACKing the response", 1, true, kStatusSuccess},
  };
  for (const Case& c : cases) {
    LinkHarness t;
    ASSERT_TRUE(t.Open());
    t.StartExchange(t.CreditAuthFrame());
    t.timers.Advance(10);
    if (c.acks > 0) t.port.Deliver(std::string(1, kAck));
    if (c.response) t.port.Deliver(kGoodResponse);
    t.port.LoseDevice("read(/dev/ttyUSB0): the line hung up");
    EXPECT_EQ(t.link.portOpen(), 0) << c.when;
    EXPECT_FALSE(t.port.IsOpen()) << c.when;
    EXPECT_EQ(t.Status(), c.status) << c.when;
    EXPECT_EQ(t.link.deviceLostReason(), "read(/dev/ttyUSB0): the line hung up") << c.when;
    EXPECT_FALSE(t.timers.IsArmed(kTimerResponseWait)) << c.when;
  }
}

TEST_F(CatLinkTest, ResponseAfterTheResponseWaitIsNeitherCheckedNorAnswered) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.Deliver(WithBadLrc(kGoodResponse));  // NAK; state 5 keeps the port open past the wait
  h.port.TakeWire();
  h.timers.Advance(52000);
  EXPECT_EQ(h.link.timerPhase(), kResponseWaitExpired);
  h.port.Deliver(kGoodResponse);
  EXPECT_TRUE(h.port.wire.empty());
  EXPECT_EQ(h.link.responseLength(), -1);
  h.port.Deliver(std::string(1, kEot));
  EXPECT_EQ(h.Status(), kStatusNoResponse);
}

TEST_F(CatLinkTest, AckAfterTheAckWaitSendsNothing) {
  ASSERT_TRUE(h.Open());
  const std::string request = h.CreditAuthFrame();
  h.StartExchange(request);
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kEnq) + request);
  h.timers.Advance(1000);  // ACK wait expires in state 3: only the phase changes
  h.port.Deliver(std::string(1, kAck));
  EXPECT_TRUE(h.port.wire.empty());
  EXPECT_EQ(h.Status(), 3);
}

TEST_F(CatLinkTest, SendFailureInEachStateClosesWithItsStatus) {
  struct Case {
    const char* what;
    int failing_send;  // 0 ENQ, 1 request, 2 answer
    int status;
  };
  for (const Case c : {Case{"ENQ", 0, kStatusNoAck}, Case{"request", 1, kStatusResponseTimeout},
                       Case{"answer", 2, kStatusOtherEnd}}) {
    LinkHarness t;
    ASSERT_TRUE(t.Open());
    t.StartExchange(t.CreditAuthFrame());
    if (c.failing_send == 0) t.port.failNextSends = 1;
    t.timers.Advance(10);
    if (c.failing_send == 1) t.port.failNextSends = 1;
    t.port.Deliver(std::string(1, kAck));
    if (c.failing_send == 2) t.port.failNextSends = 1;
    t.port.Deliver(kGoodResponse);
    EXPECT_EQ(t.link.portOpen(), 0) << c.what;
    EXPECT_EQ(t.Status(), c.status) << c.what;
  }
}

TEST_F(CatLinkTest, StatusBeforeAnythingAndAfterAFailedOpen) {
  EXPECT_EQ(h.Status(), kStatusNothingStarted);
  h.port.failOpen = true;
  EXPECT_FALSE(h.Open());
  EXPECT_EQ(h.Status(), kStatusNothingStarted);
}

TEST_F(CatLinkTest, OpenNeedsATargetAndANameOfTwoCharacters) {
  EXPECT_EQ(h.link.OpenComPort(), kOpenNoTarget);
  h.link.SetNotifyTarget(true);
  h.link.SetPortName("C");
  EXPECT_EQ(h.link.OpenComPort(), kOpenNoTarget);
  h.link.SetPortName("C1");
  EXPECT_EQ(h.link.OpenComPort(), kOpenOk);
  EXPECT_EQ(h.port.openedName, "C1");
  EXPECT_EQ(h.port.lastSettings.baudRate, 9600);
  EXPECT_EQ(h.port.lastSettings.byteSize, 8);
  h.port.failOpen = true;
  EXPECT_EQ(h.link.OpenComPort(), kOpenFailed);  // closes the first channel, then fails
  EXPECT_EQ(h.port.IsOpen(), false);
}

TEST_F(CatLinkTest, DleResetSendsThreeDleBytes) {
  ASSERT_TRUE(h.Open());
  h.link.SendDleReset();
  EXPECT_EQ(h.port.TakeWire(), "\x10\x10\x10");
  EXPECT_EQ(h.link.state(), kStateEnqSent);
  EXPECT_EQ(h.link.portOpen(), 1);

  // On a closed channel the send fails and the link is closed.
  LinkHarness closed;
  closed.link.SendDleReset();
  EXPECT_TRUE(closed.port.wire.empty());
  EXPECT_EQ(closed.Status(), kStatusNoAck);
}

// A print that ends early must not leave its waits armed: they would fire
// into the next exchange, stop its request (ACK wait) or its answer
// (response wait), and end it in -4 after 52 s.
TEST_F(CatLinkTest, TimersOfAnEndedExchangeDoNotReachTheNextOne) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CashPrintFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.Deliver(std::string(1, kEot));
  EXPECT_EQ(h.Status(), kStatusSuccess);

  ASSERT_TRUE(h.Open());  // the POS opens the port, then waits for the customer
  h.timers.Advance(2000);
  EXPECT_FALSE(h.timers.IsArmed(kTimerAckWait));
  EXPECT_FALSE(h.timers.IsArmed(kTimerResponseWait));
  EXPECT_EQ(h.link.timerPhase(), kNoTimerExpired);

  const std::string request = h.CreditAuthFrame();
  h.StartExchange(request);
  h.timers.Advance(10);
  h.port.TakeWire();
  h.port.Deliver(std::string(1, kAck));
  EXPECT_EQ(h.port.TakeWire(), request);
  h.port.Deliver(kGoodResponse);
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kAck));
  h.port.Deliver(std::string(1, kEot));
  EXPECT_EQ(h.Status(), kStatusSuccess);
}

TEST_F(CatLinkTest, ResetBeforeTheStartTimerSendsNothing) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  ASSERT_TRUE(h.Open());  // a second StartComPort within the 10 ms
  h.timers.Advance(100);
  EXPECT_TRUE(h.port.wire.empty());
  EXPECT_EQ(h.Status(), 100);
}

TEST_F(CatLinkTest, LaterRequestReplacesAWaitingOne) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(5);
  const std::string print = h.CashPrintFrame();
  h.StartExchange(print);
  h.timers.Advance(9);
  EXPECT_TRUE(h.port.wire.empty());  // the start timer was restarted
  h.timers.Advance(1);
  h.port.Deliver(std::string(1, kAck));
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kEnq) + print);
}

TEST_F(CatLinkTest, ReceiveQueueHoldsAtMost8191BytesAndDropsWholeBatches) {
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  EXPECT_TRUE(h.port.Deliver(std::string(8190, 'x')));
  EXPECT_FALSE(h.port.Deliver("yz"));  // would make 8192
  EXPECT_EQ(h.link.receiveQueue().count(), 8190u);
  EXPECT_TRUE(h.port.Deliver("y"));
  EXPECT_EQ(h.link.receiveQueue().count(), 8191u);
  EXPECT_FALSE(h.port.Deliver(std::string(1, kEot)));  // full: even an end byte is dropped
  h.timers.Advance(1000);
  EXPECT_EQ(h.Status(), kStatusNoAck);
}

TEST_F(CatLinkTest, BytesWithoutANotifyTargetAreDropped) {
  ASSERT_TRUE(h.Open());
  h.link.SetNotifyTarget(false);
  EXPECT_FALSE(h.port.Deliver(std::string(1, kAck)));
  EXPECT_TRUE(h.link.receiveQueue().empty());
}

TEST_F(CatLinkTest, CheckResponseUsesTheLrcRule) {
  // Body "AB": 0x41 ^ 0x42 ^ 0x03 = 0x00, OR 0x20 gives 0x20.
  ASSERT_TRUE(h.Open());
  h.StartExchange(h.CreditAuthFrame());
  h.timers.Advance(10);
  h.port.Deliver(std::string(1, kAck));
  h.port.TakeWire();
  h.port.Deliver("\x02" "AB\x03\x20");
  EXPECT_EQ(h.port.TakeWire(), std::string(1, kAck));
  EXPECT_EQ(h.link.responseLength(), 5);
  EXPECT_EQ(h.link.CheckResponse(), -1);  // the receive buffer is empty again
}

TEST_F(CatLinkTest, OversizeRequestsAreRefused) {
  EXPECT_TRUE(h.link.SetRequestBytes(std::vector<std::uint8_t>(8192, 0x41)));
  EXPECT_EQ(h.link.requestLength(), 8192);
  EXPECT_FALSE(h.link.SetRequestBytes(std::vector<std::uint8_t>(8193, 0x41)));
  EXPECT_EQ(h.link.requestLength(), 8192);
  EXPECT_FALSE(h.link.SetRequest(std::string(8192, 'A')));
  EXPECT_TRUE(h.link.SetRequest(std::string(8191, 'A')));
  EXPECT_TRUE(h.link.SetRequest(std::string("AB\0CD", 5)));
  EXPECT_EQ(h.link.requestLength(), 2);
}

}  // namespace
}  // namespace kavorin::testing
