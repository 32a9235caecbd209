#pragma once
// The voucher values a page stores one by one before a voucher print, the
// checks a print runs on them, and the value lists the print exports take.
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace kavorin::web {

// The stored values, in the order of their setters.
enum class Value : std::size_t {
  ResCode,
  CardNum,
  Installment,
  TranType,
  AuthTime,
  BeforeTranDate,
  AuthAmount,
  ServiceAmount,
  TaxAmount,
  AuthNumber,
  IssuerName,
  MemberNum,
  Notice,
  AcquirName,
  Announce,
  CashReceiptAuthNum,
  CashReceiptAnnounce,
  BizNumber,
  BossName,
  BizName,
  BizAddress,
  BizTelephone,
};
inline constexpr std::size_t kValueCount = 22;

// CP949 texts, empty at first.
using VoucherValues = std::array<std::string, kValueCount>;

inline std::string& At(VoucherValues& values, Value value) { return values[static_cast<std::size_t>(value)]; }
inline const std::string& At(const VoucherValues& values, Value value) {
  return values[static_cast<std::size_t>(value)];
}

// Any of the five business values non-empty: the print then takes the
// business-information export.
bool HasBusinessValues(const VoucherValues& values);

enum class VoucherCheck { CreditApproval, CreditCancel, CashReceiptApproval, CashReceiptCancel };

// The check codes (the values are the control's results).
enum CheckCode : int {
  kCheckPassed = 0,
  kBadResponseCode = -1,
  kBadCardNumber = -2,
  kBadAuthTime = -3,
  kBadAuthAmount = -4,
  kBadIssuerName = -5,
  kBadMemberNumber = -6,
  kBadBeforeTranDate = -7,
  kBadTranType = -8,
};

// Runs the check's rows in order; the first failure's code, or 0.
int RunCheck(VoucherCheck check, const VoucherValues& values);

// The value lists of the print exports. A list starts with ResCode, then
// (for the signed prints) the caller's terminal id and sequence number,
// then the base list from CardNum on; the business values go right after
// MemberNum when asked for.
enum class BaseList {
  Credit,               // ResCode CardNum Installment AuthTime AuthAmount ... CashReceiptAnnounce
  CreditCancel,         // as Credit with BeforeTranDate after AuthTime
  CashReceipt,          // as Credit with TranType in place of Installment
  CashReceiptCancel,    // as CashReceipt with BeforeTranDate after AuthTime
};
enum class Lead { None, CatId, CatIdSeqNum };

struct ListRule {
  BaseList base;
  Lead lead;
  bool business;
};

// One argument of a print: a stored value, or a member parameter.
struct Slot {
  enum Kind { Stored, CatId, SeqNum } kind;
  Value value;
};

std::vector<Slot> ListSlots(const ListRule& rule);

}  // namespace kavorin::web
