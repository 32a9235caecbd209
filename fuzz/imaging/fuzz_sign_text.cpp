// The whole signature path from the caller's texts: the first byte picks the
// encoding and how long the identifiers are, the rest is the signature text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "client/imaging/sign_bitmap.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t shape = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  constexpr std::string_view kCat = "12345678";
  constexpr std::string_view kCard = "9410123456789012";
  constexpr std::string_view kSequence = "000123";
  const kavorin::imaging::SignBmpRequest request{
      (shape & 1) != 0 ? "00" : "01",
      kCat.substr(0, (shape >> 1) & 7),
      kCard.substr((shape >> 4) & 7),
      kSequence.substr(0, (shape >> 7) != 0 ? 2 : 6),
      text,
      "",
      "Kv7rN2dQ"};
  kavorin::imaging::SignBitmapFile bitmap;
  kavorin::imaging::MakeSignBitmap(request, bitmap, [](const std::string&) {});
  return 0;
}
