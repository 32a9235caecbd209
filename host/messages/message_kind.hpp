#pragma once
// The kind every request message records: what StatusCheck and the getters
// read. The numbers are the system's own (1 to 14) and stay as they are.
#include <string_view>

namespace kavorin {

namespace message_kind {
enum Kind : int {
  None = 0,                         // nothing built since the last reset
  CreditApproval = 1,               // D1, D3
  CreditCancellation = 2,           // D2, D4
  CashReceiptApproval = 3,          // K1, K3
  CashReceiptCancellation = 4,      // K2, K4
  Read = 5,                         // RC, RF, RS, RA, RE, FT
  Track3 = 6,                       // RD
  CashApprovalVoucher = 7,          // C1
  CashCancelVoucher = 8,            // C2
  CreditApprovalVoucher = 9,        // P1, P3, P5, P7
  CreditCancelVoucher = 10,         // P2, P4, P6, P8
  CashReceiptApprovalVoucher = 11,  // N1, N3, N5, N7
  CashReceiptCancelVoucher = 12,    // N2, N4, N6, N8
  Data = 13,                        // F1, F3, IU
  CashDrawer = 14,                  // MB
};
}  // namespace message_kind
using MessageKind = message_kind::Kind;

// Credit and cash-receipt transactions: their response carries a response code.
constexpr bool IsTransaction(MessageKind kind) {
  return kind >= message_kind::CreditApproval && kind <= message_kind::CashReceiptCancellation;
}
// Transactions and reads wait for a response frame; every other message
// (prints, data, the drawer) ends successfully on EOT.
constexpr bool ExpectsResponse(MessageKind kind) {
  return kind >= message_kind::CreditApproval && kind <= message_kind::Track3;
}

// The kind a message code records (None for an unknown code).
MessageKind MessageKindOf(std::string_view code);

}  // namespace kavorin
