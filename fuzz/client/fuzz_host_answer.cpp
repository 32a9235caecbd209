// The client library trusts nothing the host sends: whatever answers come
// back, an export writes at most the size its buffer has and never crashes.
// Input: one byte picking the export, then the host's byte stream, frames
// as they come off the socket (a 32-bit length and the payload each).
// Every caller buffer is allocated at exactly its documented size, so a
// single byte past it is an AddressSanitizer report.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/api/export_calls.hpp"
#include "client/api/host_channel.hpp"
#include "common/message_box.hpp"
#include "contract/ipc_protocol.hpp"

namespace kavorin {
namespace {

std::string_view g_stream;
int g_frames_left = 0;

// Plays the host from the fuzz input, as the socket channel reads it.
class ReplayedHost : public HostChannel {
 public:
  HostStatus Activate() override { return HostStatus::kOk; }
  HostStatus Call(int, const std::vector<ServiceValue>&, ServiceReply& reply) override {
    if (g_frames_left-- <= 0 || g_stream.size() < ipc::kHeaderBytes) return HostStatus::kFailure;
    const auto size = ipc::PayloadLength(g_stream.substr(0, ipc::kHeaderBytes));
    g_stream.remove_prefix(ipc::kHeaderBytes);
    if (!size || g_stream.size() < *size) return HostStatus::kFailure;
    auto decoded = ipc::DecodeReply(g_stream.substr(0, *size));
    g_stream.remove_prefix(*size);
    if (!decoded) return HostStatus::kFailure;
    reply = std::move(*decoded);
    // An "ending" answer is taken as a host gone for good: the frame's wait
    // for the next host is unit-tested, and here would only cost time.
    const HostStatus status = DispatchStatus(reply);
    return status == HostStatus::kEnding ? HostStatus::kFailure : status;
  }
  std::string LastError() const override { return {}; }
};

struct Setup {
  Setup() {
    SetMessageBoxHandler([](const std::string&, const std::string&) {});
  }
};

// A caller's buffer of exactly `size` bytes on the heap.
int WithBuffer(std::size_t size, int (*getter)(int, char*), int ordinal) {
  const auto buffer = std::make_unique<char[]>(size);
  std::memset(buffer.get(), 0, size);
  return getter(ordinal, buffer.get());
}

}  // namespace

std::unique_ptr<HostChannel> MakePlatformHostChannel() { return std::make_unique<ReplayedHost>(); }

}  // namespace kavorin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavorin;
  static Setup setup;
  if (size == 0) return 0;
  g_stream = std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1);
  g_frames_left = 4;
  switch (data[0] % 8) {
    case 0: WithBuffer(kTextAnswerBytes, TextGetterExport, 17 + data[0] / 8 % 19); break;  // ordinals 17..35
    case 1: WithBuffer(kTextAnswerBytes, TextGetterExport, 39 + data[0] / 8 % 6); break;   // sign-pad texts
    case 2: WithBuffer(kSignDataBytes, [](int, char* b) { return SignDataBytesExport(b); }, 45); break;
    case 3: WithBuffer(2 * kSignDataHexBytes, [](int, char* b) { return SignDataHexExport(b); }, 53); break;
    case 4: WithBuffer(kTextAnswerBytes, [](int, char* b) { return FreeStyleResultMessageExport(b); }, 61); break;
    case 5: RequestExport(2, {"", "9410123412341234=2812", "00", "1000", "0"}); break;
    case 6: PassThroughExport(69); break;
    case 7: FreeStylePrintExport(16, "0", "text"); break;
  }
  return 0;
}
