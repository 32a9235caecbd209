#include "client/imaging/image_convert.hpp"

#include <array>
#include <cstdio>
#include <new>

#include "client/imaging/bmp_rle.hpp"
#include "common/message_box.hpp"
#include "common/text_codec.hpp"

namespace kavorin::imaging {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;

// Pixel rows of at most 4 KiB, a palette and headers fit in far less; a file
// larger than this is read this far and treated as ending there.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 20;

// The texts in the order of ImageConvertError (kNone has none).
constexpr const char* kMessages[] = {
    "",
    "이미지 Convert 중 에러가 발생하였습니다. 원인:이미지를 찾을 수 없습니다.",
    "이미지 Convert 중 에러가 발생하였습니다. 원인:bits per pixel must be 1, 4, 8 16 or 24",
    "이미지 Convert 중 에러가 발생하였습니다. 원인:compression must be none, RLE8 or RLE4",
    "이미지 Convert 중 에러가 발생하였습니다. 원인: 이미지 사이즈가 4K 이상입니다.",
    "이미지 Convert 중 에러가 발생하였습니다. 원인: linebuffer malloc",
    "Error fread\n",
    "이미지 Convert 중 에러가 발생하였습니다. 원인:RLE data runs past the end of a row",
};

constexpr std::array<std::uint8_t, 256> kReversedBits = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned value = 0; value < 256; ++value) {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 8; ++bit) reversed |= ((value >> bit) & 1u) << (7 - bit);
    table[value] = static_cast<std::uint8_t>(reversed);
  }
  return table;
}();

