#pragma once
// Windows bitmap file to the byte layout the terminal prints from (the work
// behind KAVORIN_GetBitMapData and KAVORIN_UploadImageToCAT).
//
// Accepted: 1 to 8, 16 or 24 bits a pixel; no compression, RLE8 or RLE4; at
// most 4096 bytes of pixel rows (4-byte aligned rows x height). Uncompressed
// rows come out top row first, RLE rows in file order (bottom row first);
// the terminal's images have always been made that way.
//
// Every conversion also leaves a C-source view of the image in
// "ImageConvert.h" for the people who design the images.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kavorin::imaging {

inline constexpr std::size_t kImageMaxBytes = 4096;

enum ImageConvertResult : int {
  kImageConvertOk = 0,
  kImageConvertFailed = -1,  // the reason has been shown in a message box
};

// Why a conversion failed; each has its message text (ImageConvertMessage).
enum class ImageConvertError {
  kNone,
  kNotFound,        // the file cannot be opened
  kBadDepth,        // bits per pixel not 1-8, 16 or 24
  kBadCompression,  // compression other than none, RLE8, RLE4
  kTooLarge,        // pitch x height above 4096, or a negative dimension
  kNoMemory,        // memory ran out
  kReadFailed,      // a read error, or the file ends before its pixels do
  kBadRle,          // an RLE run reaches past its row
};

struct BitmapLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bits_per_pixel = 0;
  std::uint32_t compression = 0;
  std::int64_t pitch = 0;  // bytes a row, a multiple of 4
  std::int64_t image_bytes = 0;
  std::int32_t palette_size = 0;
  int bytes_per_pixel = 0;
};

struct ConvertedImage {
  BitmapLayout layout;
  std::vector<std::uint8_t> bytes;  // at most kImageMaxBytes
};

// Converts a bitmap file held in memory. `dump`, when given, receives the
// text of "ImageConvert.h" with "\n" line ends, or stays empty when the
// conversion stopped before the dump would have been started. Shows nothing.
ImageConvertError ConvertBitmap(std::span<const std::uint8_t> file, ConvertedImage& image, std::string* dump);

// The message box text (CP949) for a failure.
const std::string& ImageConvertMessage(ImageConvertError error);

// The caption the conversion messages carry: the library's application name,
// which the framework's own message box shows.
inline constexpr const char* kImageMessageCaption = "KAVORIN_Ctl";

struct ImageConvertOptions {
  // Where "ImageConvert.h" goes: "." is the current directory. Empty: no
  // dump. A dump that cannot be created is skipped without a word.
  std::string dump_folder = ".";
};

// Reads the file at `path` (CP949 on Windows), converts it and writes the
// dump. On failure shows the reason through ShowMessageBox and returns -1.
int ImageConvert(const std::string& path, ConvertedImage& image, const ImageConvertOptions& options = {});

}  // namespace kavorin::imaging
