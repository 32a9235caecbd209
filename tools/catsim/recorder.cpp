#include "tools/catsim/recorder.hpp"

#include "tools/catsim/wire.hpp"

namespace catsim {

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b >= 0x7F) {
      // Notes are ASCII; anything else is escaped rather than guessed at.
      static constexpr char kDigits[] = "0123456789abcdef";
      out += "\\u00";
      out += kDigits[b >> 4];
      out += kDigits[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ToJsonLine(const WireEvent& event) {
  std::string line = "{\"t_us\":" + std::to_string(event.microseconds);
  switch (event.kind) {
    case WireEvent::Kind::FromHost: line += ",\"from\":\"host\",\"hex\":\"" + Hex(event.bytes) + "\""; break;
    case WireEvent::Kind::FromTerminal: line += ",\"from\":\"terminal\",\"hex\":\"" + Hex(event.bytes) + "\""; break;
    case WireEvent::Kind::Note:
      line += ",\"event\":" + Quoted(event.note);
      if (!event.detail.empty()) line += ",\"detail\":" + Quoted(event.detail);
      break;
  }
  if (event.exchange > 0) line += ",\"exchange\":" + std::to_string(event.exchange);
  return line + "}";
}

}  // namespace catsim
