#include "client/imaging/crypto/des.hpp"

#include <gtest/gtest.h>

#include "common/base64.hpp"
#include "common/hex.hpp"

namespace kavorin::crypto {
namespace {

std::vector<std::uint8_t> Hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(ParseHexStrict(text, bytes)) << text;
  return bytes;
}

DesKey Key(std::string_view hex) {
  const auto bytes = Hex(hex);
  DesKey key{};
  std::copy(bytes.begin(), bytes.end(), key.begin());
  return key;
}

DesBlock Block(std::string_view hex) { return Key(hex); }

struct KnownAnswer {
  const char* key;
  const char* plain;
  const char* cipher;
};

// Published known answers: FIPS 81 Appendix B (ECB), NBS SP 500-20
// (variable plaintext and variable key), and the classic worked example.
// The 0000... / 0101... pair shows that parity bits do not count.
constexpr KnownAnswer kKnownAnswers[] = {
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0123456789ABCDEF", "68652074696D6520", "6A271787AB8883F9"},
    {"0123456789ABCDEF", "666F7220616C6C20", "893D51EC4B563B53"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
    {"0101010101010101", "0000000000000000", "8CA64DE9C1B123A7"},
    {"FEFEFEFEFEFEFEFE", "FFFFFFFFFFFFFFFF", "7359B2163E4EDC58"},
    {"3000000000000000", "1000000000000001", "958E6E627A05557B"},
};

TEST(Des, KnownAnswersBothDirections) {
  ASSERT_EQ(DesAvailability().code, kDesOk) << DesAvailability().message;
  for (const KnownAnswer& row : kKnownAnswers) {
    SCOPED_TRACE(row.key + std::string(" ") + row.plain);
    DesBlock out{};
    ASSERT_EQ(DesEncryptBlock(Key(row.key), Block(row.plain), out), kDesOk);
    EXPECT_EQ(out, Block(row.cipher));
    ASSERT_EQ(DesDecryptBlock(Key(row.key), Block(row.cipher), out), kDesOk);
    EXPECT_EQ(out, Block(row.plain));
  }
}

TEST(Des, EcbTreatsEveryBlockOnItsOwnAndWorksInPlace) {
  // FIPS 81's ECB example: "Now is the time for all ".
  auto data = Hex("4E6F77206973207468652074696D6520666F7220616C6C20");
  ASSERT_EQ(DesEcbEncrypt(Key("0123456789ABCDEF"), data, data), kDesOk);
  EXPECT_EQ(data, Hex("3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53"));
  ASSERT_EQ(DesEcbDecrypt(Key("0123456789ABCDEF"), data, data), kDesOk);
  EXPECT_EQ(std::string(data.begin(), data.end()), "Now is the time for all ");

  std::vector<std::uint8_t> empty;
  EXPECT_EQ(DesEcbDecrypt(Key("0123456789ABCDEF"), empty, empty), kDesOk);
}

TEST(Des, RawEcbRefusesPartialBlocksAndMismatchedOutput) {
  std::vector<std::uint8_t> seven(7), eight(8), sixteen(16);
  EXPECT_EQ(DesEcbDecrypt(Key("0123456789ABCDEF"), seven, seven), kDesBadLength);
  EXPECT_EQ(DesEcbEncrypt(Key("0123456789ABCDEF"), sixteen, eight), kDesBadLength);
  EXPECT_FALSE(DesLastErrorMessage().empty());
}

TEST(Des, Pkcs5PadsWithOneToEightBytes) {
  const DesKey key = Key("0123456789ABCDEF");
  std::vector<std::uint8_t> cipher;
  // Whole blocks gain a full block of 0x08; the blocks before are plain ECB.
  const std::string_view text = "Now is the time for all ";
  ASSERT_EQ(DesEcbPkcs5Encrypt(key, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), cipher),
            kDesOk);
  ASSERT_EQ(cipher.size(), 32u);
  DesBlock pad_block{};
  DesEncryptBlock(key, Block("0808080808080808"), pad_block);
  EXPECT_EQ(std::vector(cipher.begin(), cipher.begin() + 24), Hex("3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53"));
  EXPECT_EQ(std::vector(cipher.begin() + 24, cipher.end()), std::vector(pad_block.begin(), pad_block.end()));

  // Lengths 0..17 round-trip and grow to the next whole block.
  for (std::size_t length = 0; length <= 17; ++length) {
    std::vector<std::uint8_t> plain(length);
    for (std::size_t i = 0; i < length; ++i) plain[i] = static_cast<std::uint8_t>(0xA0 + i);
    ASSERT_EQ(DesEcbPkcs5Encrypt(key, plain, cipher), kDesOk);
    EXPECT_EQ(cipher.size(), (length / 8 + 1) * 8) << length;
    std::vector<std::uint8_t> back;
    ASSERT_EQ(DesEcbPkcs5Decrypt(key, cipher, back), kDesOk) << length;
    EXPECT_EQ(back, plain);
  }
}

TEST(Des, Pkcs5SizesOfTheWebControlTexts) {
  const std::string_view key_text = "QMVTalin";
  DesKey key{};
  std::copy(key_text.begin(), key_text.end(), key.begin());
  std::vector<std::uint8_t> cipher;
  ASSERT_EQ(DesEcbPkcs5Encrypt(key, {}, cipher), kDesOk);
  const std::string empty_text = Base64Encode(cipher);
  EXPECT_EQ(empty_text.size(), 12u);
  EXPECT_EQ(empty_text.back(), '=');
  const std::string_view eight = "12345678";
  ASSERT_EQ(DesEcbPkcs5Encrypt(key, std::span(reinterpret_cast<const std::uint8_t*>(eight.data()), 8), cipher), kDesOk);
  EXPECT_EQ(Base64Encode(cipher).size(), 24u);
}

TEST(Des, Pkcs5DecryptKeepsWhatDecryptedCleanlyOnFailure) {
  const DesKey key = Key("0123456789ABCDEF");
  const auto fips = Hex("3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53");
  std::vector<std::uint8_t> plain;

  // Three blocks whose last is not padding: the first two come back.
  EXPECT_EQ(DesEcbPkcs5Decrypt(key, fips, plain), kDesBadPadding);
  EXPECT_EQ(std::string(plain.begin(), plain.end()), "Now is the time ");

  // Not whole blocks: every whole block comes back.
  auto ragged = fips;
  ragged.resize(20);
  EXPECT_EQ(DesEcbPkcs5Decrypt(key, ragged, plain), kDesBadLength);
  EXPECT_EQ(std::string(plain.begin(), plain.end()), "Now is the time ");

  EXPECT_EQ(DesEcbPkcs5Decrypt(key, {}, plain), kDesBadLength);
  EXPECT_TRUE(plain.empty());

  // Pad values 0 and 9, and a pad run with one wrong byte, are refused.
  for (const char* last : {"0102030405060700", "0102030405060709", "0102030405060303"}) {
    DesBlock block{};
    DesEncryptBlock(key, Block(last), block);
    std::vector<std::uint8_t> cipher(block.begin(), block.end());
    EXPECT_EQ(DesEcbPkcs5Decrypt(key, cipher, plain), kDesBadPadding) << last;
    EXPECT_TRUE(plain.empty());
  }
}

}  // namespace
}  // namespace kavorin::crypto
