#include "common/text_codec.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace kavorin {
namespace {

TEST(TextCodec, KoreanTextsBecomeCp949Bytes) {
  EXPECT_EQ(Cp949FromUtf8("실패"), "\xBD\xC7\xC6\xD0");
  EXPECT_EQ(Cp949FromUtf8("단말기"), "\xB4\xDC\xB8\xBB\xB1\xE2");
  EXPECT_EQ(Cp949FromUtf16(u"COM1 단말기"), "COM1 \xB4\xDC\xB8\xBB\xB1\xE2");
  EXPECT_EQ(Utf8FromCp949("\xBD\xC7\xC6\xD0"), "실패");
  EXPECT_EQ(Utf16FromCp949("A\xB4\xDC"), u"A단");
}

TEST(TextCodec, AsciiAndControlBytesPassUnchanged) {
  std::string all;
  for (int c = 1; c < 0x80; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(Cp949FromUtf8(all), all);
  EXPECT_EQ(Utf8FromCp949(all), all);
  EXPECT_EQ(Cp949FromUtf8(std::string("A\0B", 3)), std::string("A\0B", 3));
}

TEST(TextCodec, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Cp949FromUtf8("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji
  EXPECT_EQ(Cp949FromUtf16(u"x\xD800y"), "x?y");             // a lone surrogate
}

TEST(TextCodec, InvalidInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8FromCp949("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf8FromCp949("a\xB4"), "a\xEF\xBF\xBD");  // a cut double-byte character
  EXPECT_EQ(Utf16FromUtf8("a\xC0\xAF" "b"), u"a\xFFFD" "b");  // overlong
  EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\xFFFD");  // an encoded surrogate
}

TEST(TextCodec, Utf8AndUtf16RoundTrip) {
  const std::string text = "카드 \xF0\x9F\x98\x80 card";
  EXPECT_EQ(Utf8FromUtf16(Utf16FromUtf8(text)), text);
}

// Texts come from any local client. A character CP949 lacks must cost what a
// Korean one costs: when each one made the converter start over, 250 KB of
// them held the host's only thread for seconds. The two are timed in the same
// run, so the machine's speed does not matter; a quadratic cost is hundreds
// of times slower at this size, a linear one about equal.
TEST(TextCodec, CharactersCp949LacksCostNoMoreThanOthers) {
  const std::u16string korean(64 * 1024, u'\uAC00');
  const std::u16string lacking(64 * 1024, u'\uFFFD');
  auto best_of_three = [](const std::u16string& text) {
    auto best = std::chrono::steady_clock::duration::max();
    for (int run = 0; run < 3; ++run) {
      const auto start = std::chrono::steady_clock::now();
      const std::string converted = Cp949FromUtf16(text);
      best = std::min(best, std::chrono::steady_clock::now() - start);
      EXPECT_FALSE(converted.empty());
    }
    return best;
  };
  EXPECT_EQ(Cp949FromUtf16(lacking.substr(0, 3)), "???");
  const auto korean_time = best_of_three(korean);
  const auto lacking_time = best_of_three(lacking);
  EXPECT_LT(lacking_time, 20 * korean_time + std::chrono::milliseconds(5))
      << "unmappable: " << std::chrono::duration<double, std::milli>(lacking_time).count()
      << " ms, Korean: " << std::chrono::duration<double, std::milli>(korean_time).count() << " ms";
}

}  // namespace
}  // namespace kavorin
