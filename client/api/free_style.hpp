#pragma once
// The free-style data of the print and transaction exports.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kavorin {

// Extended free-style data may embed raw blocks (zero bytes included), so
// its length comes from a scan of the block headers, never past 20000:
//   0x15 or 0x17  a block whose 4-byte decimal length L stands at +7..+10;
//                 the block takes L + 11 bytes
//   0x16          a block whose length stands at +3..+6; it takes L + 7
//   0x00          the end of the data
// A block header cut short by a zero byte ends the data there, so the scan
// never reads past a caller's terminated text for a header.
inline constexpr std::size_t kExFreeStyleScanLimit = 20000;
std::size_t ScanExFreeStyleLength(const unsigned char* data);
// The hex text of the data must fit 20000 bytes with its NUL.
inline constexpr std::size_t kMaxExFreeStyleBytes = 9999;

// "#"-escaping of the free-style transaction: a byte below 0x20 or "#"
// travels as "#" and the byte XOR 0x40. The escaped text must fit 2048
// bytes with its NUL; nothing when it would not.
inline constexpr std::size_t kMaxEscapedBytes = 2047;
std::optional<std::string> EscapeFreeStyle(std::string_view userData);
// The reverse: "#" is dropped and the next byte is that byte minus 0x40. A
// "#" at the very end is dropped.
std::string UnescapeFreeStyle(std::string_view text);

}  // namespace kavorin
