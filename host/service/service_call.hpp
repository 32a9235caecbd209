#pragma once
// The shape of a call into the terminal service, shared by every transport
// (COM on Windows, the Unix socket on Linux): arguments and out-parameters
// are 32-bit integers or Unicode texts (the BSTR analog; a null text and an
// empty one are the same).
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

struct ServiceReply {
  int dispatch = kDispatched;
  // The out-parameters in order: [piRet], [pbRet as 1/0], or
  // [piResultCode, text] for a getter.
  std::vector<ServiceValue> outs;
};

}  // namespace kavorin
