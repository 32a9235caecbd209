#include "common/hex.hpp"

#include <gtest/gtest.h>

namespace kavorin {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Hex, WritesUpperCasePairs) {
  EXPECT_EQ(BytesToHexUpper(Bytes{0x00, 0x0A, 0x1B, 0xFF}), "000A1BFF");
  EXPECT_EQ(BytesToHexUpper(Bytes{}), "");
}

TEST(Hex, TerminalArithmeticDecodesAnyText) {
  struct Case {
    const char* text;
    Bytes bytes;
  };
  const Case cases[] = {
      {"0A1b", {0x0A, 0x1B}},
      {"ff00", {0xFF, 0x00}},
      {"", {}},
      // An odd text pairs its last digit with the NUL: 0xA0 | (0 - 0x30) in 8 bits.
      {"0A1", {0x0A, 0x10 | 0xD0}},
      // No validation: 'G' counts as 0x47 - 0x37 = 0x10, 'z' as 0x7A - 0x57 = 0x23.
      {"Gz", {static_cast<std::uint8_t>((0x10 << 4) | 0x23)}},
  };
  for (const auto& c : cases) EXPECT_EQ(HexToBytes(c.text), c.bytes) << c.text;
}

TEST(Hex, StrictParsingRefusesWhatItCannotRead) {
  Bytes out;
  EXPECT_TRUE(ParseHexStrict("0a1B", out));
  EXPECT_EQ(out, (Bytes{0x0A, 0x1B}));
  // The neighbours of every digit range, and a byte above 0x7F.
  for (const char* bad : {"0", "0G", "0a1", "  ", "0x", "/0", "9:", "@0", "0`", "g0", "\xB0" "0"}) {
    EXPECT_FALSE(ParseHexStrict(bad, out)) << bad;
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace kavorin
