#pragma once
// What the simulated terminal answers. By default an approval that looks
// real: response code 0000, a 16-digit card number with its expiry, the
// request's amounts echoed, an approval number and the time. Every field can
// be overridden; texts are CP949 bytes as they travel.
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/catsim/wire.hpp"

namespace catsim {

inline constexpr int kTransactionFieldCount = 16;
inline constexpr int kReadFieldCount = 4;

struct ResponseOptions {
  std::string responseCode = "0000";        // transaction field 1
  std::map<int, std::string> transaction;   // field number (1-16) -> text
  std::map<int, std::string> read;          // field number (1-4) -> text
  std::optional<std::string> messageCode;   // default: the request's code
};

// The fields of a transaction response (16) or a read response (4) for
// `request`, defaults first, then the overrides.
std::vector<std::string> TransactionFields(const Request& request, const ResponseOptions& options,
                                           const std::tm& now);
std::vector<std::string> ReadFields(const Request& request, const ResponseOptions& options);

// The whole response frame, or nothing for a request that gets no response.
std::optional<std::string> BuildResponse(const Request& request, const ResponseOptions& options,
                                         const std::tm& now);

}  // namespace catsim
