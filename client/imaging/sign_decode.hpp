#pragma once
// The two image encodings a sign pad delivers, after decryption, and the
// 128 x 64 monochrome bitmap file both become.
//
// Both decoders take untrusted bytes: they never read or write outside the
// spans and arrays they are given, whatever the data says.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kavorin::imaging {

inline constexpr int kSignWidth = 128;
inline constexpr int kSignHeight = 64;
inline constexpr std::size_t kSignRowBytes = 16;
inline constexpr std::size_t kSignPixelBytes = 1024;
inline constexpr std::size_t kSignHeaderBytes = 62;  // file header, info header, 2-entry palette
inline constexpr std::size_t kSignBitmapBytes = kSignHeaderBytes + kSignPixelBytes;  // 1086

// 1 bit a pixel, 16 bytes a row, row 0 on top, leftmost pixel in the most
// significant bit.
using SignCanvas = std::array<std::uint8_t, kSignPixelBytes>;
using SignBitmapFile = std::array<std::uint8_t, kSignBitmapBytes>;

// Stroke encoding ("NEW TYPE"): byte 0 unused, bytes 1 and 2 the starting
// point, then records of (pen/x, y, delta count, deltas...). Bytes past the
// end of `data` read as zero. Always succeeds; ink is 1 on a cleared canvas.
void DecodeStrokes(std::span<const std::uint8_t> data, SignCanvas& canvas);

// Page encoding ("OLD TYPE"): a 4-digit BCD length, a run-length stage and a
// zero-run stage giving 8 bands of 128 columns (band 7 on top, bit 0 of a
// column byte the band's top row). Returns false when the data does not
// expand to exactly 1024 bytes, when the length is 0 or above 1536, or when
// the run-length stream ends before it has produced the length.
bool DecodePages(std::span<const std::uint8_t> data, SignCanvas& pages);

// The 1086-byte files. Stroke files show ink (1) black through palette entry
// 1; page files are inverted so that a set page bit becomes 0, shown black
// through palette entry 0. Both store the bottom row first.
void BuildStrokeBitmap(const SignCanvas& canvas, SignBitmapFile& file);
void BuildPageBitmap(const SignCanvas& pages, SignBitmapFile& file);

}  // namespace kavorin::imaging
