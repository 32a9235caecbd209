#include "client/imaging/image_convert.hpp"

#include <gtest/gtest.h>

#include "client/imaging/image_upload.hpp"
#include "common/message_box.hpp"
#include "tests/client/imaging/imaging_test_support.hpp"

namespace kavorin::imaging {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::MakeBitmapFile;

// The message texts in CP949, written out byte by byte.
const std::string kConvertError =  // 이미지 Convert 중 에러가 발생하였습니다. 원인:
    "\xc0\xcc\xb9\xcc\xc1\xf6 Convert \xc1\xdf\x20\xbf\xa1\xb7\xaf\xb0\xa1\x20\xb9\xdf\xbb\xfd\xc7\xcf\xbf\xb4\xbd\xc0"
    "\xb4\xcf\xb4\xd9\x2e\x20\xbf\xf8\xc0\xce:";
const std::string kNotFound = kConvertError + "\xc0\xcc\xb9\xcc\xc1\xf6\xb8\xa6\x20\xc3\xa3\xc0\xbb\x20\xbc\xf6\x20"
                                              "\xbe\xf8\xbd\xc0\xb4\xcf\xb4\xd9.";
const std::string kBadDepth = kConvertError + "bits per pixel must be 1, 4, 8 16 or 24";
const std::string kTooLarge = kConvertError + "\x20\xc0\xcc\xb9\xcc\xc1\xf6\x20\xbb\xe7\xc0\xcc\xc1\xee\xb0\xa1 4K "
                                              "\xc0\xcc\xbb\xf3\xc0\xd4\xb4\xcf\xb4\xd9.";
const std::string kBadCompression = kConvertError + "compression must be none, RLE8 or RLE4";
const std::string kBadRle = kConvertError + "RLE data runs past the end of a row";
const std::string kReadFailed = "Error fread\n";

std::uint8_t Converted(std::uint8_t byte) {
  // Inverted, then bit 7 of the result is bit 0 of the inverted byte.
  std::uint8_t out = 0;
  for (int bit = 0; bit < 8; ++bit) out = static_cast<std::uint8_t>(out | (((~byte >> bit) & 1) << (7 - bit)));
  return out;
}

class ImageConvertTest : public ::testing::Test {
 protected:
  ImageConvertTest()
      : folder_(std::string("convert-") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

  void SetUp() override {
    SetMessageBoxHandler([this](const std::string& caption, const std::string& text) {
      captions_.push_back(caption);
      messages_.push_back(text);
    });
    options_.dump_folder = folder_.path().string();
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }

  std::string Put(const Bytes& file, const std::string& name = "image.bmp") {
    const fs::path path = folder_.path() / name;
    testing::WriteFileBytes(path, file);
    return path.string();
  }

  // Converts `file`; returns the converted bytes, or nothing with the one
  // message shown.
  int Convert(const Bytes& file, Bytes& out) {
    messages_.clear();
    ConvertedImage image;
    const int result = ImageConvert(Put(file), image, options_);
    out = image.bytes;
    return result;
  }

  std::string Dump() const { return testing::ReadFileBytes(folder_.path() / "ImageConvert.h"); }

  testing::ScratchFolder folder_;
  ImageConvertOptions options_;
  std::vector<std::string> captions_;
  std::vector<std::string> messages_;
};

TEST_F(ImageConvertTest, LogoOf128By64GivesTheBytesAndTheUploadPacket) {
  Bytes pixels(16 * 64);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i / 16);  // file row number
  const std::string path = Put(MakeBitmapFile(128, 64, 1, 0, pixels));

  std::array<std::uint8_t, kImageMaxBytes> data{};
  ASSERT_EQ(GetBitmapData(path, data, options_), 1024);
  for (std::size_t i = 0; i < 1024; ++i) {
    // Top row first: output row 0 is file row 63.
    ASSERT_EQ(data[i], Converted(static_cast<std::uint8_t>(63 - i / 16))) << i;
  }

