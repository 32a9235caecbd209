// Decrypted stroke data straight into the decoder: every record layout,
// delta count and coordinate the bytes can say.
#include <cstddef>
#include <cstdint>

#include "client/imaging/sign_decode.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kavorin::imaging::SignCanvas canvas;
  kavorin::imaging::DecodeStrokes({data, size}, canvas);
  kavorin::imaging::SignBitmapFile file;
  kavorin::imaging::BuildStrokeBitmap(canvas, file);
  return 0;
}
