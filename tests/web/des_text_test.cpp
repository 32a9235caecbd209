// The control's DES text functions against vectors from an independent
// implementation, made with the OpenSSL command line:
//   printf '%s' TEXT | iconv -t cp949 |
//     openssl enc -des-ecb -provider legacy -provider default -K 514d5654616c696e -nosalt | base64
#include <gtest/gtest.h>

#include "common/base64.hpp"
#include "common/text_codec.hpp"
#include "web/kavorin_web/des_text.hpp"

namespace kavorin::web {
namespace {

TEST(DesText, EncryptsAsAnIndependentImplementationDoes) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", "gR6FV6agUm4="},
      {"12345678", "EIFE5/jWHWCBHoVXpqBSbg=="},
      {"hello", "Z/MB5Dl8z8U="},
      {Cp949FromUtf8("카드승인 1004원"), "H6FfwQPFpG6my0eBq4eZ4Q=="},
  };
  for (const auto& [plain, cipher] : vectors) {
    EXPECT_EQ(DesEncryptBase64(plain), cipher);
    EXPECT_EQ(DesDecryptBase64(cipher), plain);
  }
  // An empty text is one block of padding: 12 characters ending in "=";
  // eight bytes are two blocks: 24 characters.
  EXPECT_EQ(DesEncryptBase64("").size(), 12u);
  EXPECT_EQ(DesEncryptBase64("ABCDEFGH").size(), 24u);
}

TEST(DesText, DecryptionForgivesWhatItCannotReport) {
  // Decoding stops at the first character outside the alphabet.
  EXPECT_EQ(DesDecryptBase64("EIFE5/jWHWCBHoVXpqBSbg==garbage"), "12345678");
  EXPECT_EQ(DesDecryptBase64("Z/MB5Dl8z8U=\r\n"), "hello");
  EXPECT_EQ(DesDecryptBase64("Z/MB5Dl8 z8U="), "");
  // Bad padding: the blocks before the last ("ABCDEFGH12345678" without
  // padding).
  EXPECT_EQ(DesDecryptBase64("T6OMqOcSDigQgUTn+NYdYA=="), "ABCDEFGH");
  // A length that is not whole blocks: the whole blocks.
  const std::string two_blocks = "T6OMqOcSDigQgUTn+NYdYA==";
  std::vector<std::uint8_t> bytes = Base64Decode(two_blocks);
  bytes.resize(12);
  EXPECT_EQ(DesDecryptBase64(Base64Encode(bytes)), "ABCDEFGH");
  // The plain text ends at its first zero byte ("ABCDEFGH\0XYZ").
  EXPECT_EQ(DesDecryptBase64("T6OMqOcSDijS7PCAA7C2sw=="), "ABCDEFGH");
  EXPECT_EQ(DesDecryptBase64(""), "");
  EXPECT_EQ(DesDecryptBase64("===="), "");
}

TEST(DesText, InputPastTheLimitsIsRefused) {
  const std::string longest(kMostPlainBytes, 'a');
  const std::string cipher = DesEncryptBase64(longest);
  EXPECT_EQ(cipher.size(), 4088u) << "fits 4096 bytes with its zero";
  EXPECT_EQ(DesDecryptBase64(cipher), longest);
  EXPECT_EQ(DesEncryptBase64(longest + "a"), "");
  EXPECT_EQ(DesDecryptBase64(cipher + std::string(kMostCipherChars - cipher.size(), '=')), longest);
  EXPECT_EQ(DesDecryptBase64(cipher + std::string(kMostCipherChars + 1 - cipher.size(), '=')), "");
}

}  // namespace
}  // namespace kavorin::web