  ImageUpload upload;
  ASSERT_EQ(PrepareImageUpload(path, upload, options_), kImageConvertOk);
  ASSERT_EQ(upload.packet.size(), 1028u);
  EXPECT_EQ(Bytes(upload.packet.begin(), upload.packet.begin() + 4), (Bytes{0x80, 0x00, 0x40, 0x00}));
  EXPECT_EQ(Bytes(upload.packet.begin() + 4, upload.packet.end()), Bytes(data.begin(), data.begin() + 1024));
  EXPECT_EQ(upload.hex.size(), 2056u);
  EXPECT_EQ(upload.hex.substr(0, 12), "800040000303");  // file row 63 = 0x3F converts to 0x03
  EXPECT_EQ(upload.hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(upload.length_text, "1028");
  EXPECT_TRUE(messages_.empty());

  // A buffer too small for the bytes is refused, not overrun.
  std::array<std::uint8_t, 1023> small{};
  EXPECT_EQ(GetBitmapData(path, small, options_), kImageConvertFailed);
}

TEST_F(ImageConvertTest, OneToEightBitRowsAreInvertedAndBitReversed) {
  Bytes out;
  ASSERT_EQ(Convert(MakeBitmapFile(32, 1, 1, 0, {0x0F, 0x00, 0xFF, 0x80}), out), kImageConvertOk);
  EXPECT_EQ(out, (Bytes{0x0F, 0xFF, 0x00, 0xFE}));
  ASSERT_EQ(Convert(MakeBitmapFile(8, 1, 4, 0, {0x01, 0x12, 0xF0, 0x00}), out), kImageConvertOk);
  EXPECT_EQ(out, (Bytes{0x7F, 0xB7, 0xF0, 0xFF}));
  ASSERT_EQ(Convert(MakeBitmapFile(4, 1, 8, 0, {0x01, 0x12, 0xF0, 0x00}), out), kImageConvertOk);
  EXPECT_EQ(out, (Bytes{0x7F, 0xB7, 0xF0, 0xFF}));
}

TEST_F(ImageConvertTest, OtherDepthsKeepTheirBytesOrTheLowByteOf16Bits) {
  struct Case {
    int bits;
    std::int32_t width;
    Bytes row;       // one row, padded
    Bytes expected;  // converted
  };
  Bytes row16;
  Bytes low16;
  for (std::uint8_t i = 0; i < 10; ++i) {
    row16.insert(row16.end(), {static_cast<std::uint8_t>(0x10 + i), static_cast<std::uint8_t>(0xA0 + i)});
    low16.push_back(static_cast<std::uint8_t>(0x10 + i));
  }
  const Case cases[] = {
      {2, 3, {0x1B, 0xC0, 0x00, 0x00}, {0x1B, 0xC0, 0x00, 0x00}},
      {3, 2, {0x1B, 0x00, 0x00, 0x00}, {0x1B, 0x00, 0x00, 0x00}},
      {5, 3, {0x01, 0x02, 0x03, 0x00}, {0x01, 0x02, 0x03, 0x00}},
      {7, 4, {0x01, 0x02, 0x03, 0x04}, {0x01, 0x02, 0x03, 0x04}},
      {24, 1, {0x01, 0x02, 0x03, 0x00}, {0x01, 0x02, 0x03, 0x00}},
      // Width 10 at 16 bits: pitch 20, ten bytes a row.
      {16, 10, row16, low16},
  };
  for (const Case& test : cases) {
    Bytes out;
    ASSERT_EQ(Convert(MakeBitmapFile(test.width, 1, test.bits, 0, test.row), out), kImageConvertOk) << test.bits;
    EXPECT_EQ(out, test.expected) << test.bits;
  }
}

TEST_F(ImageConvertTest, RefusesWhatIsNotABitmapItCanConvert) {
  struct Case {
    const char* name;
    Bytes file;
    std::string message;
  };
  const Bytes row(4, 0);
  Bytes truncated_header = MakeBitmapFile(8, 1, 1, 0, row);
  truncated_header.resize(53);
  Bytes truncated_pixels = MakeBitmapFile(32, 2, 1, 0, Bytes(8, 0));
  truncated_pixels.pop_back();
  Bytes offset_past_end = MakeBitmapFile(8, 1, 1, 0, row);
  testing::PutLe(offset_past_end, 10, 100000, 4);

  const Case cases[] = {
      {"0 bits", MakeBitmapFile(8, 1, 0, 0, row), kBadDepth},
      {"9 bits", MakeBitmapFile(8, 1, 9, 0, row), kBadDepth},
      {"32 bits", MakeBitmapFile(1, 1, 32, 0, row), kBadDepth},
      {"bit fields", MakeBitmapFile(2, 1, 16, 3, row), kBadCompression},
      {"256 x 129 at 1 bit (4128 bytes)", MakeBitmapFile(256, 129, 1, 0, Bytes(4128, 0)), kTooLarge},
      {"top-down", MakeBitmapFile(8, -1, 1, 0, row), kTooLarge},
      {"negative width", MakeBitmapFile(-64, 1, 8, 0, row), kTooLarge},
      // 0x40000001 x 4 bytes a row wraps to 16 in 32 bits.
      {"pitch x height past 32 bits", MakeBitmapFile(0x40000001, 4, 8, 0, Bytes(16, 0)), kTooLarge},
      // 0x174C00008 bytes a row x 0x60300005 rows wraps even 64 bits.
      {"pitch x height past 64 bits", MakeBitmapFile(0x7C400002, 0x60300005, 24, 1, Bytes(16, 0)), kTooLarge},
      {"file shorter than its headers", truncated_header, kReadFailed},
      {"file shorter than its pixels", truncated_pixels, kReadFailed},
      {"pixel offset past the end", offset_past_end, kReadFailed},
  };
  for (const Case& test : cases) {
    Bytes out;
    EXPECT_EQ(Convert(test.file, out), kImageConvertFailed) << test.name;
    EXPECT_EQ(messages_, std::vector<std::string>{test.message}) << test.name;
    EXPECT_TRUE(out.empty()) << test.name;
  }
  EXPECT_EQ(captions_.front(), "KAVORIN_Ctl");

  messages_.clear();
  ConvertedImage image;
  EXPECT_EQ(ImageConvert((folder_.path() / "no-such.bmp").string(), image, options_), kImageConvertFailed);
  EXPECT_EQ(messages_, std::vector<std::string>{kNotFound});
}

TEST_F(ImageConvertTest, SizeLimitIs4096BytesOfRows) {
  Bytes out;
  EXPECT_EQ(Convert(MakeBitmapFile(256, 128, 1, 0, Bytes(4096, 0)), out), kImageConvertOk);
  EXPECT_EQ(out.size(), 4096u);
  // Zero-width rows hold nothing, even two billion of them.
  for (const std::int32_t height : {5, 0x7FFFFFFF}) {
    EXPECT_EQ(Convert(MakeBitmapFile(0, height, 1, 0, {}), out), kImageConvertOk) << height;
    EXPECT_TRUE(out.empty()) << height;
  }
  EXPECT_EQ(Convert(MakeBitmapFile(0, 0x7FFFFFFF, 8, 1, {}), out), kImageConvertOk);
}

TEST_F(ImageConvertTest, UncompressedComesTopRowFirstAndRleInFileOrder) {
  // Rows of a 4 x 3 picture, bottom row first as files keep them.
  const Bytes bottom = {0x01, 0x02, 0x03, 0x04};
  const Bytes middle = {0x10, 0x20, 0x30, 0x40};
  const Bytes top = {0xA1, 0xA2, 0xA3, 0xA4};
  Bytes raw;
  for (const Bytes* row : {&bottom, &middle, &top}) raw.insert(raw.end(), row->begin(), row->end());
  const Bytes rle8 = {0x00, 0x04, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x04, 0x10, 0x20, 0x30, 0x40,
                      0x00, 0x00, 0x00, 0x04, 0xA1, 0xA2, 0xA3, 0xA4, 0x00, 0x00, 0x00, 0x01};
  const auto converted = [](std::initializer_list<const Bytes*> rows) {
    Bytes out;
    for (const Bytes* row : rows) {
      for (const std::uint8_t byte : *row) out.push_back(Converted(byte));
    }
    return out;
  };

  Bytes out;
  ASSERT_EQ(Convert(MakeBitmapFile(4, 3, 8, 0, raw), out), kImageConvertOk);
  EXPECT_EQ(out, converted({&top, &middle, &bottom}));
  ASSERT_EQ(Convert(MakeBitmapFile(4, 3, 8, 1, rle8), out), kImageConvertOk);
  EXPECT_EQ(out, converted({&bottom, &middle, &top}));

  // The same rows at 4 bits, 8 pixels a row; the middle one in encoded runs.
  const Bytes rle4 = {0x00, 0x08, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x02, 0x10, 0x02, 0x20, 0x02, 0x30, 0x02,
                      0x40, 0x00, 0x00, 0x00, 0x08, 0xA1, 0xA2, 0xA3, 0xA4, 0x00, 0x01};
  ASSERT_EQ(Convert(MakeBitmapFile(8, 3, 4, 2, rle4), out), kImageConvertOk);
  EXPECT_EQ(out, converted({&bottom, &middle, &top}));
}

TEST_F(ImageConvertTest, RleRowsNeverCarryStaleBytesAndHostileStreamsFail) {
  // Row 0 ends after one pixel, then the bitmap ends: every byte the stream
  // never reached goes out as a cleared byte (0x00, converted 0xFF).
  Bytes out;
  ASSERT_EQ(Convert(MakeBitmapFile(6, 3, 8, 1, {0x01, 0x55, 0x00, 0x00, 0x00, 0x01}), out), kImageConvertOk);
  Bytes expected(24, 0xFF);
  expected[0] = Converted(0x55);
  EXPECT_EQ(out, expected);

  struct Case {
    const char* name;
    Bytes pixels;
    int compression;
    std::string message;
  };
  const Case cases[] = {
      {"RLE8 run longer than the row", {0x09, 0x11, 0x00, 0x00}, 1, kBadRle},
      {"RLE4 run longer than the row", {0x11, 0x11, 0x00, 0x00}, 2, kBadRle},
      {"RLE8 stream cut in a row", {0x02, 0x11}, 1, kReadFailed},
      {"RLE8 delta past the end", {0x00, 0x02, 0x01}, 1, kReadFailed},
      {"RLE4 absolute run past the end", {0x00, 0x06, 0x12}, 2, kReadFailed},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(Convert(MakeBitmapFile(8, 2, test.compression == 1 ? 8 : 4, static_cast<std::uint32_t>(test.compression),
                                     test.pixels),
                      out),
              kImageConvertFailed)
        << test.name;
    EXPECT_EQ(messages_, std::vector<std::string>{test.message}) << test.name;
  }
}

TEST_F(ImageConvertTest, DumpIsTheCSourceViewWithWindowsLineEnds) {
  Bytes out;
  ASSERT_EQ(Convert(MakeBitmapFile(8, 2, 1, 0, {0x0F, 0x00, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x00}), out),
            kImageConvertOk);
  const std::string head =
      "/*------------------------------------------*/\r\n"
      "/* Bitmap Infomation.                       */\r\n"
      "/*------------------------------------------*/\r\n"
      "/*\r\n";
  const std::string tail =
      "*/\r\n"
      "/*------------------------------------------*/\r\n\r\n\r\n"
      "static unsigned char imagebits[] = {\r\n";
  EXPECT_EQ(Dump(), head +
                        "WIDTH  : 8\r\nHEIGHT : 2\r\nBPP    : 1\r\nPITCH  : 4\r\nPALSIZE : 2\r\n"
                        "BytesPerPixcel  : 1\r\n" +
                        tail +
                        "0xf0,0xff,0xff,0xff,\r\n"
                        "0x0f,0xff,0xff,0xff,\r\n"
                        "};\r\n\r\n");

  // 16 bits: the whole value of each pair; other depths: 8 hex digits a byte.
  ASSERT_EQ(Convert(MakeBitmapFile(2, 1, 16, 0, {0x34, 0x12, 0xCD, 0xAB}), out), kImageConvertOk);
  EXPECT_EQ(Dump(), head +
                        "WIDTH  : 2\r\nHEIGHT : 1\r\nBPP    : 16\r\nPITCH  : 4\r\nPALSIZE : 0\r\n"
                        "BytesPerPixcel  : 2\r\n" +
                        tail + "0x1234,0xabcd,\r\n};\r\n\r\n");
  ASSERT_EQ(Convert(MakeBitmapFile(1, 1, 24, 0, {0x01, 0x02, 0xFF, 0x00}), out), kImageConvertOk);
  EXPECT_EQ(Dump(), head +
                        "WIDTH  : 1\r\nHEIGHT : 1\r\nBPP    : 24\r\nPITCH  : 4\r\nPALSIZE : 0\r\n"
                        "BytesPerPixcel  : 3\r\n" +
                        tail + "0x00000001,0x00000002,0x000000ff,0x00000000,\r\n};\r\n\r\n");

  // The colours-used field, when set, is the palette size.
  ASSERT_EQ(Convert(MakeBitmapFile(4, 1, 8, 0, {1, 2, 3, 4}, 16), out), kImageConvertOk);
  EXPECT_NE(Dump().find("PALSIZE : 16\r\n"), std::string::npos);

  // Stopped after the dump began: the dump keeps what was written by then.
  Bytes cut = MakeBitmapFile(8, 2, 1, 0, Bytes(8, 0));
  cut.resize(cut.size() - 1);
  EXPECT_EQ(Convert(cut, out), kImageConvertFailed);
  EXPECT_EQ(Dump(), head +
                        "WIDTH  : 8\r\nHEIGHT : 2\r\nBPP    : 1\r\nPITCH  : 4\r\nPALSIZE : 2\r\n"
                        "BytesPerPixcel  : 1\r\n" +
                        tail);

  // Refused before the dump began: the last dump stays.
  EXPECT_EQ(Convert(MakeBitmapFile(8, 1, 9, 0, Bytes(4, 0)), out), kImageConvertFailed);
  EXPECT_NE(Dump().find("WIDTH  : 8\r\nHEIGHT : 2\r\n"), std::string::npos);
}

TEST_F(ImageConvertTest, AMissingDumpFolderIsSkippedQuietly) {
  options_.dump_folder = (folder_.path() / "missing").string();
  Bytes out;
  EXPECT_EQ(Convert(MakeBitmapFile(8, 1, 1, 0, Bytes(4, 0)), out), kImageConvertOk);
  EXPECT_EQ(out.size(), 4u);
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(fs::exists(folder_.path() / "missing"));
}

}  // namespace
}  // namespace kavorin::imaging
