#include "client/api/free_style.hpp"

namespace kavorin {
namespace {

// The decimal number at the start of `digits` (up to 4 bytes), 0 without one.
std::size_t BlockLength(const unsigned char* digits) {
  std::size_t value = 0;
  for (int i = 0; i < 4 && digits[i] >= '0' && digits[i] <= '9'; ++i) value = value * 10 + (digits[i] - '0');
  return value;
}

// True when bytes 1..last after `block` hold no zero byte.
bool HeaderIsWhole(const unsigned char* block, int last) {
  for (int i = 1; i <= last; ++i) {
    if (block[i] == 0) return false;
  }
  return true;
}

}  // namespace

std::size_t ScanExFreeStyleLength(const unsigned char* data) {
  std::size_t offset = 0;
  while (offset < kExFreeStyleScanLimit) {
    const unsigned char byte = data[offset];
    if (byte == 0x00) break;
    if (byte == 0x15 || byte == 0x17) {
      if (!HeaderIsWhole(data + offset, 10)) break;
      offset += BlockLength(data + offset + 7) + 11;
    } else if (byte == 0x16) {
      if (!HeaderIsWhole(data + offset, 6)) break;
      offset += BlockLength(data + offset + 3) + 7;
    } else {
      offset += 1;
    }
  }
  return offset;
}

std::optional<std::string> EscapeFreeStyle(std::string_view userData) {
  std::string escaped;
  escaped.reserve(userData.size());
  for (const char c : userData) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '#') {
      escaped.push_back('#');
      escaped.push_back(static_cast<char>(byte ^ 0x40));
    } else {
      escaped.push_back(c);
    }
    if (escaped.size() > kMaxEscapedBytes) return std::nullopt;
  }
  return escaped;
}

std::string UnescapeFreeStyle(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#') {
      if (++i == text.size()) break;
      plain.push_back(static_cast<char>(static_cast<unsigned char>(text[i]) - 0x40));
    } else {
      plain.push_back(text[i]);
    }
  }
  return plain;
}

}  // namespace kavorin
