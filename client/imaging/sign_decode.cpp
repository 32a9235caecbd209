#include "client/imaging/sign_decode.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <cstdlib>

namespace kavorin::imaging {
namespace {

// The run-length stage of the page encoding works in a buffer of this size;
// a length header above it is refused, and a run that overshoots it is cut.
constexpr std::size_t kPageStageBytes = 1536;

class StrokeCanvas {
 public:
  explicit StrokeCanvas(SignCanvas& bits) : bits_(bits) { bits_.fill(0); }

  void Plot(int x, int y) {
    if (x < 0 || x >= kSignWidth || y < 0 || y >= kSignHeight) return;
    bits_[kSignRowBytes * static_cast<std::size_t>(y) + static_cast<std::size_t>(x / 8)] |=
        static_cast<std::uint8_t>(0x80u >> (x % 8));
  }

  // Straight rows and columns are clamped onto the canvas, slanted lines
  // clipped point by point: signature files were always drawn this way, and
  // decoding the same data again must give the same pixels.
  void Line(int x0, int y0, int x1, int y1) {
    if (y0 == y1) {
      if (y0 < 0 || y0 >= kSignHeight) return;
      const int from = std::clamp(std::min(x0, x1), 0, kSignWidth - 1);
      const int to = std::clamp(std::max(x0, x1), 0, kSignWidth - 1);
      for (int x = from; x <= to; ++x) Plot(x, y0);
      return;
    }
    if (x0 == x1) {
      const int x = std::clamp(x0, 0, kSignWidth - 1);
      const int from = std::clamp(std::min(y0, y1), 0, kSignHeight - 1);
      const int to = std::clamp(std::max(y0, y1), 0, kSignHeight - 1);
      for (int y = from; y <= to; ++y) Plot(x, y);
      return;
    }
    Plot(x0, y0);
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int sx = x1 > x0 ? 1 : -1;
    const int sy = y1 > y0 ? 1 : -1;
    int x = x0;
    int y = y0;
    if (dx < dy) {
      int err = dy / 2;
      do {
        const int t = dx + err;
        if (t >= dy) {
          x += sx;
          err = t - dy;
        } else {
          err = t;
        }
        y += sy;
        Plot(x, y);
      } while (y != y1);
    } else {
      int err = dx / 2;
      do {
        x += sx;
        err += dy;
        if (err >= dx) {
          y += sy;
          err -= dx;
        }
        Plot(x, y);
      } while (x != x1);
    }
  }

