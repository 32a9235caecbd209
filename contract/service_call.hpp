#pragma once
// The shape of a call into the terminal service, shared by every transport
// (COM on Windows, the Unix socket on Linux): arguments and out-parameters
// are 32-bit integers or Unicode texts (the BSTR analog; a null text and an
// empty one are the same).
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kavorin {

using ServiceValue = std::variant<std::int32_t, std::u16string>;

// Outcome of dispatching, apart from the method's own results.
inline constexpr int kDispatched = 0;
inline constexpr int kUnknownMethod = -1;
inline constexpr int kBadArguments = -2;
// The host is ending (ServiceTerminate was called): it takes no new work, so
// that the client goes to a new host instead of one about to go away.
inline constexpr int kServiceEnding = -3;

// The longest text argument a service takes, in UTF-16 units: the hex text of
// the largest extended free-style print (9999 bytes, 19998 digits) and its
// NUL. A longer one cannot make a message and is refused before any
// conversion, so no client can keep the host busy with its texts.
inline constexpr std::size_t kMaxTextArgument = 20000;

struct ServiceReply {
  int dispatch = kDispatched;
  // The out-parameters in order: [piRet], [pbRet as 1/0], or
  // [piResultCode, text] for a getter.
  std::vector<ServiceValue> outs;
};

}  // namespace kavorin
