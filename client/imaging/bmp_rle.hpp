#pragma once
// Row decoders for the two run-length compressions of the bitmap format,
// one call a row. A delta escape's two bytes are skipped without moving the
// position: the converter has always done so, and a file that carries deltas
// must convert as it did before.
//
// The file is untrusted: a run that does not fit the row and a stream that
// ends inside an escape, a run or a row are reported, never read or written
// past. Pixels land in `row`, which the caller has cleared.
#include <cstddef>
#include <cstdint>
#include <span>

namespace kavorin::imaging {

enum class RleRow {
  kEndOfLine,    // escape 0: the row is done
  kEndOfBitmap,  // escape 1: no more rows
  kOverrun,      // a run reaches past the end of `row`
  kTruncated,    // the data ends before the row does
};

// `at` is the offset of the next unread byte in `data`; it advances.
RleRow DecodeRle8Row(std::span<const std::uint8_t> data, std::size_t& at, std::span<std::uint8_t> row);

// Two pixels a byte, the first in the high nibble; an odd last pixel is kept
// in the high nibble of its byte.
RleRow DecodeRle4Row(std::span<const std::uint8_t> data, std::size_t& at, std::span<std::uint8_t> row);

}  // namespace kavorin::imaging