 private:
  SignCanvas& bits_;
};

void PutLe32(SignBitmapFile& file, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutLe16(SignBitmapFile& file, std::size_t at, std::uint16_t value) {
  file[at] = static_cast<std::uint8_t>(value);
  file[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The two encodings have always produced different resolutions and palette
// orders; both are kept so that a file made today matches one made before,
// byte for byte.
void PutHeader(SignBitmapFile& file, std::uint32_t pixels_per_metre, std::uint8_t colour0, std::uint8_t colour1) {
  file.fill(0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(file, 2, kSignBitmapBytes);
  PutLe32(file, 10, kSignHeaderBytes);
  PutLe32(file, 14, 40);
  PutLe32(file, 18, kSignWidth);
  PutLe32(file, 22, kSignHeight);
  PutLe16(file, 26, 1);
  PutLe16(file, 28, 1);
  PutLe32(file, 34, kSignPixelBytes);
  PutLe32(file, 38, pixels_per_metre);
  PutLe32(file, 42, pixels_per_metre);
  for (std::size_t i = 0; i < 3; ++i) {
    file[54 + i] = colour0;
    file[58 + i] = colour1;
  }
}

}  // namespace

void DecodeStrokes(std::span<const std::uint8_t> data, SignCanvas& canvas) {
  StrokeCanvas out(canvas);
  const auto at = [&data](std::size_t i) -> int { return i < data.size() ? data[i] : 0; };
  const auto length = static_cast<std::ptrdiff_t>(data.size());

  int x = at(1);
  int y = at(2);
  std::size_t record = 1;
  while (static_cast<std::ptrdiff_t>(record) < length - 1) {
    const int p0 = at(record);
    const int p1 = at(record + 1);
    const int deltas = at(record + 2);
    const int to_x = p0 & 0x7F;
    const int to_y = p1 & 0x3F;
    if ((p0 & 0x80) != 0) out.Line(x, y, to_x, to_y);
    x = to_x;
    y = to_y;
    for (int i = 0; i < deltas; ++i) {
      const int delta = at(record + 3 + static_cast<std::size_t>(i));
      const int step_x = (delta >> 4) & 0x07;
      const int step_y = delta & 0x07;
      const int next_x = (delta & 0x80) != 0 ? x + step_x : x - step_x;
      const int next_y = (delta & 0x08) != 0 ? y + step_y : y - step_y;
      out.Line(x, y, next_x, next_y);
      x = next_x;
      y = next_y;
    }
    record += 3 + static_cast<std::size_t>(deltas);
  }
}

bool DecodePages(std::span<const std::uint8_t> data, SignCanvas& pages) {
  if (data.size() < 2) return false;

  // Four BCD digits, read as the decimal digits of their hex text: a nibble
  // above 9 counts as its upper-case letter minus '0' (0xA as 17), so a
  // damaged header gives a large or a wrong length, as it always has, rather
  // than a refusal of its own.
  int length = 0;
  for (const int nibble : {data[0] >> 4, data[0] & 0x0F, data[1] >> 4, data[1] & 0x0F}) {
    length = length * 10 + (nibble <= 9 ? nibble : nibble + ('A' - '0' - 10));
  }
  if (length <= 0 || length > static_cast<int>(kPageStageBytes)) return false;

  // A run may overshoot the stage by up to 127 bytes: the tail takes them,
  // and nothing reads it, so no run is cut byte by byte.
  std::array<std::uint8_t, kPageStageBytes + 128> stage{};
  const std::uint8_t* const in = data.data();
  const std::size_t size = data.size();
  std::size_t produced = 0;
  std::size_t at = 2;
  while (produced < static_cast<std::size_t>(length)) {
    if (at >= size) return false;
    const auto control = static_cast<std::int8_t>(in[at]);
    if (control > 0) {
      if (at + 1 >= size) return false;
      std::memset(stage.data() + produced, in[at + 1], static_cast<std::size_t>(control));
      produced += static_cast<std::size_t>(control);
      at += 2;
    } else if (control < 0) {
      const std::size_t count = static_cast<std::size_t>(-control);
      if (count > size - at - 1) return false;
      std::memcpy(stage.data() + produced, in + at + 1, count);
      produced += count;
      at += 1 + count;
    } else {
      at += 1;
    }
  }

  pages.fill(0);
  std::size_t out = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(length);) {
    const std::uint8_t byte = stage[i];
    if (byte != 0) {
      if (out == pages.size()) return false;
      pages[out++] = byte;
      i += 1;
    } else {
      // A zero in the last place of the stage takes its count from the byte
      // after it in the stage buffer (cleared, or the overshoot of the last
      // run); only at the very end of the buffer is there none, and then the
      // count is 0 instead of a read past it.
      const std::size_t zeros = i + 1 < kPageStageBytes ? stage[i + 1] : 0;
      if (zeros > pages.size() - out) return false;
      out += zeros;  // `pages` is already cleared
      i += 2;
    }
  }
  return out == pages.size();
}

void BuildStrokeBitmap(const SignCanvas& canvas, SignBitmapFile& file) {
  PutHeader(file, 5906, 0xFF, 0x00);
  for (std::size_t row = 0; row < kSignHeight; ++row) {
    const std::size_t from = kSignRowBytes * (kSignHeight - 1 - row);
    std::copy_n(canvas.begin() + static_cast<std::ptrdiff_t>(from), kSignRowBytes,
                file.begin() + static_cast<std::ptrdiff_t>(kSignHeaderBytes + kSignRowBytes * row));
  }
}

// The pages hold 8 rows a byte (a band of 8 rows, one byte a column, the
// top row in bit 0); the bitmap 8 columns a byte. Each 8 x 8 block of bits
// is transposed in one 64-bit word rather than bit by bit.
void BuildPageBitmap(const SignCanvas& pages, SignBitmapFile& file) {
  PutHeader(file, 3780, 0x00, 0xFF);
  for (std::size_t band = 0; band < 8; ++band) {
    for (std::size_t column_byte = 0; column_byte < kSignRowBytes; ++column_byte) {
      // Column i of the block in byte 7 - i (the first column on top).
      std::uint64_t x = 0;
      std::memcpy(&x, pages.data() + 128 * band + 8 * column_byte, sizeof x);
      if constexpr (std::endian::native == std::endian::little) x = __builtin_bswap64(x);
      std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
      x ^= t ^ (t << 7);
      t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
      x ^= t ^ (t << 14);
      t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
      x ^= t ^ (t << 28);
      // Now byte j of the word holds bit j of every column, column 0 in its
      // top bit: row y = 8 * (7 - band) + j, which the bottom-up file holds
      // as row 63 - y.
      for (std::size_t bit = 0; bit < 8; ++bit) {
        const std::size_t row = static_cast<std::size_t>(kSignHeight) - 1 - (8 * (7 - band) + bit);
        file[kSignHeaderBytes + kSignRowBytes * row + column_byte] = static_cast<std::uint8_t>(~(x >> (8 * bit)));
      }
    }
  }
}

}  // namespace kavorin::imaging
