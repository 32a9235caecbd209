// Arbitrary bytes from a local connection into the bridge: the HTTP parser
// under the bridge's bounds, the Host and Origin checks, routing, the call
// body's JSON and the member arguments, and the member itself (those that do
// not poll a terminal). Whatever comes in, the answer is well formed and a
// refused request never reaches the library.
#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/json/parse.hpp>

#include "common/message_box.hpp"
#include "tests/web/scripted_library.hpp"
#include "web/bridge/router.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavorin;
  using namespace kavorin::bridge;
  static Router* router = [] {
    Settings settings;
    settings.port = 8470;
    settings.origins = {"http://till.local"};
    return new Router(settings, web::test::ScriptedBinding());
  }();
  web::test::TheScript().calls.clear();

  const Limits limits;
  http::request_parser<http::string_body> parser;
  parser.header_limit(static_cast<std::uint32_t>(limits.headerBytes));
  parser.body_limit(limits.bodyBytes);
  parser.eager(true);
  boost::beast::error_code ec;
  const std::size_t used = parser.put(boost::asio::buffer(data, size), ec);
  if (ec || used > size || !parser.is_done()) return 0;
  const Request request = parser.release();

  Routed routed = router->Route(request);
  if (routed.action == Routed::Respond) {
    if (!routed.refusal.empty()) {
      if (!web::test::TheScript().calls.empty()) __builtin_trap();
      if (!boost::json::parse(routed.response.body()).as_object().contains("error")) __builtin_trap();
    }
    return 0;
  }
  if (routed.action != Routed::Call) return 0;
  if (routed.call.member == nullptr || routed.call.args.size() != control::ParamCount(*routed.call.member)) {
    __builtin_trap();
  }
  // Members that poll the terminal wait 500 ms a poll: their arguments are
  // read above; only the others run here.
  if (routed.call.member->result == control::ResultKind::Long) return 0;
  const boost::json::object outcome = routed.page->Run(routed.call, {});
  if (!outcome.contains("result")) __builtin_trap();
  return 0;
}
