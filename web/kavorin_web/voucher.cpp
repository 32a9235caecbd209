#include "web/kavorin_web/voucher.hpp"

#include <algorithm>

namespace kavorin::web {
namespace {

constexpr Value kBusiness[] = {Value::BizNumber, Value::BossName, Value::BizName, Value::BizAddress,
                               Value::BizTelephone};

struct CheckRow {
  int code;
  // Whether the row applies to each check, in VoucherCheck order.
  std::array<bool, 4> applies;
  bool (*passes)(const VoucherValues& values, VoucherCheck check);
};

bool AtLeast(const VoucherValues& values, Value value, std::size_t bytes) { return At(values, value).size() >= bytes; }

bool IsCashReceipt(VoucherCheck check) {
  return check == VoucherCheck::CashReceiptApproval || check == VoucherCheck::CashReceiptCancel;
}

// The order is the order of the checks: the first failing row decides.
const CheckRow kCheckRows[] = {
    {kBadResponseCode, {true, true, true, true},
     [](const VoucherValues& v, VoucherCheck) { return At(v, Value::ResCode) == "0000"; }},
    {kBadCardNumber, {true, true, true, true},
     [](const VoucherValues& v, VoucherCheck c) { return AtLeast(v, Value::CardNum, IsCashReceipt(c) ? 10 : 12); }},
    {kBadTranType, {false, false, true, true},
     [](const VoucherValues& v, VoucherCheck) { return AtLeast(v, Value::TranType, 2); }},
    {kBadAuthTime, {true, true, true, true},
     [](const VoucherValues& v, VoucherCheck) { return AtLeast(v, Value::AuthTime, 12); }},
    {kBadAuthAmount, {true, true, true, true},
     [](const VoucherValues& v, VoucherCheck) { return !At(v, Value::AuthAmount).empty(); }},
    {kBadIssuerName, {true, true, false, false},
     [](const VoucherValues& v, VoucherCheck) { return !At(v, Value::IssuerName).empty(); }},
    {kBadMemberNumber, {true, true, true, true},
     [](const VoucherValues& v, VoucherCheck) { return !At(v, Value::MemberNum).empty(); }},
    {kBadBeforeTranDate, {false, true, false, true},
     [](const VoucherValues& v, VoucherCheck) { return AtLeast(v, Value::BeforeTranDate, 8); }},
};

}  // namespace

bool HasBusinessValues(const VoucherValues& values) {
  return std::any_of(std::begin(kBusiness), std::end(kBusiness),
                     [&](Value value) { return !At(values, value).empty(); });
}

int RunCheck(VoucherCheck check, const VoucherValues& values) {
  for (const CheckRow& row : kCheckRows) {
    if (row.applies[static_cast<std::size_t>(check)] && !row.passes(values, check)) return row.code;
  }
  return kCheckPassed;
}

std::vector<Slot> ListSlots(const ListRule& rule) {
  const auto stored = [](Value value) { return Slot{Slot::Stored, value}; };
  const bool cash = rule.base == BaseList::CashReceipt || rule.base == BaseList::CashReceiptCancel;
  const bool cancel = rule.base == BaseList::CreditCancel || rule.base == BaseList::CashReceiptCancel;

  std::vector<Slot> slots{stored(Value::ResCode)};
  if (rule.lead != Lead::None) slots.push_back({Slot::CatId, Value::ResCode});
  if (rule.lead == Lead::CatIdSeqNum) slots.push_back({Slot::SeqNum, Value::ResCode});
  slots.push_back(stored(Value::CardNum));
  slots.push_back(stored(cash ? Value::TranType : Value::Installment));
  slots.push_back(stored(Value::AuthTime));
  if (cancel) slots.push_back(stored(Value::BeforeTranDate));
  for (Value value : {Value::AuthAmount, Value::ServiceAmount, Value::TaxAmount, Value::AuthNumber,
                      Value::IssuerName, Value::MemberNum}) {
    slots.push_back(stored(value));
  }
  if (rule.business) {
    for (Value value : kBusiness) slots.push_back(stored(value));
  }
  for (Value value : {Value::Notice, Value::AcquirName, Value::Announce, Value::CashReceiptAuthNum,
                      Value::CashReceiptAnnounce}) {
    slots.push_back(stored(value));
  }
  return slots;
}

}  // namespace kavorin::web
