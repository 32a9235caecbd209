#include "host/link/frame_log_lines.hpp"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "common/card_mask.hpp"
#include "host/link/frame.hpp"

namespace kavorin {
namespace {

const char* ControlName(std::uint8_t byte) {
  switch (byte) {
    case STX: return "STX";
    case ETX: return "ETX";
    case EOT: return "EOT";
    case ENQ: return "ENQ";
    case ACK: return "ACK";
    case DLE: return "DLE";
    case NAK: return "NAK";
    case 0x11: return "XON";
    case 0x13: return "XOFF";
    default: return nullptr;
  }
}

bool IsCodeCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsAlphanumeric(char c) { return IsCodeCharacter(c) || (c >= 'a' && c <= 'z'); }

// Responses whose second field is a card number (the transaction layout).
bool CarriesCardNumber(std::string_view code) {
  return code.size() == 2 && (code[0] == 'D' || code[0] == 'K') && code[1] >= '1' && code[1] <= '4';
}

// "[12 bytes]", "[1 stray byte]".
std::string Counted(std::size_t count, const char* what) {
  std::string text = "[";
  text.append(std::to_string(count)).append(" ").append(what).append(count == 1 ? "]" : "s]");
  return text;
}

std::string Hex(std::uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

// Field `n` (1-based) of a body that starts after the code, when the kept
// start holds all of it; empty otherwise.
std::optional<std::string_view> KeptField(std::string_view fields, int n, bool wholeBodyKept) {
  for (int i = 0; i < n; ++i) {
    const std::size_t separator = fields.find(static_cast<char>(FS));
    if (separator == std::string_view::npos) return std::nullopt;
    fields.remove_prefix(separator + 1);
  }
  const std::size_t end = fields.find(static_cast<char>(FS));
  if (end == std::string_view::npos && !wholeBodyKept) return std::nullopt;
  return fields.substr(0, end);
}

}  // namespace

const char* WireDirectionMark(WireDirection direction) {
  return direction == WireDirection::kHostToTerminal ? "H>T" : "T>H";
}

void FrameLineBuilder::Feed(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (!in_frame_) {
      Outside(byte);
      continue;
    }
    if (frame_start_.size() < kKeptFrameStart) frame_start_.push_back(static_cast<char>(byte));
    ++frame_length_;
    frame_xor_ ^= byte;
    before_last_ = last_;
    last_ = byte;
  }
}

void FrameLineBuilder::Outside(std::uint8_t byte) {
  const char* name = ControlName(byte);
  if (name == nullptr || tokens_.size() >= kMaxTokens) {
    ++stray_;
    return;
  }
  EndStrayRun();
  if (byte == STX) {
    in_frame_ = true;
    frame_start_.clear();
    frame_length_ = 0;
    frame_xor_ = 0;
    last_ = before_last_ = 0;
    return;
  }
  tokens_.push_back(std::string("<") + name + ">");
}

void FrameLineBuilder::EndStrayRun() {
  if (stray_ == 0) return;
  tokens_.push_back(Counted(stray_, "stray byte"));
  stray_ = 0;
}

std::string FrameLineBuilder::FrameToken(bool ended) const {
  // Ended: the last two bytes are ETX and the LRC, and not part of the body.
  const std::size_t body_length = ended ? frame_length_ - 2 : frame_length_;
  std::string_view body(frame_start_);
  body = body.substr(0, std::min(body.size(), body_length));
  const bool whole_body_kept = body.size() == body_length;

  std::string token = "<STX>";
  std::string_view code;
  if (body.size() >= 2 && IsCodeCharacter(body[0]) && IsCodeCharacter(body[1])) code = body.substr(0, 2);
  if (!code.empty()) token += " " + std::string(code);
  const std::size_t rest = body_length - code.size();
  token.append(" ").append(Counted(rest, "byte"));

  // Fields only of a whole response, and only whole fields: a frame cut
  // short never shows the start of a card number its mask would hide.
  if (ended && direction_ == WireDirection::kTerminalToHost && CarriesCardNumber(code)) {
    const std::string_view fields = body.substr(2);
    if (const auto reply = KeptField(fields, 1, whole_body_kept);
        reply && !reply->empty() && reply->size() <= 8 &&
        std::all_of(reply->begin(), reply->end(), IsAlphanumeric)) {
      token += " reply " + std::string(*reply);
    }
    if (const auto card = KeptField(fields, 2, whole_body_kept); card && !card->empty()) {
      const std::string masked = MaskedCard(std::string(*card));
      const bool printable = std::all_of(masked.begin(), masked.end(), [](char c) { return c > 0x20 && c < 0x7F; });
      // A field holding anything but printable ASCII shows only its length.
      token.append(" card ").append(printable ? masked : Counted(card->size(), "byte"));
    }
  }

  if (!ended) return token + " -- cut off";
  const std::uint8_t lrc = last_;
  const std::uint8_t expected = static_cast<std::uint8_t>((frame_xor_ ^ lrc) | 0x20);
  token += " <ETX> <LRC " + Hex(lrc);
  if (lrc != expected) token += ", want " + Hex(expected);
  return token + ">";
}

std::optional<std::string> FrameLineBuilder::EndBatch() {
  if (in_frame_) {
    if (frame_length_ < 2 || before_last_ != ETX) return std::nullopt;
    tokens_.push_back(FrameToken(true));
    in_frame_ = false;
  }
  return TakeLine();
}

std::optional<std::string> FrameLineBuilder::Flush() {
  if (in_frame_) {
    tokens_.push_back(FrameToken(false));
    in_frame_ = false;
  }
  return TakeLine();
}

std::optional<std::string> FrameLineBuilder::TakeLine() {
  EndStrayRun();
  if (tokens_.empty()) return std::nullopt;
  std::string line = WireDirectionMark(direction_);
  for (const std::string& token : tokens_) line += " " + token;
  tokens_.clear();
  return line;
}

}  // namespace kavorin