std::uint32_t Le32(std::span<const std::uint8_t> file, std::size_t at) {
  return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8 |
         static_cast<std::uint32_t>(file[at + 2]) << 16 | static_cast<std::uint32_t>(file[at + 3]) << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> file, std::size_t at) {
  return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

bool AcceptedDepth(int bits) { return (bits >= 1 && bits <= 8) || bits == 16 || bits == 24; }

std::int64_t BytesPerRow(int bits, std::int64_t width) {
  if (bits == 1) return (width + 7) / 8;
  if (bits <= 4) return (4 * width + 7) / 8;
  if (bits <= 8) return width;
  return bits == 16 ? 2 * width : 3 * width;
}

// Writes the rows' part of the dump: "0x%0*x," a value and "\n" a row,
// straight into space made once. The dump is written on every conversion,
// and formatting value by value through the string cost several times the
// conversion itself.
class RowDump {
 public:
  RowDump(std::string* dump, std::size_t rows, std::size_t values_per_row, int digits)
      : dump_(dump), digits_(digits) {
    if (dump_ == nullptr) return;
    start_ = dump_->size();
    dump_->resize(start_ + rows * (values_per_row * (static_cast<std::size_t>(digits) + 3) + 1));
    at_ = start_;
  }
  ~RowDump() {
    if (dump_ != nullptr) dump_->resize(at_);
  }
  RowDump(const RowDump&) = delete;
  RowDump& operator=(const RowDump&) = delete;

  void Value(unsigned value) {
    if (dump_ == nullptr) return;
    static constexpr char kDigits[] = "0123456789abcdef";
    char* out = dump_->data() + at_;
    *out++ = '0';
    *out++ = 'x';
    for (int shift = 4 * (digits_ - 1); shift >= 0; shift -= 4) *out++ = kDigits[(value >> shift) & 0x0F];
    *out = ',';
    at_ += static_cast<std::size_t>(digits_) + 3;
  }
  void EndRow() {
    if (dump_ != nullptr) (*dump_)[at_++] = '\n';
  }

 private:
  std::string* dump_;
  int digits_;
  std::size_t start_ = 0;
  std::size_t at_ = 0;
};

void StartDump(std::string& dump, const BitmapLayout& layout) {
  char text[512];
  const int length = std::snprintf(text, sizeof text,
                                   "/*------------------------------------------*/\n"
                                   "/* Bitmap Infomation.                       */\n"
                                   "/*------------------------------------------*/\n"
                                   "/*\n"
                                   "WIDTH  : %d\n"
                                   "HEIGHT : %d\n"
                                   "BPP    : %d\n"
                                   "PITCH  : %d\n"
                                   "PALSIZE : %d\n"
                                   "BytesPerPixcel  : %d\n"
                                   "*/\n"
                                   "/*------------------------------------------*/\n\n\n"
                                   "static unsigned char imagebits[] = {\n",
                                   layout.width, layout.height, layout.bits_per_pixel, static_cast<int>(layout.pitch),
                                   layout.palette_size, layout.bytes_per_pixel);
  dump.assign(text, static_cast<std::size_t>(length));
}

ImageConvertError ReadLayout(std::span<const std::uint8_t> file, BitmapLayout& layout) {
  if (file.size() < kFileHeaderBytes + kInfoHeaderBytes) return ImageConvertError::kReadFailed;
  // The fields are read where the 40-byte header keeps them, whatever size
  // the header claims, as the converter always has.
  layout.width = static_cast<std::int32_t>(Le32(file, 18));
  layout.height = static_cast<std::int32_t>(Le32(file, 22));
  layout.bits_per_pixel = Le16(file, 28);
  layout.compression = Le32(file, 30);
  const std::uint32_t colours_used = Le32(file, 46);
  if (!AcceptedDepth(layout.bits_per_pixel)) return ImageConvertError::kBadDepth;
  if (layout.compression != kCompressionNone && layout.compression != kCompressionRle8 &&
      layout.compression != kCompressionRle4) {
    return ImageConvertError::kBadCompression;
  }

  const int bits = layout.bits_per_pixel;
  layout.pitch = (BytesPerRow(bits, layout.width) + 3) / 4 * 4;
  // A top-down (negative height) image counts as too large. The pitch is
  // bounded before the product is taken: a huge width times a huge height
  // wraps even 64 bits back into range.
  constexpr auto kMaxBytes = static_cast<std::int64_t>(kImageMaxBytes);
  if (layout.width < 0 || layout.height < 0 || layout.pitch > kMaxBytes) return ImageConvertError::kTooLarge;
  layout.image_bytes = layout.pitch * layout.height;
  if (layout.image_bytes > kMaxBytes) return ImageConvertError::kTooLarge;
  if (bits <= 8) {
    layout.palette_size = colours_used != 0 ? static_cast<std::int32_t>(colours_used) : 1 << bits;
  }
  layout.bytes_per_pixel = bits <= 8 ? 1 : bits / 8;
  return ImageConvertError::kNone;
}

// Fills `rows` (cleared, pitch x height) from the pixel data at `at`.
ImageConvertError ReadRows(std::span<const std::uint8_t> file, std::size_t at, const BitmapLayout& layout,
                           std::span<std::uint8_t> rows) {
  const auto pitch = static_cast<std::size_t>(layout.pitch);
  const auto height = static_cast<std::size_t>(layout.height);
  if (at > file.size()) return ImageConvertError::kReadFailed;

  if (layout.compression == kCompressionNone) {
    if (rows.size() > file.size() - at) return ImageConvertError::kReadFailed;
    // The file keeps its bottom row first; the terminal wants the top first.
    for (std::size_t row = 0; row < height; ++row) {
      std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at + pitch * row), pitch,
                  rows.begin() + static_cast<std::ptrdiff_t>(pitch * (height - 1 - row)));
    }
    return ImageConvertError::kNone;
  }

  const auto decode = layout.compression == kCompressionRle8 ? DecodeRle8Row : DecodeRle4Row;
  for (std::size_t row = 0; row < height; ++row) {
    switch (decode(file, at, rows.subspan(pitch * row, pitch))) {
      case RleRow::kEndOfLine:
        break;
      case RleRow::kEndOfBitmap:
        return ImageConvertError::kNone;
      case RleRow::kOverrun:
        return ImageConvertError::kBadRle;
      case RleRow::kTruncated:
        return ImageConvertError::kReadFailed;
    }
  }
  return ImageConvertError::kNone;
}

void ConvertRows(std::span<const std::uint8_t> rows, const BitmapLayout& layout, std::vector<std::uint8_t>& out,
                 std::string* dump) {
  const auto pitch = static_cast<std::size_t>(layout.pitch);
  const int bits = layout.bits_per_pixel;
  const bool reversed = bits == 1 || bits == 4 || bits == 8;
  RowDump text(dump, rows.size() / pitch, bits == 16 ? pitch / 2 : pitch, reversed ? 2 : bits == 16 ? 4 : 8);
  out.reserve(rows.size());
  for (std::size_t start = 0; start < rows.size(); start += pitch) {
    const auto row = rows.subspan(start, pitch);
    if (reversed) {
      // The terminal's printer takes the leftmost pixel in bit 0 and prints
      // a set bit, where the file shows palette entry 0 (black in the usual
      // two-colour palette).
      for (const std::uint8_t byte : row) {
        const std::uint8_t converted = kReversedBits[static_cast<std::uint8_t>(~byte)];
        out.push_back(converted);
        text.Value(converted);
      }
    } else if (bits == 16) {
      for (std::size_t i = 0; i + 1 < row.size(); i += 2) {
        out.push_back(row[i]);
        text.Value(row[i] | row[i + 1] << 8);
      }
    } else {
      for (const std::uint8_t byte : row) {
        out.push_back(byte);
        text.Value(byte);
      }
    }
    text.EndRow();
  }
}

