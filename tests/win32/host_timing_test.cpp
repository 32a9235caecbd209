// How long a POS waits on the host, end to end through COM, with the two
// kinds of device at the other end of the line: a pty catsim drains, and a
// pty a plain program only holds (KAVORIN_TEST_CAT_HELD), which Wine treats
// like a USB adapter. The times are printed for the record; the bounds are
// generous and only catch a close that waits out a stuck operation.
#include <gtest/gtest.h>

#include <cstdio>

#include "host_test_support.hpp"

namespace kavorin::test {
namespace {

// A reader that waits for its device the normal way is settled by then.
constexpr DWORD kSettleMs = 300;

struct Device {
  const char* label;
  const char* answering;  // the profile of a port that answers
  const char* silent;     // the profile of a port that never answers ENQ
};
constexpr Device kDevices[] = {
    {"catsim pty", "OK", "SILENCE"},
    // Modem lines (the shim): the reader waits in WaitCommEvent, as on a USB
    // adapter; nothing ever answers.
    {"held pty", "HELD", "HELD"},
};

class HostTimingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Ok());
    EndAnyRunningHost();
  }
  ComApartment com_;
};

VARIANT_BOOL Open(IKAVORINComm& host, const char* profile) {
  Bstr port(CatPort(profile).c_str());
  VARIANT_BOOL opened = 7;
  EXPECT_EQ(host.StartComPort(port.get(), &opened), S_OK);
  return opened;
}

ULONGLONG Since(ULONGLONG start) { return GetTickCount64() - start; }

// Each time is taken on a host of its own, so one that fails does not hide
// the others.
TEST_F(HostTimingTest, ReopenAckTimeOutAndServiceTerminateDoNotWaitOnTheLine) {
  for (const Device& device : kDevices) {
    SCOPED_TRACE(device.label);
    ASSERT_FALSE(CatPort(device.answering).empty()) << "run under scripts/catsim-rig.sh --holder";
    ULONGLONG reopen = 0, ack_timeout = 0, terminate = 0;
    {
      // StartComPort on an open, idle port: a close and an open.
      HostProcess process;
      ASSERT_TRUE(process.Start());
      IKAVORINComm* host = ActivateHost();
      ASSERT_NE(host, nullptr);
      EXPECT_EQ(Open(*host, device.answering), 1);
      Sleep(kSettleMs);
      const ULONGLONG start = GetTickCount64();
      EXPECT_EQ(Open(*host, device.answering), 1);
      reopen = Since(start);
      host->Release();
      EXPECT_EQ(process.End(), 0);
    }
    {
      // A terminal that never acknowledges ENQ: the ACK wait ends the
      // exchange, and the port closes inside it.
      HostProcess process;
      ASSERT_TRUE(process.Start());
      IKAVORINComm* host = ActivateHost();
      ASSERT_NE(host, nullptr);
      EXPECT_EQ(Open(*host, device.silent), 1);
      Sleep(kSettleMs);
      Bstr wcc(L"A"), track(L"9410123456781234=3012"), quota(L"00"), amount(L"1000"), option(L"0");
      int result = 9;
      const ULONGLONG start = GetTickCount64();
      EXPECT_EQ(host->CreditAuth(wcc.get(), track.get(), quota.get(), amount.get(), option.get(), &result), S_OK);
      EXPECT_EQ(result, 0);
      EXPECT_EQ(PollStatus(*host), -3);
      ack_timeout = Since(start);
      host->Release();
      EXPECT_EQ(process.End(), 0);
    }
    {
      // ServiceTerminate with the port open and idle.
      HostProcess process;
      ASSERT_TRUE(process.Start());
      IKAVORINComm* host = ActivateHost();
      ASSERT_NE(host, nullptr);
      EXPECT_EQ(Open(*host, device.answering), 1);
      Sleep(kSettleMs);
      int result = 9;
      const ULONGLONG start = GetTickCount64();
      EXPECT_EQ(host->ServiceTerminate(&result), S_OK);
      host->Release();
      EXPECT_EQ(WaitForExit(process.Handle()), 0);
      terminate = Since(start);
    }
    std::printf("%s: StartComPort on the open port %llu ms; ACK time-out reported after %llu ms; "
                "ServiceTerminate to process gone %llu ms\n",
                device.label, reopen, ack_timeout, terminate);
    EXPECT_LT(reopen, 1500u);
    EXPECT_LT(ack_timeout, 2800u);
    EXPECT_LT(terminate, 2200u);
  }
}

}  // namespace
}  // namespace kavorin::test
