#include "host/link/frame.hpp"

namespace kavorin {

std::uint8_t Lrc(std::string_view bytesAfterStxThroughEtx) {
  std::uint8_t lrc = 0;
  for (const char c : bytesAfterStxThroughEtx) lrc ^= static_cast<std::uint8_t>(c);
  return static_cast<std::uint8_t>(lrc | 0x20);
}

void BeginFrame(std::string& frame) { frame += static_cast<char>(STX); }

void EndFrame(std::string& frame) {
  frame += static_cast<char>(ETX);
  frame += static_cast<char>(Lrc(std::string_view(frame).substr(1)));
}

}  // namespace kavorin
