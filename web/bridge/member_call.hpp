#pragma once
// One page's control object and the calls a page makes on it: a member by
// name with its arguments as JSON, run by the KAVORIN_Web core; the result
// as JSON. Where the control would show a message box, the result carries
// it as a structured error instead; the link-status lines of a transaction
// or voucher print go to a progress sink as they are polled.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/json/object.hpp>
#include <boost/json/value.hpp>

#include "web/kavorin_web/kavorin_web.hpp"

namespace kavorin::bridge {

// A refusal by the bridge itself (the member did not run). `code` is one of
// the texts below; `text` says what was wrong, for the page's developer.
struct CallError {
  std::string code;
  std::string text;
};

namespace errors {
inline constexpr const char* kBadRequest = "bad-request";
inline constexpr const char* kUnknownMember = "unknown-member";
inline constexpr const char* kBadArguments = "bad-arguments";
inline constexpr const char* kBusy = "busy";
inline constexpr const char* kOriginRefused = "origin-refused";
inline constexpr const char* kHostRefused = "host-refused";
inline constexpr const char* kTooLarge = "too-large";
inline constexpr const char* kUnknownSession = "unknown-session";
inline constexpr const char* kTooManySessions = "too-many-sessions";
inline constexpr const char* kNotFound = "not-found";
}  // namespace errors

boost::json::object ErrorJson(const CallError& error);

struct MemberCall {
  const control::Member* member = nullptr;
  std::vector<std::string> args;  // CP949, in the member's parameter order
};

// Reads a call of `memberName` with `args`: a JSON array (texts, or whole
// numbers for any parameter) in parameter order, or an object keyed by the
// parameter names; absent args mean none. Texts arrive as UTF-8 and reach
// the member as CP949.
std::optional<MemberCall> ReadCall(std::string_view memberName, const boost::json::value* args, CallError& error);

using ProgressSink = std::function<void(std::string_view line)>;

// How long the bridge polls the link status of one exchange before it gives
// up (as the headless status display does): past the link's own response
// wait with room to spare.
inline constexpr std::chrono::seconds kExchangeLimit{90};

class PageControl {
 public:
  explicit PageControl(const web::LibraryBinding& binding);
  PageControl(const PageControl&) = delete;
  PageControl& operator=(const PageControl&) = delete;

  // {"result": number | text | null} and, when the control would have shown
  // a message, "error": {"code", "caption", "text"} (UTF-8). Progress lines
  // go to `progress` on the calling thread while the member runs.
  boost::json::object Run(const MemberCall& call, const ProgressSink& progress);

 private:
  int StatusStep();

  web::KavorinWeb control_;
  const ProgressSink* progress_ = nullptr;
};

// The log line of one call: member, result (texts with card numbers
// masked) and duration.
std::string CallLogLine(std::string_view member, const boost::json::object& outcome,
                        std::chrono::microseconds duration);

// Every card number in `text` masked as the terminal masks one: a run of 12
// or more digits (with any track remainder from "=" on) keeps all but its
// last six digits.
std::string MaskCardNumbers(std::string_view text);

}  // namespace kavorin::bridge
