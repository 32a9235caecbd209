#include "client/imaging/bmp_rle.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kavorin::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RleCase {
  const char* name;
  Bytes data;
  RleRow result;
  Bytes row;              // the row after the call (its size is the slot size)
  std::size_t consumed;   // checked for rows that ended normally
};

void Check(const RleCase& test, RleRow (*decode)(std::span<const std::uint8_t>, std::size_t&, std::span<std::uint8_t>)) {
  Bytes row(test.row.size(), 0);
  std::size_t at = 0;
  EXPECT_EQ(decode(test.data, at, row), test.result) << test.name;
  EXPECT_EQ(row, test.row) << test.name;
  if (test.result == RleRow::kEndOfLine || test.result == RleRow::kEndOfBitmap) {
    EXPECT_EQ(at, test.consumed) << test.name;
  }
  EXPECT_LE(at, test.data.size() + 1) << test.name;
}

TEST(Rle8Row, DecodesRunsEscapesAndRefusesWhatDoesNotFit) {
  const RleCase cases[] = {
      {"encoded run", {0x03, 0xAA, 0x00, 0x00}, RleRow::kEndOfLine, {0xAA, 0xAA, 0xAA, 0, 0, 0, 0, 0}, 4},
      {"odd absolute run is padded", {0x00, 0x03, 0x11, 0x22, 0x33, 0x99, 0x00, 0x00}, RleRow::kEndOfLine,
       {0x11, 0x22, 0x33, 0, 0, 0, 0, 0}, 8},
      {"even absolute run", {0x00, 0x04, 0x11, 0x22, 0x33, 0x44, 0x00, 0x00}, RleRow::kEndOfLine,
       {0x11, 0x22, 0x33, 0x44, 0, 0, 0, 0}, 8},
      {"delta skipped without moving", {0x02, 0xAA, 0x00, 0x02, 0x05, 0x07, 0x01, 0xBB, 0x00, 0x00},
       RleRow::kEndOfLine, {0xAA, 0xAA, 0xBB, 0, 0, 0, 0, 0}, 10},
      {"end of bitmap", {0x01, 0xCC, 0x00, 0x01}, RleRow::kEndOfBitmap, {0xCC, 0, 0, 0, 0, 0, 0, 0}, 4},
      {"run filling the row", {0x08, 0x11, 0x00, 0x00}, RleRow::kEndOfLine, Bytes(8, 0x11), 4},
      {"encoded run past the row", {0x09, 0x11, 0x00, 0x00}, RleRow::kOverrun, Bytes(8, 0), 0},
      {"absolute run past the row", {0x05, 0x11, 0x00, 0x04, 0x01, 0x02, 0x03, 0x04}, RleRow::kOverrun,
       {0x11, 0x11, 0x11, 0x11, 0x11, 0, 0, 0}, 0},
      {"half a pair", {0x03}, RleRow::kTruncated, Bytes(8, 0), 0},
      {"absolute run cut short", {0x00, 0x05, 0x11, 0x22}, RleRow::kTruncated, Bytes(8, 0), 0},
      {"delta past the end", {0x00, 0x02, 0x05}, RleRow::kTruncated, Bytes(8, 0), 0},
      {"no end of line", {0x02, 0x11}, RleRow::kTruncated, {0x11, 0x11, 0, 0, 0, 0, 0, 0}, 0},
  };
  for (const RleCase& test : cases) Check(test, DecodeRle8Row);
}

TEST(Rle4Row, PacksTwoPixelsAByteHighNibbleFirst) {
  const RleCase cases[] = {
      {"encoded run alternates the nibbles", {0x05, 0x12, 0x00, 0x00}, RleRow::kEndOfLine, {0x12, 0x12, 0x10, 0x00}, 4},
      {"each run starts at its high nibble", {0x01, 0xF0, 0x01, 0xE0, 0x00, 0x00}, RleRow::kEndOfLine,
       {0xFE, 0, 0, 0}, 6},
      {"absolute run of 3 pixels in 2 bytes", {0x00, 0x03, 0xAB, 0xC0, 0x00, 0x00}, RleRow::kEndOfLine,
       {0xAB, 0xC0, 0, 0}, 6},
      {"absolute run of 5 pixels in 3 bytes, padded", {0x00, 0x05, 0x12, 0x34, 0x50, 0x99, 0x00, 0x00},
       RleRow::kEndOfLine, {0x12, 0x34, 0x50, 0x00}, 8},
      {"odd pixel kept at end of bitmap", {0x03, 0x77, 0x00, 0x01}, RleRow::kEndOfBitmap, {0x77, 0x70, 0, 0}, 4},
      {"8 pixels fill the row", {0x08, 0x11, 0x00, 0x00}, RleRow::kEndOfLine, {0x11, 0x11, 0x11, 0x11}, 4},
      {"9 pixels do not", {0x09, 0x11, 0x00, 0x00}, RleRow::kOverrun, {0x11, 0x11, 0x11, 0x11}, 0},
      {"absolute run past the row", {0x00, 0x0A, 0x12, 0x34, 0x56, 0x78, 0x9A, 0x00}, RleRow::kOverrun,
       {0x12, 0x34, 0x56, 0x78}, 0},
      {"absolute run cut short", {0x00, 0x05, 0x12}, RleRow::kTruncated, {0, 0, 0, 0}, 0},
      {"delta past the end", {0x00, 0x02}, RleRow::kTruncated, {0, 0, 0, 0}, 0},
  };
  for (const RleCase& test : cases) Check(test, DecodeRle4Row);
}

}  // namespace
}  // namespace kavorin::imaging
