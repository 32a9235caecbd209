#include "common/base64.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavorin {
namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// RFC 4648, section 10.
TEST(Base64, EncodesTheRfcVectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},         {"f", "Zg=="},        {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64Encode(std::string_view(plain)), encoded) << plain;
    EXPECT_EQ(AsText(Base64Decode(encoded)), plain) << encoded;
  }
}

TEST(Base64, EncodesEveryByteValueWithoutLineBreaks) {
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  const std::string text = Base64Encode(all);
  EXPECT_EQ(text.size(), 344u);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(Base64Decode(text), all);
}

TEST(Base64, DecodesLeniently) {
  struct Case {
    const char* text;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"QUJD", {'A', 'B', 'C'}},                   // 4 characters give 3 bytes
      {"QUJDRA==", {'A', 'B', 'C', 'D'}},           // 6 characters and two pads give 4 bytes
      {"QUJDRE", {'A', 'B', 'C', 'D'}},             // a final group of 2 gives 1 byte
      {"QUJDREU", {'A', 'B', 'C', 'D', 'E'}},       // a final group of 3 gives 2 bytes
      {"QUJDR", {'A', 'B', 'C'}},                   // one leftover character gives nothing
      {"QU JD", {'A'}},                             // stops at the first character outside the alphabet
      {"QUJD\nRA==", {'A', 'B', 'C'}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Base64Decode(c.text), c.bytes) << c.text;
}

}  // namespace
}  // namespace kavorin
