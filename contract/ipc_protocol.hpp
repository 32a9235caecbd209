#pragma once
// The wire format between the client library and the host on Linux.
//
// A frame is a 32-bit little-endian payload length and the payload. The
// payload starts with its type:
//   Hello   1  "KAVR" magic, u16 version          client → host, first
//   Welcome 2  u16 version                         host → client
//   Call    3  i32 dispid, u16 count, values       client → host
//   Reply   4  i32 dispatch, u16 count, values     host → client
// A value is a tag and its bytes: 1 = i32; 2 = text, u32 byte count and
// UTF-8. All integers little-endian. Anything that does not parse exactly
// (trailing bytes included) is malformed, and the peer drops the connection.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contract/service_call.hpp"

namespace kavorin::ipc {

inline constexpr std::uint16_t kVersion = 1;
// Bounds every frame, and so every buffer of both peers. The largest honest
// call carries a few texts of at most 20000 characters.
inline constexpr std::uint32_t kMaxPayload = 256 * 1024;
inline constexpr std::size_t kHeaderBytes = 4;
inline constexpr std::uint16_t kMaxValues = 64;

enum class MessageType : std::uint8_t { Hello = 1, Welcome = 2, Call = 3, Reply = 4 };

struct Call {
  std::int32_t dispid = 0;
  std::vector<ServiceValue> args;
};

// Whole frames, header included.
std::string EncodeHello();
std::string EncodeWelcome();
std::string EncodeCall(std::int32_t dispid, const std::vector<ServiceValue>& args);
std::string EncodeReply(const ServiceReply& reply);

// Payloads (without the header).
std::optional<std::uint16_t> DecodeHello(std::string_view payload);
std::optional<std::uint16_t> DecodeWelcome(std::string_view payload);
std::optional<Call> DecodeCall(std::string_view payload);
std::optional<ServiceReply> DecodeReply(std::string_view payload);

// The payload length a header announces, or nothing when it is over the cap.
std::optional<std::uint32_t> PayloadLength(std::string_view header);

}  // namespace kavorin::ipc
