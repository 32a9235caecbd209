#include "tools/catsim/wire.hpp"

#include <array>

namespace catsim {

char Lrc(std::string_view afterStxThroughEtx) {
  unsigned char lrc = 0;
  for (char c : afterStxThroughEtx) lrc = static_cast<unsigned char>(lrc ^ static_cast<unsigned char>(c));
  return static_cast<char>(lrc | 0x20);
}

std::string TextFrame(std::string_view code, const std::vector<std::string>& fields) {
  std::string frame(1, kStx);
  frame += code;
  for (const std::string& field : fields) {
    frame += kFs;
    frame += field;
  }
  frame += kEtx;
  frame += Lrc(std::string_view(frame).substr(1));
  return frame;
}

int KindOf(std::string_view code) {
  struct Row {
    const char* code;
    int kind;
  };
  static constexpr std::array<Row, 38> kCodes{{
      {"D1", 1}, {"D3", 1}, {"D2", 2}, {"D4", 2}, {"K1", 3}, {"K3", 3}, {"K2", 4}, {"K4", 4},
      {"RC", 5}, {"RF", 5}, {"RS", 5}, {"RA", 5}, {"RE", 5}, {"FT", 5}, {"RD", 6},
      {"C1", 7}, {"C2", 8},
      {"P1", 9}, {"P3", 9}, {"P5", 9}, {"P7", 9}, {"P2", 10}, {"P4", 10}, {"P6", 10}, {"P8", 10},
      {"N1", 11}, {"N3", 11}, {"N5", 11}, {"N7", 11}, {"N2", 12}, {"N4", 12}, {"N6", 12}, {"N8", 12},
      {"F1", 13}, {"F3", 13}, {"IU", 13}, {"MB", 14}, {"", 0},
  }};
  for (const Row& row : kCodes) {
    if (code == row.code) return row.kind;
  }
  return 0;
}

namespace {

bool IsDataCode(std::string_view code) { return code == "F1" || code == "F3" || code == "IU"; }

// Data bytes announced by a length text, or nothing when it is not 4 digits.
std::optional<std::size_t> DataLength(std::string_view code, std::string_view lengthText) {
  std::size_t value = 0;
  for (char c : lengthText) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  // F1 announces its text length plus 5.
  if (code == "F1") {
    if (value < 5) return std::nullopt;
    value -= 5;
  }
  return value;
}

}  // namespace

bool HasGoodLrc(std::string_view frame) {
  if (frame.size() < 5 || frame.front() != kStx || frame[frame.size() - 2] != kEtx) return false;
  return Lrc(frame.substr(1, frame.size() - 2)) == frame.back();
}

std::optional<Request> ParseRequest(std::string_view frame) {
  if (frame.size() < 5 || frame.front() != kStx || frame[frame.size() - 2] != kEtx) return std::nullopt;
  Request request;
  request.code = std::string(frame.substr(1, 2));
  std::string_view body = frame.substr(3, frame.size() - 5);
  if (IsDataCode(request.code) && body.size() >= 4) {
    request.isData = true;
    request.data = std::string(body.substr(4));
    return request;
  }
  if (body.empty()) return request;
  if (body.front() != kFs) return std::nullopt;
  body.remove_prefix(1);
  for (;;) {
    std::size_t separator = body.find(kFs);
    request.fields.emplace_back(body.substr(0, separator));
    if (separator == std::string_view::npos) break;
    body.remove_prefix(separator + 1);
  }
  return request;
}

FrameAssembler::Status FrameAssembler::Add(char byte) {
  frame_ += byte;
  if (frame_.size() > kMaxFrameBytes) return Status::Overflow;
  if (frame_.size() == 7 && IsDataCode(std::string_view(frame_).substr(1, 2))) {
    if (auto length = DataLength(std::string_view(frame_).substr(1, 2), std::string_view(frame_).substr(3, 4))) {
      expected_ = 7 + *length + 2;
    }
  }
  if (expected_ != 0) return frame_.size() >= expected_ ? Status::Complete : Status::NeedMore;
  if (frame_.size() >= 3 && frame_[frame_.size() - 2] == kEtx) return Status::Complete;
  return Status::NeedMore;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

}  // namespace catsim
