#pragma once
// What the image exports hand on: the converted bytes themselves
// (KAVORIN_GetBitMapData) or the upload packet the terminal loads an image
// from (KAVORIN_UploadImageToCAT).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "client/imaging/image_convert.hpp"

namespace kavorin::imaging {

// The packet: width and height as 16-bit little-endian values, then the
// converted bytes. It travels as upper-case hex through the free-style print
// path, announced by its length in decimal.
struct ImageUpload {
  std::vector<std::uint8_t> packet;
  std::string hex;          // two digits a byte, no separators
  std::string length_text;  // packet length, "%d"
};

ImageUpload BuildImageUpload(const ConvertedImage& image);

// Converts the file and copies the converted bytes to `destination`.
// Returns the count copied, or -1 when the conversion failed (after its
// message box) or the bytes do not fit `destination` (callers pass 4096
// bytes, which always fit).
int GetBitmapData(const std::string& path, std::span<std::uint8_t> destination,
                  const ImageConvertOptions& options = {});

// Converts the file and builds its upload. Returns 0, or -1 when the
// conversion failed (after its message box).
int PrepareImageUpload(const std::string& path, ImageUpload& upload, const ImageConvertOptions& options = {});

}  // namespace kavorin::imaging
