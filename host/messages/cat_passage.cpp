#include "host/messages/cat_passage.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/hex.hpp"
#include "common/trace.hpp"

namespace kavorin {
namespace {

constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';
constexpr char kFs = '\x1C';

// Code -> kind. StatusCheck and the getters read the kind, so it is recorded
// by every build operation, data messages included.
constexpr std::array<std::pair<std::string_view, int>, 37> kKinds{{
    {"D1", 1},  {"D3", 1},  {"D2", 2},  {"D4", 2},  {"K1", 3},  {"K3", 3},  {"K2", 4},
    {"K4", 4},  {"RC", 5},  {"RF", 5},  {"RS", 5},  {"RA", 5},  {"RE", 5},  {"FT", 5},
    {"RD", 6},  {"C1", 7},  {"C2", 8},  {"P1", 9},  {"P3", 9},  {"P5", 9},  {"P7", 9},
    {"P2", 10}, {"P4", 10}, {"P6", 10}, {"P8", 10}, {"N1", 11}, {"N3", 11}, {"N5", 11},
    {"N7", 11}, {"N2", 12}, {"N4", 12}, {"N6", 12}, {"N8", 12}, {"F1", 13}, {"F3", 13},
    {"IU", 13}, {"MB", 14},
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
  frame += kStx;
  frame += code;
  frame += LengthText(lengthValue);
  frame += data;
  frame += kEtx;
  frame += static_cast<char>(Lrc(std::string_view(frame).substr(1)));
  return frame;
}

}  // namespace

std::uint8_t Lrc(std::string_view bytesAfterStxThroughEtx) {
  std::uint8_t lrc = 0;
  for (const char c : bytesAfterStxThroughEtx) lrc ^= static_cast<std::uint8_t>(c);
  return static_cast<std::uint8_t>(lrc | 0x20);
}

int MessageKindOf(std::string_view code) {
  for (const auto& [known, kind] : kKinds) {
    if (known == code) return kind;
  }
  return 0;
}

void CatPassage::ResetPassage() {
  message_kind_ = 0;
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
  std::string frame = DataFrame("IU", size, data);
  TraceLog{}.Dump("In Request", frame.data(), static_cast<int>(frame.size()), 1);
  return frame;
}

std::string CatPassage::BuildMB() {
  message_kind_ = MessageKindOf("MB");
  return std::string{kStx, 'M', 'B', kEtx, '\x2C'};
}

void CatPassage::StoreResponse(std::string_view frame) { response_text_ = std::string(UpToNul(frame)); }

int CatPassage::CheckResponseCode() const {
  if (response_text_.empty()) return -1;
  if (message_kind_ < 1 || message_kind_ > 4) return 0;
  // STX, two code characters and FS come first: the code is the start of
  // field 1. A shorter field 1 compares against FS/ETX and fails, as it should.
  const std::string_view code = std::string_view(response_text_).substr(std::min<std::size_t>(4, response_text_.size()), 4);
  return code == "0000" || code == "5001" ? 0 : -2;
}

int CatPassage::parse_passage(int n, std::string& out) const {
  if (n < 1) return -2;
  std::string_view rest;
  if (response_text_.size() >= 5) rest = std::string_view(response_text_).substr(3, response_text_.size() - 5);
  Trace(3, "parse_passage = [%s]", rest);
  for (int i = 0; i < n; ++i) {
    const std::size_t separator = rest.find(kFs);
    if (separator == std::string_view::npos) return -2;
    rest.remove_prefix(separator + 1);
  }
  out.assign(rest.substr(0, rest.find(kFs)));
  return 0;
}

}  // namespace kavorin
