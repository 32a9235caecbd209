#include "common/hex.hpp"

namespace kavorin {
namespace {

std::uint8_t TerminalDigitValue(std::uint8_t c) {
  if (c <= '9') return static_cast<std::uint8_t>(c - 0x30);
  if (c <= 'Z') return static_cast<std::uint8_t>(c - 0x37);
  return static_cast<std::uint8_t>(c - 0x57);
}

int StrictDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string BytesToHexUpper(std::span<const std::uint8_t> data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(data.size() * 2);
  for (const std::uint8_t byte : data) {
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
  }
  return out;
}

std::vector<std::uint8_t> HexToBytes(std::string_view text) {
  std::vector<std::uint8_t> out;
  const std::size_t pairs = (text.size() + 1) / 2;
  out.reserve(pairs);
  for (std::size_t i = 0; i < pairs; ++i) {
    const auto high = static_cast<std::uint8_t>(text[2 * i]);
    const auto low = 2 * i + 1 < text.size() ? static_cast<std::uint8_t>(text[2 * i + 1]) : std::uint8_t{0};
    out.push_back(static_cast<std::uint8_t>((TerminalDigitValue(high) << 4) | TerminalDigitValue(low)));
  }
  return out;
}

bool ParseHexStrict(std::string_view text, std::vector<std::uint8_t>& out) {
  out.clear();
  if (text.size() % 2 != 0) return false;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = StrictDigitValue(text[i]);
    const int low = StrictDigitValue(text[i + 1]);
    if (high < 0 || low < 0) {
      out.clear();
      return false;
    }
    out.push_back(static_cast<std::uint8_t>((high << 4) | low));
  }
  return true;
}

}  // namespace kavorin
