#pragma once
// What the bridge does with one HTTP request, decided without any I/O: the
// Host and Origin checks, the preflight answers, the script file, the page
// sessions, and the call a request asks for. The server runs the call; the
// fuzzer and the unit tests drive this directly.
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include "web/bridge/member_call.hpp"
#include "web/bridge/settings.hpp"

namespace kavorin::bridge {

namespace http = boost::beast::http;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

// The JavaScript file pages load (/kavorin-web.js) and its type
// declarations (/kavorin-web.d.ts), with the member table filled in.
std::string ClientScript();
std::string ClientTypes();

struct Routed {
  enum Action { Respond, Call, Upgrade } action = Respond;
  Response response;                   // Respond; for Call and Upgrade the headers every answer carries
  MemberCall call;                     // Call
  std::shared_ptr<PageControl> page;   // Call: the page's control object
  std::string refusal;                 // a refused request's error code, for the log
};

class Router {
 public:
  using Clock = std::chrono::steady_clock;

  Router(const Settings& settings, web::LibraryBinding binding);

  Routed Route(const Request& request, Clock::time_point now = Clock::now());

  // A fresh control object, as for a WebSocket page connection.
  std::shared_ptr<PageControl> NewPage() const;

  // An answer with a JSON body (one line) and the CORS headers for `origin`.
  static Response JsonAnswer(http::status status, const boost::json::object& body, const std::string& origin,
                             unsigned version, bool keepAlive);

  const Settings& settings() const { return settings_; }
  // The port actually bound (settings may ask for any free one).
  void BoundTo(std::uint16_t port) { settings_.port = port; }
  std::size_t sessionCount() const { return sessions_.size(); }

 private:
  struct Session {
    std::shared_ptr<PageControl> page;
    Clock::time_point lastUsed;
  };

  Routed Refuse(http::status status, const CallError& error, const Request& request, const std::string& origin);
  Routed Preflight(const Request& request, const std::string& origin);
  Routed NewSession(const Request& request, const std::string& origin, Clock::time_point now);
  Routed CallMember(const Request& request, const std::string& origin, std::string_view member,
                    Clock::time_point now);

  Settings settings_;
  web::LibraryBinding binding_;
  std::string script_;
  std::string types_;
  std::map<std::string, Session> sessions_;
};

}  // namespace kavorin::bridge
