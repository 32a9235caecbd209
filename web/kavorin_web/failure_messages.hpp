#pragma once
// The control's messages to the operator: which step failed, with which
// code, gives which caption and text. A code without a row is returned
// without a message.
#include <optional>
#include <span>
#include <string_view>

namespace kavorin::web {

enum class FailedStep {
  Connect,  // KAVORIN_COMCreate
  Service,  // the member's export
  Status,   // KAVORIN_COMStatus
  Getter,   // a result getter, or ServiceExit
  Data,     // a voucher check
};

struct FailureMessage {
  FailedStep step;
  int code;
  std::string_view caption;  // UTF-8 here; shown in CP949
  std::string_view text;
};

std::span<const FailureMessage> FailureMessages();
const FailureMessage* FindFailureMessage(FailedStep step, int code);

// Shows the row's message through the message-box seam, if there is a row.
void ShowFailure(FailedStep step, int code);

}  // namespace kavorin::web
