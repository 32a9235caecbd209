#include "common/hex.hpp"

namespace kavorin {
namespace {

std::uint8_t TerminalDigitValue(std::uint8_t c) {
  if (c <= '9') return static_cast<std::uint8_t>(c - 0x30);
  if (c <= 'Z') return static_cast<std::uint8_t>(c - 0x37);
  return static_cast<std::uint8_t>(c - 0x57);
}


}  // namespace

const std::array<std::uint8_t, 256> kStrictHexDigits = [] {
  std::array<std::uint8_t, 256> table{};
  table.fill(kNotAHexDigit);
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
  return table;
}();

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
  // Signature texts run to thousands of digits: no branch per digit.
  // Local pointers, since a byte store may alias anything the compiler
  // would otherwise reload.
  out.resize(text.size() / 2);
  const auto* digits = reinterpret_cast<const std::uint8_t*>(text.data());
  std::uint8_t* const bytes = out.data();
  const std::size_t count = out.size();
  std::uint8_t seen = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t high = kStrictHexDigits[digits[2 * i]];
    const std::uint8_t low = kStrictHexDigits[digits[2 * i + 1]];
    seen |= static_cast<std::uint8_t>(high | low);
    bytes[i] = static_cast<std::uint8_t>((high << 4) | low);
  }
  if ((seen & kNotAHexDigit) != 0) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace kavorin
