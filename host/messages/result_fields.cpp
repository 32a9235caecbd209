// Where every result field lies in the kept response. The getters never talk
// to the terminal; they only cut the last response.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "common/base64.hpp"
#include "common/card_mask.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin {
namespace {

// Accepted message kinds as a bit set (bit k for kind k).
constexpr unsigned Kinds(std::initializer_list<MessageKind> kinds) {
  unsigned set = 0;
  for (const MessageKind kind : kinds) set |= 1u << kind;
  return set;
}
using namespace message_kind;
constexpr unsigned kTransaction = Kinds({CreditApproval, CreditCancellation, CashReceiptApproval, CashReceiptCancellation});
constexpr unsigned kCredit = Kinds({CreditApproval, CreditCancellation});
constexpr unsigned kCashReceipt = Kinds({CashReceiptApproval, CashReceiptCancellation});
constexpr unsigned kRead = Kinds({Read, Track3});

constexpr std::size_t kToEnd = std::string::npos;

enum class Shape { Plain, MaskedCard, Base64 };

struct Getter {
  ResultField field;
  int number;        // field number, 1-based
  unsigned kinds;    // accepted message kinds
  std::size_t offset = 0;  // part of the field: offset and length
  std::size_t length = kToEnd;
  Shape shape = Shape::Plain;
};

// One row a ResultField, in the enum's order.
constexpr Getter kGetters[] = {
    // Transaction layout: responses to D1-D4 and K1-K4.
    {ResultField::ResponseCode, 1, kTransaction},
    {ResultField::CardNumber, 2, kTransaction, 0, kToEnd, Shape::MaskedCard},
    {ResultField::InstallmentData, 3, kCredit},
    {ResultField::CashReceiptType, 3, kCashReceipt},
    {ResultField::AuthTime, 4, kTransaction},
    {ResultField::BeforeAuthDate, 5, kTransaction},
    {ResultField::AuthAmount, 6, kTransaction},
    {ResultField::AuthNumber, 7, kTransaction},
    {ResultField::IssueCode, 8, kTransaction},
    {ResultField::DDCFlag, 10, kTransaction},
    {ResultField::MemberNumber, 9, kTransaction},
    {ResultField::AcquireCode, 12, kTransaction},
    {ResultField::Notice, 11, kTransaction},
    {ResultField::DisplayData, 13, kTransaction},
    {ResultField::AnnounceData, 14, kTransaction},
    {ResultField::CashReceiptAuthNumber, 15, kTransaction},
    {ResultField::CashReceiptAnnounceData, 16, kTransaction},
    // Read layout: responses to RC, RF, RS, RA, RE, FT and RD alike.
    {ResultField::WCC, 1, kRead, 0, 1},
    {ResultField::TrackData, 1, kRead, 1, kToEnd},
    {ResultField::SignPADLCDType, 2, kRead, 0, 1},
    {ResultField::SignPADDefineFunction, 2, kRead, 1, 2},
    {ResultField::SignPADModelNumber, 2, kRead, 3, 3},
    {ResultField::SignPADSWVersion, 2, kRead, 6, 2},
    {ResultField::SignPADCompressMethod, 2, kRead, 8, 2},
    {ResultField::SignPADHashData, 3, kRead},
    {ResultField::SignPADSignData, 4, kRead, 0, kToEnd, Shape::Base64},
    {ResultField::FreeStyleTranResult, 1, kRead, 0, 1},
    {ResultField::FreeStyleTranResMsg, 1, kRead, 1, kToEnd},
};

constexpr bool RowsFollowTheEnum() {
  for (std::size_t i = 0; i < std::size(kGetters); ++i) {
    if (static_cast<std::size_t>(kGetters[i].field) != i) return false;
  }
  return true;
}
static_assert(RowsFollowTheEnum(), "kGetters must list every ResultField in the enum's order");

}  // namespace

int CatPassage::GetField(ResultField field, std::string& out) const {
  out.clear();
  const auto index = static_cast<std::size_t>(field);
  if (index >= std::size(kGetters)) return kWrongMessageKind;
  const Getter& getter = kGetters[index];

  if (response_text_.empty()) return kNoResponse;
  if (message_kind_ < 0 || message_kind_ > 31 || (getter.kinds & (1u << message_kind_)) == 0) {
    return kWrongMessageKind;
  }
  std::string value;
  if (parse_passage(getter.number, value) != 0) return kTooFewFields;

  // A part that runs past the end of the field gives what there is.
  value = value.substr(std::min(getter.offset, value.size()), getter.length);
  switch (getter.shape) {
    case Shape::Plain:
      out = std::move(value);
      break;
    case Shape::MaskedCard:
      out = MaskedCard(std::move(value));
      break;
    case Shape::Base64:
      out = Base64Encode(std::string_view(value));
      break;
  }
  return kFieldFound;
}

}  // namespace kavorin
