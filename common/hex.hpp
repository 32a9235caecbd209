#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavorin {

// Two upper-case hex digits a byte, nothing between them.
std::string BytesToHexUpper(std::span<const std::uint8_t> data);

// The terminal's own hex arithmetic, kept exactly because callers already
// depend on what it makes of odd input: (L + 1) / 2 pairs; a digit's value is
// c - '0' up to '9', c - 0x37 up to 'Z', else c - 0x57, in 8 bits; an odd
// text pairs its last digit with the terminating NUL. No validation.
std::vector<std::uint8_t> HexToBytes(std::string_view text);

// Strict digit values by character: 0-15 for 0-9, A-F, a-f; anything else
// has the high bit (kNotAHexDigit) set, so that one OR over a whole text
// tells whether any character was not a digit.
inline constexpr std::uint8_t kNotAHexDigit = 0x80;
extern const std::array<std::uint8_t, 256> kStrictHexDigits;

// Strict decoding for inputs we check: an even count of 0-9, A-F, a-f.
// Returns false (and leaves `out` empty) for anything else.
bool ParseHexStrict(std::string_view text, std::vector<std::uint8_t>& out);

}  // namespace kavorin