enum class FileRead { kOk, kNotFound, kFailed };

FileRead ReadFile(const std::string& path, std::vector<std::uint8_t>& contents) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return FileRead::kNotFound;
  constexpr std::size_t kStep = std::size_t{64} << 10;
  std::size_t read = 0;
  contents.clear();
  while (read == contents.size() && contents.size() < kMaxFileBytes) {
    contents.resize(contents.size() + kStep);
    read += std::fread(contents.data() + read, 1, contents.size() - read, file);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  contents.resize(read);
  return failed ? FileRead::kFailed : FileRead::kOk;
}

// The dump has always been written through a Windows text-mode stream, so
// its lines end in CR LF; both builds write those bytes.
void WriteDump(const std::string& folder, const std::string& dump) {
  if (folder.empty() || dump.empty()) return;
  std::FILE* file = std::fopen((folder + "/ImageConvert.h").c_str(), "wb");
  if (file == nullptr) return;
  std::string bytes;
  bytes.reserve(dump.size() + dump.size() / 8);
  for (const char c : dump) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

ImageConvertError Fail(ImageConvertError error) {
  ShowMessageBox(kImageMessageCaption, ImageConvertMessage(error));
  return error;
}

}  // namespace

const std::string& ImageConvertMessage(ImageConvertError error) {
  static const std::vector<std::string> messages = [] {
    std::vector<std::string> converted;
    for (const char* text : kMessages) converted.push_back(Cp949FromUtf8(text));
    return converted;
  }();
  return messages[static_cast<std::size_t>(error)];
}

ImageConvertError ConvertBitmap(std::span<const std::uint8_t> file, ConvertedImage& image, std::string* dump) {
  image = {};
  if (dump != nullptr) dump->clear();
  if (const ImageConvertError error = ReadLayout(file, image.layout); error != ImageConvertError::kNone) return error;
  if (dump != nullptr) StartDump(*dump, image.layout);

  // Cleared, so that bytes an RLE stream never reaches go out as zero rather
  // than as whatever the memory held.
  std::array<std::uint8_t, kImageMaxBytes> buffer{};
  const auto rows = std::span(buffer).first(static_cast<std::size_t>(image.layout.image_bytes));
  // A zero-width image has no bytes to read or convert, however many rows
  // its header claims: walking a billion empty rows would only stall.
  if (!rows.empty()) {
    // The palette between the headers and the pixels is not needed: the
    // terminal has its own two colours.
    if (const ImageConvertError error = ReadRows(file, Le32(file, 10), image.layout, rows);
        error != ImageConvertError::kNone) {
      return error;
    }
    ConvertRows(rows, image.layout, image.bytes, dump);
  }
  if (dump != nullptr) dump->append("};\n\n");
  return ImageConvertError::kNone;
}

int ImageConvert(const std::string& path, ConvertedImage& image, const ImageConvertOptions& options) {
  try {
    std::vector<std::uint8_t> contents;
    switch (ReadFile(path, contents)) {
      case FileRead::kOk:
        break;
      case FileRead::kNotFound:
        Fail(ImageConvertError::kNotFound);
        return kImageConvertFailed;
      case FileRead::kFailed:
        Fail(ImageConvertError::kReadFailed);
        return kImageConvertFailed;
    }
    std::string dump;
    const ImageConvertError error = ConvertBitmap(contents, image, options.dump_folder.empty() ? nullptr : &dump);
    WriteDump(options.dump_folder, dump);
    if (error != ImageConvertError::kNone) {
      Fail(error);
      return kImageConvertFailed;
    }
    return kImageConvertOk;
  } catch (const std::bad_alloc&) {
    image = {};
    Fail(ImageConvertError::kNoMemory);
    return kImageConvertFailed;
  }
}

}  // namespace kavorin::imaging
