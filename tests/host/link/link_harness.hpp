#pragma once
// A CatLink on a fake port and a virtual clock, with a terminal's eye view:
// what the host wrote, and batches the terminal sends back.
#include <string>
#include <vector>

#include "host/link/cat_link.hpp"
#include "host/link/status_check.hpp"
#include "host/messages/cat_passage.hpp"
#include "tests/support/fake_serial_port.hpp"
#include "tests/support/fake_timers.hpp"

namespace kavorin::testing {

inline constexpr char kStx = '\x02', kEtx = '\x03', kEot = '\x04', kEnq = '\x05', kAck = '\x06', kDle = '\x10',
                      kNak = '\x15', kFs = '\x1C';

// A frame as the terminal sends it: STX, body, ETX, LRC.
inline std::string TerminalFrame(const std::string& body) {
  unsigned char lrc = 0;
  for (const char c : body) lrc ^= static_cast<unsigned char>(c);
  lrc ^= static_cast<unsigned char>(kEtx);
  return std::string(1, kStx) + body + kEtx + static_cast<char>(lrc | 0x20);
}

// A transaction response: code, then fields 1.. each after an FS.
inline std::string TransactionResponse(const std::vector<std::string>& fields, const std::string& code = "D1") {
  std::string body = code;
  for (const auto& field : fields) body += kFs + field;
  return TerminalFrame(body);
}

class LinkHarness {
 public:
  LinkHarness() {
    timers.onExpiry = [this](int id) { link.OnTimer(id); };
  }

  // What StartComPort does to the link.
  bool Open(const std::string& name = "COM1") {
    link.ResetLink();
    passage.ResetPassage();
    link.SetNotifyTarget(true);
    link.SetPortName(name);
    return link.OpenComPort() == kOpenOk;
  }

  // What a request service does once the message is built.
  void StartExchange(const std::string& frame) {
    ASSERT_TRUE(link.SetRequest(frame));
    statusLevel = 1;
    timers.ArmTimer(kTimerStartExchange, kStartExchangeMs);
  }

  // A credit approval request of kind 1.
  std::string CreditAuthFrame() {
    const std::vector<std::string> texts = {"", "4000123412341234=2812", "00", "1000", "0"};
    return *passage.BuildText(TextRequest::CreditAuth, texts);
  }
  // A cash approval print of kind 7.
  std::string CashPrintFrame() {
    const std::vector<std::string> texts = {"1000", "0"};
    return *passage.BuildText(TextRequest::CashApprovalPrint, texts);
  }

  int Status() { return StatusCheck(link, passage, statusLevel); }

  FakeSerialPort port;
  FakeTimers timers;
  CatLink link{port, timers};
  CatPassage passage;
  int statusLevel = 0;
};

}  // namespace kavorin::testing
