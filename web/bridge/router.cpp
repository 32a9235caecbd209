#include "web/bridge/router.hpp"

#include <random>

#include <boost/beast/http/field.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "web/bridge/client_script.hpp"
#include "web/bridge/request_checks.hpp"

namespace kavorin::bridge {
namespace json = boost::json;
namespace {

constexpr std::string_view kCallPrefix = "/call/";

std::string NewSessionId() {
  static std::random_device random;
  std::string id;
  constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 32; ++i) id += kHex[random() % 16];
  return id;
}

std::string_view Header(const Request& request, http::field field) {
  const auto found = request.find(field);
  return found == request.end() ? std::string_view() : std::string_view(found->value().data(), found->value().size());
}

}  // namespace

std::string ClientScript() {
  json::array members;
  for (const control::Member& member : web::KavorinWebMembers()) {
    json::array params;
    for (const control::Param& param : control::Params(member)) params.emplace_back(param.name);
    members.emplace_back(json::array{json::string(member.name), params});
  }
  std::string script(kClientScriptTemplate);
  constexpr std::string_view kSlot = "/*MEMBERS*/";
  script.replace(script.find(kSlot), kSlot.size(), json::serialize(members));
  return script;
}

std::string ClientTypes() { return std::string(kClientTypes); }

Router::Router(const Settings& settings, web::LibraryBinding binding)
    : settings_(settings), binding_(binding), script_(ClientScript()), types_(ClientTypes()) {}

std::shared_ptr<PageControl> Router::NewPage() const { return std::make_shared<PageControl>(binding_); }

Response Router::JsonAnswer(http::status status, const json::object& body, const std::string& origin,
                            unsigned version, bool keepAlive) {
  Response response(status, version);
  response.set(http::field::content_type, "application/x-ndjson; charset=utf-8");
  response.set(http::field::cache_control, "no-store");
  if (!origin.empty()) {
    response.set(http::field::access_control_allow_origin, origin);
    response.set(http::field::vary, "Origin");
  }
  response.body() = json::serialize(body) + "\n";
  response.keep_alive(keepAlive);
  response.prepare_payload();
  return response;
}

Routed Router::Refuse(http::status status, const CallError& error, const Request& request, const std::string& origin) {
  Routed routed;
  routed.response = JsonAnswer(status, ErrorJson(error), origin, request.version(), request.keep_alive());
  routed.refusal = error.code;
  return routed;
}

Routed Router::Route(const Request& request, Clock::time_point now) {
  if (!HostAllowed(Header(request, http::field::host), settings_.port)) {
    return Refuse(http::status::forbidden,
                  {errors::kHostRefused, "the Host header must name 127.0.0.1, [::1] or localhost with this port"},
                  request, "");
  }
  const std::string_view target(request.target().data(), request.target().size());
  const std::string_view path = target.substr(0, target.find('?'));

  // The script file triggers nothing: a page loads it with a plain script
  // element, which sends no Origin.
  if (request.method() == http::verb::get && (path == "/kavorin-web.js" || path == "/kavorin-web.d.ts")) {
    Routed routed;
    routed.response = Response(http::status::ok, request.version());
    const bool script = path == "/kavorin-web.js";
    routed.response.set(http::field::content_type,
                        script ? "text/javascript; charset=utf-8" : "application/typescript; charset=utf-8");
    routed.response.set(http::field::cache_control, "no-cache");
    routed.response.body() = script ? script_ : types_;
    routed.response.keep_alive(request.keep_alive());
    routed.response.prepare_payload();
    return routed;
  }

  const std::string origin(Header(request, http::field::origin));
  if (!OriginAllowed(origin, settings_.origins)) {
    return Refuse(http::status::forbidden,
                  {errors::kOriginRefused, "this page's origin is not in the bridge's allowed origins"}, request, "");
  }
  if (request.method() == http::verb::options) return Preflight(request, origin);
  if (request.method() == http::verb::get && path == "/ws") {
    Routed routed;
    routed.action = Routed::Upgrade;
    return routed;
  }
  if (request.method() == http::verb::post && path == "/session") return NewSession(request, origin, now);
  if (request.method() == http::verb::post && path.starts_with(kCallPrefix)) {
    return CallMember(request, origin, path.substr(kCallPrefix.size()), now);
  }
  return Refuse(http::status::not_found,
                {errors::kNotFound, "the bridge answers POST /session, POST /call/<member>, GET /ws and GET /kavorin-web.js"},
                request, origin);
}

Routed Router::Preflight(const Request& request, const std::string& origin) {
  Routed routed;
  routed.response = Response(http::status::no_content, request.version());
  routed.response.set(http::field::access_control_allow_origin, origin);
  routed.response.set(http::field::access_control_allow_methods, "POST");
  routed.response.set(http::field::access_control_allow_headers, "Content-Type");
  routed.response.set(http::field::access_control_max_age, "600");
  routed.response.set(http::field::vary, "Origin");
  if (request["Access-Control-Request-Private-Network"] == "true") {
    routed.response.set("Access-Control-Allow-Private-Network", "true");
  }
  routed.response.keep_alive(request.keep_alive());
  routed.response.prepare_payload();
  return routed;
}

Routed Router::NewSession(const Request& request, const std::string& origin, Clock::time_point now) {
  std::erase_if(sessions_, [&](const auto& entry) { return now - entry.second.lastUsed > settings_.limits.sessionIdle; });
  if (sessions_.size() >= settings_.limits.sessions) {
    return Refuse(http::status::service_unavailable,
                  {errors::kTooManySessions, "too many page sessions are open; close a page or wait for one to expire"},
                  request, origin);
  }
  const std::string id = NewSessionId();
  sessions_[id] = Session{NewPage(), now};
  Routed routed;
  routed.response = JsonAnswer(http::status::ok, json::object{{"session", id}}, origin, request.version(),
                               request.keep_alive());
  return routed;
}

Routed Router::CallMember(const Request& request, const std::string& origin, std::string_view member,
                          Clock::time_point now) {
  json::value body;
  if (!request.body().empty()) {
    boost::system::error_code ec;
    body = json::parse(request.body(), ec);
    if (ec || !body.is_object()) {
      return Refuse(http::status::bad_request,
                    {errors::kBadRequest, "the body must be a JSON object {\"args\": [...], \"session\": \"...\"}"},
                    request, origin);
    }
  }
  const json::value* args = body.is_object() ? body.get_object().if_contains("args") : nullptr;
  CallError error;
  std::optional<MemberCall> call = ReadCall(member, args, error);
  if (!call) {
    return Refuse(error.code == errors::kUnknownMember ? http::status::not_found : http::status::bad_request, error,
                  request, origin);
  }
  Routed routed;
  routed.action = Routed::Call;
  routed.call = std::move(*call);
  const json::value* session = body.is_object() ? body.get_object().if_contains("session") : nullptr;
  if (session != nullptr && !session->is_null()) {
    const auto found = session->is_string() ? sessions_.find(std::string(session->get_string())) : sessions_.end();
    if (found == sessions_.end() || now - found->second.lastUsed > settings_.limits.sessionIdle) {
      if (found != sessions_.end()) sessions_.erase(found);
      return Refuse(http::status::not_found,
                    {errors::kUnknownSession, "no such page session (it may have expired); POST /session for a new one"},
                    request, origin);
    }
    found->second.lastUsed = now;
    routed.page = found->second.page;
  } else {
    routed.page = NewPage();  // a call without a session has its own, empty stored values
  }
  routed.response = JsonAnswer(http::status::ok, {}, origin, request.version(), request.keep_alive());
  return routed;
}

}  // namespace kavorin::bridge
