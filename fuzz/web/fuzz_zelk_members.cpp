// Arbitrary page input into the ZelkPayWeb and ZelkSignWeb members, and
// arbitrary bytes from their libraries into every output buffer: nothing
// is written or read past a buffer (ASan watches the lent buffers), and no
// text a member returns is longer than the largest buffer it reads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "web/zelkpay_web/zelkpay_web.hpp"
#include "web/zelksign_web/zelksign_web.hpp"

namespace {

using kavorin::control::ArgKind;
using kavorin::control::CallArg;
using kavorin::control::LibraryOperation;

// The library writes `written` into every output, cut to the buffer's size
// with its zero just past it (the widest field a library could send), and
// answers `result`.
kavorin::control::LibraryCall Library(const std::string& written, int result) {
  return [written, result](const LibraryOperation&, std::span<const CallArg> args) {
    for (const CallArg& arg : args) {
      if (arg.kind == ArgKind::Long || arg.kind == ArgKind::Text) continue;
      if (arg.kind == ArgKind::Data) {
        volatile char last = arg.buffer[arg.bytes - 1];  // the whole buffer is there
        (void)last;
        continue;
      }
      const std::size_t bytes = std::min(written.size(), arg.bytes);
      std::memcpy(arg.buffer, written.data(), bytes);
      arg.buffer[bytes] = '\0';
    }
    return result;
  };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavorin;
  if (size < 2) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  // Byte 0 picks the control and member, byte 1 the library's result; the
  // rest, split at 0x1F, are the arguments and, last, what the library writes.
  std::vector<std::string> parts;
  std::string rest = input.substr(2);
  for (std::size_t at; (at = rest.find('\x1F')) != std::string::npos; rest.erase(0, at + 1)) {
    parts.push_back(rest.substr(0, at));
  }
  const int result = data[1] % 4 == 0 ? 0 : data[1] % 4 == 1 ? -1000 : -static_cast<int>(data[1]);
  const bool pay = data[0] % 2 == 0;
  web::ZelkPayWeb pay_control(Library(rest, result));
  web::ZelkSignWeb sign_control(Library(rest, result));
  control::ControlObject& object = pay ? static_cast<control::ControlObject&>(pay_control) : sign_control;
  const auto members = pay ? web::ZelkPayWebMembers() : web::ZelkSignWebMembers();
  const control::Member& member = members[(data[0] / 2) % members.size()];
  parts.resize(control::ParamCount(member));
  const control::InvokeOutcome outcome = control::Invoke(members, object, member.dispid, parts);
  if (outcome.error == control::InvokeError::WrongArgumentCount) __builtin_trap();
  // The widest text a member hands back: a 4096-byte buffer less its zero.
  if (outcome.result.text.size() > 4095) __builtin_trap();
  return 0;
}
