#include "tools/catsim/script.hpp"

#include <charconv>
#include <cstdint>
#include <vector>

#include "common/hex.hpp"

namespace catsim {

namespace {

bool ParseNumber(std::string_view text, std::size_t& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseBytes(std::string_view hex, std::string& out) {
  std::vector<std::uint8_t> bytes;
  if (hex.empty() || !kavorin::ParseHexStrict(hex, bytes)) return false;
  out.assign(bytes.begin(), bytes.end());
  return true;
}

}  // namespace

std::optional<ExchangeScript> ParseScript(std::string_view text, std::string& error) {
  ExchangeScript script;
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (item.empty()) continue;

    std::string_view name = item, value;
    bool hasValue = false;
    if (std::size_t eq = item.find('='); eq != std::string_view::npos) {
      name = item.substr(0, eq);
      value = item.substr(eq + 1);
      hasValue = true;
    }
    // An "@OFFSET" suffix places split and noise-inside.
    std::optional<std::size_t> offset;
    std::string_view& placed = hasValue ? value : name;
    if (std::size_t at = placed.find('@'); at != std::string_view::npos &&
                                           (name.substr(0, 5) == "split" || name.substr(0, 12) == "noise-inside")) {
      std::size_t where = 0;
      if (!ParseNumber(placed.substr(at + 1), where)) {
        error = "bad offset in \"" + std::string(item) + "\"";
        return std::nullopt;
      }
      offset = where;
      placed = placed.substr(0, at);
    }

    auto number = [&](std::size_t& out) {
      if (!ParseNumber(value, out)) {
        error = "\"" + std::string(item) + "\" needs a number";
        return false;
      }
      return true;
    };
    auto bytes = [&](std::string& out) {
      if (!ParseBytes(value, out)) {
        error = "\"" + std::string(item) + "\" needs hex bytes";
        return false;
      }
      return true;
    };
    std::size_t n = 0;
    if (name == "silence") script.enqReply = Reply::Silence;
    else if (name == "nak") script.enqReply = Reply::Nak;
    else if (name == "dle") script.enqReply = Reply::Dle;
    else if (name == "eot") script.enqReply = Reply::Eot;
    else if (name == "request-silence") script.requestReply = Reply::Silence;
    else if (name == "request-nak") script.requestReply = Reply::Nak;
    else if (name == "request-dle") script.requestReply = Reply::Dle;
    else if (name == "request-eot") script.requestReply = Reply::Eot;
    else if (name == "noise-before-ack") { if (!bytes(script.noiseBeforeAck)) return std::nullopt; }
    else if (name == "noise-before-response") { if (!bytes(script.noiseBeforeResponse)) return std::nullopt; }
    else if (name == "noise-inside") {
      if (!bytes(script.noiseInside)) return std::nullopt;
      if (offset) script.noiseInsideAt = *offset;
    } else if (name == "split") {
      script.split = true;
      script.splitAt = offset;
      if (hasValue) {
        if (!number(n)) return std::nullopt;
        script.splitPause = std::chrono::milliseconds(n);
      }
    } else if (name == "bad-lrc") {
      script.badLrc = 1;
      if (hasValue) {
        if (!number(n)) return std::nullopt;
        script.badLrc = static_cast<int>(n);
      }
    } else if (name == "slow") {
      if (!number(n)) return std::nullopt;
      script.slowByte = std::chrono::milliseconds(n);
    } else if (name == "hang-up") script.hangUp = true;
    else if (name == "no-eot") script.eot = false;
    else if (name == "response-code" && hasValue) script.responseCode = std::string(value);
    else {
      error = "unknown fault \"" + std::string(item) + "\"";
      return std::nullopt;
    }
  }
  return script;
}

}  // namespace catsim
