// Decrypted page data straight into the decoder: length headers, run-length
// and zero-run streams of every shape.
#include <cstddef>
#include <cstdint>

#include "client/imaging/sign_decode.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kavorin::imaging::SignCanvas pages;
  if (kavorin::imaging::DecodePages({data, size}, pages)) {
    kavorin::imaging::SignBitmapFile file;
    kavorin::imaging::BuildPageBitmap(pages, file);
  }
  return 0;
}
