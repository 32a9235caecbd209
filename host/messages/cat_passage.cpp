#include "host/messages/cat_passage.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/hex.hpp"
#include "host/link/frame.hpp"

namespace kavorin {
namespace {

using namespace message_kind;

// Code -> kind. StatusCheck and the getters read the kind, so it is recorded
// by every build operation, data messages included.
constexpr std::array<std::pair<std::string_view, MessageKind>, 37> kKinds{{
    {"D1", CreditApproval},           {"D3", CreditApproval},          {"D2", CreditCancellation},
    {"D4", CreditCancellation},         {"K1", CashReceiptApproval},     {"K3", CashReceiptApproval},
    {"K2", CashReceiptCancellation},    {"K4", CashReceiptCancellation},   {"RC", Read},
    {"RF", Read},                 {"RS", Read},                {"RA", Read},
    {"RE", Read},                 {"FT", Read},                {"RD", Track3},
    {"C1", CashApprovalVoucher},    {"C2", CashCancelVoucher},     {"P1", CreditApprovalVoucher},
    {"P3", CreditApprovalVoucher},      {"P5", CreditApprovalVoucher},     {"P7", CreditApprovalVoucher},
    {"P2", CreditCancelVoucher},    {"P4", CreditCancelVoucher},   {"P6", CreditCancelVoucher},
    {"P8", CreditCancelVoucher},    {"N1", CashReceiptApprovalVoucher}, {"N3", CashReceiptApprovalVoucher},
    {"N5", CashReceiptApprovalVoucher}, {"N7", CashReceiptApprovalVoucher}, {"N2", CashReceiptCancelVoucher},
    {"N4", CashReceiptCancelVoucher}, {"N6", CashReceiptCancelVoucher}, {"N8", CashReceiptCancelVoucher},
    {"F1", Data},                 {"F3", Data},                {"IU", Data},
    {"MB", CashDrawer},
}};

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The length text of a data message is printf's "%.4d": at least four
// digits, a fifth one once the value reaches 10000.
std::string LengthText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%.4d", value);
  return text;
}

std::string DataFrame(std::string_view code, int lengthValue, std::string_view data) {
  std::string frame;
  frame.reserve(data.size() + 10);
  BeginFrame(frame);
  frame += code;
  frame += LengthText(lengthValue);
  frame += data;
  EndFrame(frame);
  return frame;
}

}  // namespace

MessageKind MessageKindOf(std::string_view code) {
  for (const auto& [known, kind] : kKinds) {
    if (known == code) return kind;
  }
  return message_kind::None;
}

void CatPassage::ResetPassage() {
  message_kind_ = message_kind::None;
  request_text_.clear();
  response_text_.clear();
}

std::optional<std::string> CatPassage::BuildF1(std::string_view text) {
  text = UpToNul(text);
  if (text.size() > kMaxDataBytes) return std::nullopt;
  // The terminal counts the five bytes of code and length text as well.
  // Within the frame limit the value stays far below the 16-bit wrap.
  const int lengthValue = static_cast<int>(text.size() + 5) % 65536;
  message_kind_ = MessageKindOf("F1");
  return DataFrame("F1", lengthValue, text);
}

std::optional<std::string> CatPassage::BuildF3(std::string_view hexText, int /*size*/) {
  hexText = UpToNul(hexText);
  if ((hexText.size() + 1) / 2 > kMaxDataBytes) return std::nullopt;
  const std::vector<std::uint8_t> data = HexToBytes(hexText);
  message_kind_ = MessageKindOf("F3");
  return DataFrame("F3", static_cast<int>(data.size()),
                   std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

std::optional<std::string> CatPassage::BuildIU(std::string_view hexText, int size) {
  hexText = UpToNul(hexText);
  if (size < 0 || static_cast<std::size_t>(size) > kMaxDataBytes) return std::nullopt;
  if ((hexText.size() + 1) / 2 > kMaxDataBytes) return std::nullopt;
  // The caller's size rules, not the decoded count: a short image text is
  // sent padded with zero bytes, a long one cut to the size.
  std::string data(static_cast<std::size_t>(size), '\0');
  const std::vector<std::uint8_t> decoded = HexToBytes(hexText);
  for (std::size_t i = 0; i < decoded.size() && i < data.size(); ++i) data[i] = static_cast<char>(decoded[i]);
  message_kind_ = MessageKindOf("IU");
  return DataFrame("IU", size, data);
}

std::string CatPassage::BuildMB() {
  message_kind_ = MessageKindOf("MB");
  std::string frame;
  BeginFrame(frame);
  frame += "MB";
  EndFrame(frame);
  return frame;
}

void CatPassage::StoreResponse(std::string_view frame) { response_text_ = std::string(UpToNul(frame)); }

int CatPassage::CheckResponseCode() const {
  if (response_text_.empty()) return kNoResponse;
  if (!IsTransaction(message_kind_)) return kResponseAccepted;
  // STX, two code characters and FS come first: the code is the start of
  // field 1. A shorter field 1 compares against FS/ETX and fails, as it should.
  const std::string_view code = std::string_view(response_text_).substr(std::min<std::size_t>(4, response_text_.size()), 4);
  return code == "0000" || code == "5001" ? kResponseAccepted : kResponseRefused;
}

int CatPassage::parse_passage(int n, std::string& out) const {
  if (n < 1) return -2;
  std::string_view rest;
  if (response_text_.size() >= 5) rest = std::string_view(response_text_).substr(3, response_text_.size() - 5);
  for (int i = 0; i < n; ++i) {
    const std::size_t separator = rest.find(static_cast<char>(FS));
    if (separator == std::string_view::npos) return -2;
    rest.remove_prefix(separator + 1);
  }
  out.assign(rest.substr(0, rest.find(static_cast<char>(FS))));
  return 0;
}

}  // namespace kavorin
