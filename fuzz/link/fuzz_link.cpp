// Drives CatLink with arbitrary byte batches, timer expiries, sends that fail
// and re-opens. Whatever comes, the link must not crash or overrun, and its
// state and StatusCheck must stay inside the values the protocol defines.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "host/link/cat_link.hpp"
#include "host/link/status_check.hpp"
#include "tests/support/fake_serial_port.hpp"
#include "tests/support/fake_timers.hpp"

using namespace kavorin;
using kavorin::testing::FakeSerialPort;
using kavorin::testing::FakeTimers;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::set<int> kStates = {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
const std::set<int> kOpenStatus = {1, 2, 3, 4, 5, 6, 7, 8, 9, 100};
const std::set<int> kClosedStatus = {0, -1, -2, -3, -4, -5, -6, -7, -100, -1000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakeSerialPort port;
  FakeTimers timers;
  CatLink link(port, timers);
  timers.onExpiry = [&](int id) { link.OnTimer(id); };
  CatPassage passage;
  int status_level = 0;

  auto open = [&] {
    link.ResetLink();
    passage.ResetPassage();
    link.SetNotifyTarget(true);
    link.SetPortName("COM1");
    link.OpenComPort();
  };
  open();

  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t op = data[i++];
    switch (op % 8) {
      case 0: {  // a batch of the next n bytes, as the terminal sends it
        const std::size_t n = i < size ? data[i++] : 0;
        const std::size_t take = n < size - i ? n : size - i;
        // Repeat short batches so the 8191-byte queue bound is reached too.
        const int repeat = (op >> 3) == 31 ? 64 : 1;
        for (int r = 0; r < repeat; ++r) port.Deliver(std::string(reinterpret_cast<const char*>(data + i), take));
        i += take;
        break;
      }
      case 1:
        timers.Advance(op >> 3);
        break;
      case 2:
        timers.Advance(1000 * (op >> 3));
        break;
      case 3: {  // a request service: credit approval (kind 1) or a print (kind 7)
        const std::string texts[] = {"1000", "0", "", "", ""};
        const auto frame = passage.BuildText((op & 8) ? TextRequest::CashApprovalPrint : TextRequest::CreditAuth, texts);
        if (frame && link.portOpen() == 1 && link.SetRequest(*frame)) {
          status_level = 1;
          timers.ArmTimer(kTimerStartExchange, kStartExchangeMs);
        }
        break;
      }
      case 4:
        port.failNextSends = op >> 3;
        break;
      case 5:
        open();
        break;
      case 6:
        link.SendDleReset();
        break;
      case 7:
        port.Deliver(std::string(1, static_cast<char>(op >> 3)));
        break;
    }
    Require(kStates.count(link.state()) == 1);
    Require(link.receiveQueue().count() <= ReceiveQueue::kMaxCount);
    Require(link.portOpen() == (port.IsOpen() ? 1 : 0));
    const int status = StatusCheck(link, passage, status_level);
    Require((link.portOpen() == 1 ? kOpenStatus : kClosedStatus).count(status) == 1);
    Require(link.responseLength() <= static_cast<int>(CatLink::kBufferSize));
  }
  return 0;
}
