#pragma once
// The terminal's link frame, in one place: its control bytes, the LRC and
// how a frame is built. A frame is STX, body, ETX and the LRC.
#include <cstdint>
#include <string>
#include <string_view>

namespace kavorin {

inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;
inline constexpr std::uint8_t EOT = 0x04;
inline constexpr std::uint8_t ENQ = 0x05;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t DLE = 0x10;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr std::uint8_t FS = 0x1C;

// The frame's check byte: XOR of every byte after STX through ETX, OR 0x20.
std::uint8_t Lrc(std::string_view bytesAfterStxThroughEtx);

// Starts a frame: STX. Append the body, then close it with EndFrame.
void BeginFrame(std::string& frame);
// Ends a frame begun with BeginFrame: ETX and the LRC.
void EndFrame(std::string& frame);

}  // namespace kavorin
