// The host reads frames from any local process: every decoder must refuse
// what does not parse without crashing, and what it accepts must encode back
// to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/text_codec.hpp"
#include "contract/ipc_protocol.hpp"

using namespace kavorin;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Texts that survive a UTF-8 round trip unchanged (well-formed input).
bool TextsRoundTrip(const std::vector<ServiceValue>& values) {
  for (const auto& value : values) {
    if (const auto* text = std::get_if<std::u16string>(&value)) {
      if (Utf16FromUtf8(Utf8FromUtf16(*text)) != *text) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view payload(reinterpret_cast<const char*>(data), size);
  ipc::PayloadLength(payload.substr(0, ipc::kHeaderBytes));
  ipc::DecodeHello(payload);
  ipc::DecodeWelcome(payload);
  if (const auto call = ipc::DecodeCall(payload)) {
    Require(call->args.size() <= ipc::kMaxValues);
    const std::string again = ipc::EncodeCall(call->dispid, call->args);
    const auto decoded = ipc::DecodeCall(std::string_view(again).substr(ipc::kHeaderBytes));
    Require(decoded && decoded->dispid == call->dispid && decoded->args.size() == call->args.size());
    if (TextsRoundTrip(call->args)) Require(decoded->args == call->args);
  }
  if (const auto reply = ipc::DecodeReply(payload)) {
    const std::string again = ipc::EncodeReply(*reply);
    const auto decoded = ipc::DecodeReply(std::string_view(again).substr(ipc::kHeaderBytes));
    Require(decoded && decoded->dispatch == reply->dispatch && decoded->outs.size() == reply->outs.size());
  }
  return 0;
}
