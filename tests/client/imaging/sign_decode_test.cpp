#include "client/imaging/sign_decode.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace kavorin::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Points = std::set<std::pair<int, int>>;

bool Ink(const SignCanvas& canvas, int x, int y) { return (canvas[16 * y + x / 8] >> (7 - x % 8)) & 1; }

Points InkedPoints(const SignCanvas& canvas) {
  Points points;
  for (int y = 0; y < kSignHeight; ++y) {
    for (int x = 0; x < kSignWidth; ++x) {
      if (Ink(canvas, x, y)) points.emplace(x, y);
    }
  }
  return points;
}

Points Row(int y, int from, int to) {
  Points points;
  for (int x = from; x <= to; ++x) points.emplace(x, y);
  return points;
}

struct StrokeCase {
  const char* name;
  Bytes data;
  Points ink;
};

TEST(SignStrokes, DrawsRecordsDeltasAndClampsAsTheFilesAlwaysWere) {
  const StrokeCase cases[] = {
      {"nothing at all", {}, {}},
      {"pen-up record without deltas", {0x00, 0x10, 0x05, 0x00}, {}},
      {"zero delta at the origin", {0x00, 0x00, 0x00, 0x01, 0x00}, {{0, 0}}},
      {"pen-up to the origin then pen-down to (10,0)", {0x00, 0x00, 0x00, 0x00, 0x8A, 0x00, 0x00}, Row(0, 0, 10)},
      {"shallow Bresenham line", {0x00, 0x00, 0x00, 0x00, 0x85, 0x02, 0x00},
       {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
      {"steep Bresenham line", {0x00, 0x00, 0x00, 0x00, 0x82, 0x05, 0x00},
       {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}},
      {"Bresenham toward smaller x and y", {0x00, 0x05, 0x02, 0x00, 0x80, 0x00, 0x00},
       {{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
      // x - 3, y + 2 from (0,5): only the start lies on the canvas.
      {"slanted delta off the left edge", {0x00, 0x00, 0x05, 0x01, 0x3A}, {{0, 5}}},
      // x - 3 from (0,5) along the row: clamped onto the edge.
      {"row delta off the left edge", {0x00, 0x00, 0x05, 0x01, 0x30}, {{0, 5}}},
      // From (127,10): x + 3 (clamped row), then y + 5 at x = 130 (drawn at 127).
      {"column past the right edge", {0x00, 0x7F, 0x0A, 0x02, 0xB0, 0x0D},
       {{127, 10}, {127, 11}, {127, 12}, {127, 13}, {127, 14}, {127, 15}}},
      // From (0,62): y + 3 is a column, clamped to rows 62-63; then x + 1
      // is a row at y = 65, outside the canvas, and draws nothing.
      {"row below the canvas", {0x00, 0x00, 0x3E, 0x02, 0x0B, 0x90}, {{0, 62}, {0, 63}}},
      // A column wholly below the canvas still lands on its last row.
      {"column below the canvas", {0x00, 0x00, 0x3F, 0x02, 0x0F, 0x0A}, {{0, 63}}},
      // The start point takes bytes 1 and 2 whole: (131,2). The pen-down
      // record to (3,2) fills the row, clamped; its 5 deltas lie past the
      // data and read as zero.
      {"start point and deltas past the data", {0x00, 0x83, 0x02, 0x05}, Row(2, 3, 127)},
      // y takes bits 0-5 only; bits 6-7 of P1 are ignored.
      {"y bits 6-7 ignored", {0x00, 0x00, 0x00, 0x00, 0x80, 0xC3, 0x00}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}}},
  };
  for (const StrokeCase& test : cases) {
    SignCanvas canvas;
    canvas.fill(0xA5);
    DecodeStrokes(test.data, canvas);
    EXPECT_EQ(InkedPoints(canvas), test.ink) << test.name;
  }
}

Bytes FileHeader(std::uint32_t pixels_per_metre, std::uint8_t colour0, std::uint8_t colour1) {
  const std::uint8_t m0 = pixels_per_metre & 0xFF;
  const std::uint8_t m1 = (pixels_per_metre >> 8) & 0xFF;
  return {'B', 'M', 0x3E, 0x04, 0, 0, 0, 0, 0, 0, 0x3E, 0, 0, 0,     // file header
          0x28, 0, 0, 0, 0x80, 0, 0, 0, 0x40, 0, 0, 0, 1, 0, 1, 0,  // size, 128 x 64, planes, bpp
          0, 0, 0, 0, 0x00, 0x04, 0, 0,                             // compression, image size
          m0, m1, 0, 0, m0, m1, 0, 0,                               // pixels per metre
          0, 0, 0, 0, 0, 0, 0, 0,                                   // colours
          colour0, colour0, colour0, 0, colour1, colour1, colour1, 0};
}

TEST(SignStrokes, FileHasTheStrokeHeaderAndTheBottomRowFirst) {
  SignCanvas canvas;
  DecodeStrokes(Bytes{0x00, 0x00, 0x00, 0x01, 0x00}, canvas);
  SignBitmapFile file;
  BuildStrokeBitmap(canvas, file);
  Bytes expected = FileHeader(5906, 0xFF, 0x00);
  expected.resize(kSignBitmapBytes, 0x00);
  expected[62 + 63 * 16] = 0x80;  // the top-left pixel lives in the last row
  EXPECT_EQ(Bytes(file.begin(), file.end()), expected);
}

// Old-type stream "00 12, FF 11, F8 00 FF 00 FF 00 FF 00 FF, 00, FD 22 33 44".
const Bytes kPageExample = {0x00, 0x12, 0xFF, 0x11, 0xF8, 0x00, 0xFF, 0x00, 0xFF, 0x00,
                            0xFF, 0x00, 0xFF, 0x00, 0xFD, 0x22, 0x33, 0x44};

TEST(SignPages, ExpandsTheLiteralSkipAndZeroRunExample) {
  SignCanvas pages;
  ASSERT_TRUE(DecodePages(kPageExample, pages));
  SignCanvas expected{};
  expected[0] = 0x11;
  expected[1021] = 0x22;
  expected[1022] = 0x33;
  expected[1023] = 0x44;
  EXPECT_EQ(pages, expected);
}

// A page stream that copies `stage` in literal runs of at most 128 bytes,
// under the given length header.
Bytes PageStream(std::uint8_t high, std::uint8_t low, const Bytes& stage) {
  Bytes out = {high, low};
  for (std::size_t at = 0; at < stage.size(); at += 128) {
    const std::size_t count = std::min<std::size_t>(128, stage.size() - at);
    out.push_back(static_cast<std::uint8_t>(-static_cast<int>(count)));
    out.insert(out.end(), stage.begin() + static_cast<std::ptrdiff_t>(at),
               stage.begin() + static_cast<std::ptrdiff_t>(at + count));
  }
  return out;
}

Bytes ZeroRuns(std::initializer_list<int> counts) {
  Bytes stage;
  for (const int count : counts) {
    stage.push_back(0x00);
    stage.push_back(static_cast<std::uint8_t>(count));
  }
  return stage;
}

// 1536 stage bytes giving exactly 1024: 512 runs of 2 zeros and 256 empty runs.
Bytes FullStage() {
  Bytes stage;
  for (int i = 0; i < 512; ++i) stage.insert(stage.end(), {0x00, 0x02});
  for (int i = 0; i < 256; ++i) stage.insert(stage.end(), {0x00, 0x00});
  return stage;
}

struct PageCase {
  const char* name;
  Bytes data;
  bool decodes;
};

TEST(SignPages, AcceptsExactly1024BytesAndLengthsUpTo1536) {
  Bytes seventeen = ZeroRuns({255, 255, 255, 255, 3, 0, 0, 0});
  seventeen.push_back(0x01);
  Bytes nonzero_after_full = ZeroRuns({255, 255, 255, 255, 4});
  nonzero_after_full.push_back(0x07);

  const PageCase cases[] = {
      {"runs giving 1023 bytes", PageStream(0x00, 0x10, ZeroRuns({255, 255, 255, 255, 3})), false},
      {"runs giving 1024 bytes", PageStream(0x00, 0x10, ZeroRuns({255, 255, 255, 255, 4})), true},
      {"runs giving 1025 bytes", PageStream(0x00, 0x10, ZeroRuns({255, 255, 255, 255, 5})), false},
      {"a byte after 1024", PageStream(0x00, 0x11, nonzero_after_full), false},
      {"length 1536", PageStream(0x15, 0x36, FullStage()), true},
      {"length 1537", PageStream(0x15, 0x37, FullStage()), false},
      {"length 0", {0x00, 0x00, 0x00, 0xFF}, false},
      // 0x0A reads as 'A' - '0' = 17, so the header means 17 bytes.
      {"nibble above 9 in the length", PageStream(0x00, 0x0A, seventeen), true},
      {"header only", {0x00}, false},
      {"stream ends before the length", {0x00, 0x10, 0xFF, 0x11}, false},
      {"repeat run without its byte", {0x00, 0x10, 0x05}, false},
      {"literal run past the data", {0x00, 0x10, 0xF0, 0x01, 0x02}, false},
      // Runs may overshoot the 1536-byte stage; the excess is cut.
      {"runs past the stage buffer", {0x15, 0x36, 0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01,
                                      0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01, 0x7F, 0x01,
                                      0x7F, 0x01, 0x7F, 0x01},
       false},
      // Length 9 ends on a zero; its count is the tenth stage byte, which
      // the literal run produced beyond the length.
      {"zero-run count just past the length",
       {0x00, 0x09, 0xF6, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x04}, true},
      {"zero-run count in the cleared stage", PageStream(0x00, 0x09, {0, 255, 0, 255, 0, 255, 0, 255, 0}), false},
  };
  for (const PageCase& test : cases) {
    SignCanvas pages;
    EXPECT_EQ(DecodePages(test.data, pages), test.decodes) << test.name;
  }
}

TEST(SignPages, FileHasThePageHeaderBandsAndInvertedPixels) {
  SignBitmapFile file;
  SignCanvas pages{};

  // Bit 7 of byte 0: bottom-left pixel, the first pixel byte of the file.
  pages[0] = 0x80;
  BuildPageBitmap(pages, file);
  Bytes expected = FileHeader(3780, 0x00, 0xFF);
  expected.resize(kSignBitmapBytes, 0xFF);
  expected[62] = 0x7F;
  EXPECT_EQ(Bytes(file.begin(), file.end()), expected);

  // Bit 0 of byte 0: the band's top row, file row 7.
  pages[0] = 0x01;
  BuildPageBitmap(pages, file);
  expected[62] = 0xFF;
  expected[62 + 7 * 16] = 0x7F;
  EXPECT_EQ(Bytes(file.begin(), file.end()), expected);
}

}  // namespace
}  // namespace kavorin::imaging
