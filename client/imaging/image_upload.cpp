#include "client/imaging/image_upload.hpp"

#include <algorithm>

#include "common/hex.hpp"

namespace kavorin::imaging {

ImageUpload BuildImageUpload(const ConvertedImage& image) {
  ImageUpload upload;
  const auto width = static_cast<std::uint32_t>(image.layout.width);
  const auto height = static_cast<std::uint32_t>(image.layout.height);
  upload.packet.reserve(4 + image.bytes.size());
  upload.packet.push_back(static_cast<std::uint8_t>(width));
  upload.packet.push_back(static_cast<std::uint8_t>(width >> 8));
  upload.packet.push_back(static_cast<std::uint8_t>(height));
  upload.packet.push_back(static_cast<std::uint8_t>(height >> 8));
  upload.packet.insert(upload.packet.end(), image.bytes.begin(), image.bytes.end());
  upload.hex = BytesToHexUpper(upload.packet);
  upload.length_text = std::to_string(upload.packet.size());
  return upload;
}

int GetBitmapData(const std::string& path, std::span<std::uint8_t> destination, const ImageConvertOptions& options) {
  ConvertedImage image;
  if (ImageConvert(path, image, options) != kImageConvertOk) return kImageConvertFailed;
  if (image.bytes.size() > destination.size()) return kImageConvertFailed;
  std::copy(image.bytes.begin(), image.bytes.end(), destination.begin());
  return static_cast<int>(image.bytes.size());
}

int PrepareImageUpload(const std::string& path, ImageUpload& upload, const ImageConvertOptions& options) {
  ConvertedImage image;
  if (ImageConvert(path, image, options) != kImageConvertOk) return kImageConvertFailed;
  upload = BuildImageUpload(image);
  return kImageConvertOk;
}

}  // namespace kavorin::imaging
