// Arbitrary files into the bitmap converter: headers, depths, sizes, RLE
// streams and truncation of every kind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/imaging/image_convert.hpp"
#include "client/imaging/image_upload.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kavorin::imaging::ConvertedImage image;
  std::string dump;
  const auto error = kavorin::imaging::ConvertBitmap({data, size}, image, &dump);
  if (image.bytes.size() > kavorin::imaging::kImageMaxBytes) __builtin_trap();
  if (error == kavorin::imaging::ImageConvertError::kNone) {
    if (dump.size() < 4 || dump.compare(dump.size() - 4, 4, "};\n\n") != 0) __builtin_trap();
    const auto upload = kavorin::imaging::BuildImageUpload(image);
    if (upload.hex.size() != 2 * (image.bytes.size() + 4)) __builtin_trap();
  }
  return 0;
}
