#pragma once
// Base64 with the standard alphabet of RFC 4648, '=' padding, no line breaks.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavorin {

std::string Base64Encode(std::span<const std::uint8_t> data);
inline std::string Base64Encode(std::string_view data) {
  return Base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

// Lenient decoding as the sign-data getters need it: decoding stops at the
// first character outside the alphabet ('=' and NUL included); a final group
// of 2 or 3 characters gives 1 or 2 bytes, a single leftover character none.
std::vector<std::uint8_t> Base64Decode(std::string_view text);

}  // namespace kavorin
