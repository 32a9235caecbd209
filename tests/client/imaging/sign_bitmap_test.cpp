#include "client/imaging/sign_bitmap.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "common/daily_log.hpp"
#include "tests/client/imaging/imaging_test_support.hpp"

namespace kavorin::imaging {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// The log texts in CP949, written out byte by byte.
constexpr const char* kPrefix = "[KAVORIN_SignDataToBMP]";
constexpr const char* kSequenceLabel = "\xc0\xcf\xb7\xc3\x20\xb9\xf8\xc8\xa3";          // 일련 번호
constexpr const char* kDecryptedLabel = "\xbe\xd0\xc3\xe0\x20\xc7\xd8\xc1\xa6";         // 압축 해제
constexpr const char* kSignatureLabel = "\xc0\xfc\xc0\xda\x20\xbc\xad\xb8\xed";         // 전자 서명
constexpr const char* kDecompressFailed =                                              // 사인 이미지 압축 해제 실패
    "\xbb\xe7\xc0\xce\x20\xc0\xcc\xb9\xcc\xc1\xf6\x20\xbe\xd0\xc3\xe0\x20\xc7\xd8\xc1\xa6\x20\xbd\xc7\xc6\xd0";
constexpr const char* kOpenFailed =  // 사인 이미지 열기 실패
    "\xbb\xe7\xc0\xce\x20\xc0\xcc\xb9\xcc\xc1\xf6\x20\xbf\xad\xb1\xe2\x20\xbd\xc7\xc6\xd0";
constexpr const char* kCardTooShort = "\xc4\xab\xb5\xe5\x20\xb9\xf8\xc8\xa3\x20\xb1\xe6\xc0\xcc\x20\xba\xce\xc1\xb7";
constexpr const char* kCatIdTooShort = "CAT ID \xb1\xe6\xc0\xcc\x20\xba\xce\xc1\xb7";
constexpr const char* kSequenceTooShort =
    "\xc0\xcf\xb7\xc3\x20\xb9\xf8\xc8\xa3\x20\xb1\xe6\xc0\xcc\x20\xba\xce\xc1\xb7";
constexpr const char* kDataTooLong = "\xbb\xe7\xc0\xce\x20\xb5\xa5\xc0\xcc\xc5\xcd\x20\xb1\xe6\xc0\xcc\x20\xc3\xca\xb0\xfa";
constexpr const char* kDataNotHex = "\xbb\xe7\xc0\xce\x20\xb5\xa5\xc0\xcc\xc5\xcd\x20\xc7\xfc\xbd\xc4\x20\xbf\xc0\xb7\xf9";
constexpr const char* kNoOldTypeKey = "OLD TYPE \xc5\xb0\x20\xbe\xf8\xc0\xbd";

constexpr std::string_view kCatId = "12345678";
constexpr std::string_view kCard = "9410123456789012";
constexpr std::string_view kSequence = "000123";
constexpr std::string_view kOldMaster = "Kv7rN2dQ";

std::string Line(const std::string& message) { return "09:05:07\t[*]\t" + std::string(kPrefix) + message + "|\r\r\n"; }

std::string Head(std::string_view index, std::string_view cat, std::string_view sequence) {
  return Line("Index=[" + std::string(index) + "]") + Line("CAT ID=[" + std::string(cat) + "]") +
         Line(std::string(kSequenceLabel) + "=[" + std::string(sequence) + "]");
}

std::string Decrypted(int length) { return Line(std::string(kDecryptedLabel) + "=[" + std::to_string(length) + "]"); }
std::string Return(int result) { return Line("Return=[" + std::to_string(result) + "]"); }

class SignDataToBmpTest : public ::testing::Test {
 protected:
  SignDataToBmpTest()
      : folder_(std::string("sign-") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

  void SetUp() override {
    SetDailyLogFolder(folder_.path().string());
    SetDailyLogClock([] { return LocalTime{2026, 12, 7, 9, 5, 7}; });
    bmp_path_ = (folder_.path() / "sign.bmp").string();
  }
  void TearDown() override {
    SetDailyLogClock(nullptr);
    SetDailyLogFolder("");
  }

  SignBmpRequest NewType(const std::string& data) const {
    return {"01", kCatId, kCard, kSequence, data, bmp_path_, kOldMaster};
  }
  SignBmpRequest OldType(const std::string& data) const {
    return {"00", kCatId, kCard, kSequence, data, bmp_path_, kOldMaster};
  }

  std::string Log() const { return testing::ReadFileBytes(folder_.path() / "catlog" / "20261207.log"); }
  void ClearLog() const { fs::remove(folder_.path() / "catlog" / "20261207.log"); }
  std::string Written() const { return testing::ReadFileBytes(bmp_path_); }

  testing::ScratchFolder folder_;
  std::string bmp_path_;
};

std::string AsText(const SignBitmapFile& bitmap) { return std::string(bitmap.begin(), bitmap.end()); }

TEST_F(SignDataToBmpTest, StrokeImageWritesTheFileAndItsLogLines) {
  const std::string data = testing::SignText({0x00, 0x00, 0x00, 0x01, 0x00}, testing::NewTypeImageKey(kCard));
  SignBitmapFile bitmap{};
  ASSERT_EQ(SignDataToBmp(NewType(data), &bitmap), kSignBmpOk);

  SignCanvas canvas{};
  canvas[0] = 0x80;
  SignBitmapFile expected;
  BuildStrokeBitmap(canvas, expected);
  EXPECT_EQ(bitmap, expected);
  EXPECT_EQ(bitmap[62 + 63 * 16], 0x80);
  EXPECT_EQ(Written(), AsText(expected));
  EXPECT_EQ(Log(), Head("01", kCatId, kSequence) + Decrypted(8) + Line(std::string(kSignatureLabel) + " NEW TYPE") +
                       Return(0));
}

TEST_F(SignDataToBmpTest, PageImageOfTheTwelveByteExample) {
  const Bytes plain = {0x00, 0x12, 0xFF, 0x11, 0xF8, 0x00, 0xFF, 0x00, 0xFF, 0x00,
                       0xFF, 0x00, 0xFF, 0x00, 0xFD, 0x22, 0x33, 0x44};
  const std::string data = testing::SignText(plain, testing::OldTypeImageKey(kCatId, kCard, kSequence, kOldMaster));
  SignBitmapFile bitmap{};
  ASSERT_EQ(SignDataToBmp(OldType(data), &bitmap), kSignBmpOk);

  // 0x11 at column 0 of the bottom band marks rows 56 and 60; 0x22, 0x33 and
  // 0x44 at columns 125-127 of the top band mark rows 0-6 on the right edge.
  std::string expected(kSignBitmapBytes, '\xFF');
  std::copy_n(bitmap.begin(), kSignHeaderBytes, expected.begin());
  const auto pixel_byte = [](int y, int byte) { return 62 + 16 * (63 - y) + byte; };
  expected[pixel_byte(56, 0)] = '\x7F';
  expected[pixel_byte(60, 0)] = '\x7F';
  const char right_edge[8] = {'\xFD', '\xF9', '\xFE', '\xFF', '\xFD', '\xF9', '\xFE', '\xFF'};
  for (int y = 0; y < 8; ++y) expected[pixel_byte(y, 15)] = right_edge[y];
  EXPECT_EQ(AsText(bitmap), expected);
  EXPECT_EQ(std::string(expected.begin() + 38, expected.begin() + 62),
            std::string("\xC4\x0E\0\0\xC4\x0E\0\0\0\0\0\0\0\0\0\0\0\0\0\0\xFF\xFF\xFF\0", 24));
  EXPECT_EQ(Written(), expected);
  EXPECT_EQ(Log(), Head("00", kCatId, kSequence) + Decrypted(24) + Line(std::string(kSignatureLabel) + " OLD TYPE") +
                       Return(0));
}

TEST_F(SignDataToBmpTest, OnlyTheFirstTwoIndexCharactersChooseTheEncoding) {
  const std::string stroke = testing::SignText({0x00, 0x00, 0x00, 0x01, 0x00}, testing::NewTypeImageKey(kCard));
  for (const std::string_view index : {"", "0", "01", "10", "0000"}) {
    SignBmpRequest request = NewType(stroke);
    request.index = index;
    SignBitmapFile bitmap{};
    if (index == "0000") {
      // "00" and anything after it is the page encoding; stroke data fails to expand.
      EXPECT_EQ(SignDataToBmp(request, &bitmap), kSignBmpBadData) << index;
    } else {
      EXPECT_EQ(SignDataToBmp(request, &bitmap), kSignBmpOk) << index;
      EXPECT_EQ(bitmap[62 + 63 * 16], 0x80) << index;
    }
  }
  ClearLog();
  fs::remove(bmp_path_);
  const std::string noise = testing::SignText({0x00}, testing::NewTypeImageKey(kCard));
  SignBmpRequest request = OldType(noise);
  request.index = "001";
  SignDataToBmp(request);
  EXPECT_EQ(Log(), Head("001", kCatId, kSequence) + Decrypted(8) + Line(kDecompressFailed) + Return(-2));
  EXPECT_FALSE(fs::exists(bmp_path_));
}

TEST_F(SignDataToBmpTest, UnescapesInEitherCaseAndDropsATrailingPartialBlock) {
  const Bytes plain = {0x00, 0x00, 0x00, 0x00, 0x8A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  const std::string data = testing::SignText(plain, testing::NewTypeImageKey(kCard));
  // The cipher text of this image carries bytes that travel escaped.
  ASSERT_GT(data.size(), 2 * plain.size());

  SignBitmapFile reference{};
  ASSERT_EQ(SignDataToBmp(NewType(data), &reference), kSignBmpOk);
  EXPECT_EQ(reference[62 + 63 * 16], 0xFF);
  EXPECT_EQ(reference[62 + 63 * 16 + 1], 0xE0);

  std::string lower = data;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  // 17 unescaped bytes: the last one is no whole block and is dropped; so is
  // a '#' that has lost the byte it announced.
  for (const std::string& variant : {lower, data + "41", data + "23"}) {
    ClearLog();
    SignBitmapFile bitmap{};
    ASSERT_EQ(SignDataToBmp(NewType(variant), &bitmap), kSignBmpOk) << variant;
    EXPECT_EQ(bitmap, reference);
    EXPECT_NE(Log().find(Decrypted(16)), std::string::npos) << variant;
  }
  // A '#' right after a '#' is the escaped byte, not a mark of its own: with
  // seven more bytes the text makes three whole blocks.
  ClearLog();
  ASSERT_EQ(SignDataToBmp(NewType(data + "2323" + "41414141414141")), kSignBmpOk);
  EXPECT_NE(Log().find(Decrypted(24)), std::string::npos);
}

TEST_F(SignDataToBmpTest, WrongKeyMaterial) {
  const std::string stroke = testing::SignText({0x00, 0x00, 0x00, 0x01, 0x00}, testing::NewTypeImageKey(kCard));
  SignBmpRequest request = NewType(stroke);
  request.card_number = "9410123456789999";
  // Noise still draws something for the stroke encoding...
  EXPECT_EQ(SignDataToBmp(request), kSignBmpOk);
  EXPECT_EQ(Written().size(), kSignBitmapBytes);

  // ...while the page encoding refuses it.
  fs::remove(bmp_path_);
  ClearLog();
  const Bytes plain = {0x00, 0x12, 0xFF, 0x11, 0xF8, 0x00, 0xFF, 0x00, 0xFF, 0x00,
                       0xFF, 0x00, 0xFF, 0x00, 0xFD, 0x22, 0x33, 0x44};
  const std::string page = testing::SignText(plain, testing::OldTypeImageKey(kCatId, kCard, kSequence, kOldMaster));
  request = OldType(page);
  request.sequence_number = "000124";
  EXPECT_EQ(SignDataToBmp(request), kSignBmpBadData);
  EXPECT_FALSE(fs::exists(bmp_path_));
  EXPECT_EQ(Log(), Head("00", kCatId, "000124") + Decrypted(24) + Line(kDecompressFailed) + Return(-2));
}

TEST_F(SignDataToBmpTest, RefusesInputThatWouldReadOutsideTheCallersTexts) {
  const std::string good = testing::SignText({0x00}, testing::NewTypeImageKey(kCard));
  struct Case {
    const char* name;
    SignBmpRequest request;
    int result;
    std::string log_tail;
  };
  const std::string too_long(kSignDataMaxHexDigits + 2, '4');
  const std::string odd = good + "4";
  const std::string not_hex = "0G" + good;
  const Case cases[] = {
      {"card of 8", {"01", kCatId, "94101234", kSequence, good, bmp_path_, kOldMaster}, kSignBmpBadData,
       Line(std::string(kCardTooShort) + "=[8]")},
      {"card of 8, page encoding", {"00", kCatId, "94101234", kSequence, good, bmp_path_, kOldMaster},
       kSignBmpBadData, Line(std::string(kCardTooShort) + "=[8]")},
      {"terminal id of 7", {"00", "1234567", kCard, kSequence, good, bmp_path_, kOldMaster}, kSignBmpBadData,
       Line(std::string(kCatIdTooShort) + "=[7]")},
      {"sequence of 2", {"00", kCatId, kCard, "12", good, bmp_path_, kOldMaster}, kSignBmpBadData,
       Line(std::string(kSequenceTooShort) + "=[2]")},
      {"no page master key", {"00", kCatId, kCard, kSequence, good, bmp_path_, ""}, kSignBmpNoOldTypeKey,
       Line(kNoOldTypeKey)},
      {"page master key of 7", {"00", kCatId, kCard, kSequence, good, bmp_path_, "Kv7rN2d"}, kSignBmpNoOldTypeKey,
       Line(kNoOldTypeKey)},
      {"8194 hex digits", {"01", kCatId, kCard, kSequence, too_long, bmp_path_, ""}, kSignBmpBadData,
       Line(std::string(kDataTooLong) + "=[8194]")},
      {"odd length", {"01", kCatId, kCard, kSequence, odd, bmp_path_, ""}, kSignBmpBadData, Line(kDataNotHex)},
      {"not hex", {"01", kCatId, kCard, kSequence, not_hex, bmp_path_, ""}, kSignBmpBadData, Line(kDataNotHex)},
  };
  for (const Case& test : cases) {
    ClearLog();
    EXPECT_EQ(SignDataToBmp(test.request), test.result) << test.name;
    EXPECT_EQ(Log(), Head(test.request.index, test.request.cat_id, test.request.sequence_number) + test.log_tail +
                         Return(test.result))
        << test.name;
    EXPECT_FALSE(fs::exists(bmp_path_)) << test.name;
  }

  // The stroke encoding needs neither terminal id nor sequence number.
  ClearLog();
  EXPECT_EQ(SignDataToBmp({"01", "", kCard, "", good, bmp_path_, ""}), kSignBmpOk);
  // 8192 digits are the most the data may hold.
  EXPECT_EQ(SignDataToBmp(NewType(std::string(kSignDataMaxHexDigits, '4'))), kSignBmpOk);
  EXPECT_NE(Log().find(Decrypted(4096)), std::string::npos);
}

TEST_F(SignDataToBmpTest, AFileThatCannotBeCreatedIsReportedAndLogged) {
  const std::string data = testing::SignText({0x00, 0x00, 0x00, 0x01, 0x00}, testing::NewTypeImageKey(kCard));
  const std::string path = (folder_.path() / "missing" / "sign.bmp").string();
  SignBmpRequest request = NewType(data);
  request.file_path = path;
  SignBitmapFile bitmap{};
  EXPECT_EQ(SignDataToBmp(request, &bitmap), kSignBmpFileFailed);
  EXPECT_EQ(bitmap[62 + 63 * 16], 0x80);  // the image was made
  EXPECT_EQ(Log(), Head("01", kCatId, kSequence) + Decrypted(8) + Line(std::string(kSignatureLabel) + " NEW TYPE") +
                       Line(std::string(kOpenFailed) + " = [" + path + "]") + Return(-1));
}

TEST_F(SignDataToBmpTest, MakeSignBitmapLeavesFilesAndTheDailyLogAlone) {
  const std::string data = testing::SignText({0x00, 0x00, 0x00, 0x01, 0x00}, testing::NewTypeImageKey(kCard));
  std::vector<std::string> lines;
  SignBitmapFile bitmap{};
  EXPECT_EQ(MakeSignBitmap(NewType(data), bitmap, [&lines](const std::string& line) { lines.push_back(line); }),
            kSignBmpOk);
  EXPECT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.back(), std::string(kPrefix) + kSignatureLabel + " NEW TYPE");
  EXPECT_FALSE(fs::exists(bmp_path_));
  EXPECT_FALSE(fs::exists(folder_.path() / "catlog"));
}

}  // namespace
}  // namespace kavorin::imaging
