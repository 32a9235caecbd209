#include "client/imaging/bmp_rle.hpp"

#include <algorithm>

namespace kavorin::imaging {
namespace {

constexpr std::uint8_t kEscape = 0;
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

bool Available(std::span<const std::uint8_t> data, std::size_t at, std::size_t count) {
  return at <= data.size() && count <= data.size() - at;
}

class NibbleWriter {
 public:
  explicit NibbleWriter(std::span<std::uint8_t> row) : row_(row) {}

  bool Put(unsigned nibble) {
    const std::size_t byte = pixel_ / 2;
    if (byte >= row_.size()) return false;
    if (pixel_ % 2 == 0) {
      row_[byte] = static_cast<std::uint8_t>(nibble << 4);
    } else {
      row_[byte] = static_cast<std::uint8_t>(row_[byte] | nibble);
    }
    ++pixel_;
    return true;
  }

 private:
  std::span<std::uint8_t> row_;
  std::size_t pixel_ = 0;
};

}  // namespace

RleRow DecodeRle8Row(std::span<const std::uint8_t> data, std::size_t& at, std::span<std::uint8_t> row) {
  std::size_t x = 0;
  for (;;) {
    if (!Available(data, at, 2)) return RleRow::kTruncated;
    const std::uint8_t count = data[at];
    const std::uint8_t value = data[at + 1];
    at += 2;
    if (count != kEscape) {
      if (count > row.size() - x) return RleRow::kOverrun;
      std::fill_n(row.begin() + static_cast<std::ptrdiff_t>(x), count, value);
      x += count;
      continue;
    }
    switch (value) {
      case kEndOfLine:
        return RleRow::kEndOfLine;
      case kEndOfBitmap:
        return RleRow::kEndOfBitmap;
      case kDelta:
        if (!Available(data, at, 2)) return RleRow::kTruncated;
        at += 2;
        break;
      default: {
        // Absolute run: `value` bytes as they are, padded to a 16-bit boundary.
        if (!Available(data, at, value)) return RleRow::kTruncated;
        if (value > row.size() - x) return RleRow::kOverrun;
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), value, row.begin() + static_cast<std::ptrdiff_t>(x));
        x += value;
        at += value + (value & 1u);
        break;
      }
    }
  }
}

RleRow DecodeRle4Row(std::span<const std::uint8_t> data, std::size_t& at, std::span<std::uint8_t> row) {
  NibbleWriter out(row);
  for (;;) {
    if (!Available(data, at, 2)) return RleRow::kTruncated;
    const std::uint8_t count = data[at];
    const std::uint8_t value = data[at + 1];
    at += 2;
    if (count != kEscape) {
      for (unsigned i = 0; i < count; ++i) {
        if (!out.Put(i % 2 == 0 ? value >> 4 : value & 0x0Fu)) return RleRow::kOverrun;
      }
      continue;
    }
    switch (value) {
      case kEndOfLine:
        return RleRow::kEndOfLine;
      case kEndOfBitmap:
        return RleRow::kEndOfBitmap;
      case kDelta:
        if (!Available(data, at, 2)) return RleRow::kTruncated;
        at += 2;
        break;
      default: {
        // Absolute run: `value` pixels in (value + 1) / 2 bytes, padded to a
        // 16-bit boundary.
        const std::size_t bytes = (value + 1u) / 2;
        if (!Available(data, at, bytes)) return RleRow::kTruncated;
        for (unsigned i = 0; i < value; ++i) {
          const std::uint8_t packed = data[at + i / 2];
          if (!out.Put(i % 2 == 0 ? packed >> 4 : packed & 0x0Fu)) return RleRow::kOverrun;
        }
        at += bytes + (bytes & 1u);
        break;
      }
    }
  }
}

}  // namespace kavorin::imaging
