// The bridge's decisions without a network: settings, the Host and Origin
// checks, routing, JSON to member arguments and back, the structured
// errors, the progress lines and the log's masking. The library is the
// scripted one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "common/text_codec.hpp"
#include "tests/web/scripted_library.hpp"
#include "web/bridge/request_checks.hpp"
#include "web/bridge/router.hpp"

namespace kavorin::bridge {
namespace {

namespace json = boost::json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using web::test::TheScript;

constexpr const char* kPage = "http://pos.local:8080";

TEST(BridgeSettings, ReadsEveryKeyAndRefusesAnythingElse) {
  std::string error;
  const auto defaults = ParseSettings("# nothing set\n\n", error);
  ASSERT_TRUE(defaults);
  EXPECT_THAT(defaults->addresses, ElementsAre("127.0.0.1", "::1"));
  EXPECT_EQ(defaults->port, 8470);
  EXPECT_TRUE(defaults->origins.empty());

  const auto set = ParseSettings("port = 9000\r\nlisten=::1\norigin=https://a.example\norigin=http://b:81 # till 2\n", error);
  ASSERT_TRUE(set) << error;
  EXPECT_EQ(set->port, 9000);
  EXPECT_THAT(set->addresses, ElementsAre("::1"));
  EXPECT_THAT(set->origins, ElementsAre("https://a.example", "http://b:81"));

  struct Bad {
    const char* text;
    const char* message;
  };
  const Bad bad[] = {
      {"listen=0.0.0.0", "line 1: refusing to listen on \"0.0.0.0\": the bridge listens on the loopback addresses 127.0.0.1 and ::1 only"},
      {"listen=192.168.0.10", "refusing to listen on \"192.168.0.10\""},
      {"listen=::", "refusing to listen on \"::\""},
      {"listen=localhost", "refusing to listen on \"localhost\""},
      {"port=0", "port must be a number from 1 to 65535"},
      {"port=70000", "port must be a number from 1 to 65535"},
      {"port=80x", "port must be a number from 1 to 65535"},
      {"origin=https://a.example/page", "an origin is scheme://host[:port] without a path"},
      {"origin=*", "an origin is scheme://host[:port]"},
      {"\norigins=x", "line 2: unknown setting \"origins\""},
      {"port", "expected key=value"},
  };
  for (const Bad& row : bad) {
    EXPECT_FALSE(ParseSettings(row.text, error)) << row.text;
    EXPECT_THAT(error, HasSubstr(row.message)) << row.text;
  }
}

TEST(BridgeChecks, HostMustNameThisBridgeOnLoopback) {
  struct Row {
    const char* host;
    bool allowed;
  };
  const Row rows[] = {
      {"127.0.0.1:8470", true}, {"localhost:8470", true},  {"LocalHost:8470", true}, {"[::1]:8470", true},
      {"127.0.0.1:8471", false}, {"127.0.0.1", false},     {"evil.example:8470", false},
      {"localhost.evil:8470", false}, {"127.0.0.2:8470", false}, {"[::1]", false}, {"", false},
      {"127.0.0.1:8470x", false}, {"[::1:8470", false},
  };
  for (const Row& row : rows) EXPECT_EQ(HostAllowed(row.host, 8470), row.allowed) << row.host;
  EXPECT_TRUE(HostAllowed("localhost", 80));
}

TEST(BridgeChecks, OriginMustBeListedExactly) {
  const std::vector<std::string> allowed = {kPage};
  EXPECT_TRUE(OriginAllowed(kPage, allowed));
  for (const char* origin : {"", "null", "http://pos.local", "http://pos.local:8080/", "HTTP://pos.local:8080",
                             "http://pos.local:80800"}) {
    EXPECT_FALSE(OriginAllowed(origin, allowed)) << origin;
  }
  EXPECT_FALSE(OriginAllowed("null", std::vector<std::string>{"null"}));
}

TEST(BridgeMasking, CardNumbersAreMaskedAsTheTerminalMasksThem) {
  struct Row {
    const char* text;
    const char* masked;
  };
  const Row rows[] = {
      {"9410123412341234", "9410123412******"},
      {"\"9410123412341234=28121010000\"", "\"9410123412******\""},
      {"track 9410123412341234=2812 end", "track 9410123412****** end"},
      {"amount 15000 at 261207120000", "amount 15000 at 261207******"},
      {"12345678901", "12345678901"},
      {"-10000", "-10000"},
  };
  for (const Row& row : rows) EXPECT_EQ(MaskCardNumbers(row.text), row.masked) << row.text;

  json::object outcome{{"result", "9410123412341234=2812"}};
  EXPECT_EQ(CallLogLine("GetTrackData", outcome, std::chrono::microseconds(2345)),
            "call GetTrackData -> \"9410123412******\" (2.3 ms)");
}

class BridgeRouting : public ::testing::Test {
 protected:
  BridgeRouting() : router_(MakeSettings(), web::test::ScriptedBinding()) {}

  static Settings MakeSettings() {
    Settings settings;
    settings.port = 8470;
    settings.origins = {kPage};
    return settings;
  }

  static Request Make(http::verb verb, std::string target, std::string body = {}, const char* origin = kPage,
                      const char* host = "127.0.0.1:8470") {
    Request request(verb, target, 11);
    if (host != nullptr) request.set(http::field::host, host);
    if (origin != nullptr) request.set(http::field::origin, origin);
    request.body() = std::move(body);
    request.prepare_payload();
    return request;
  }

  // Routes a call and runs it as the server would; the answer's JSON.
  json::object Call(const std::string& member, const std::string& body, std::vector<std::string>* progress = nullptr) {
    Routed routed = router_.Route(Make(http::verb::post, "/call/" + member, body));
    if (routed.action != Routed::Call) return json::parse(routed.response.body()).as_object();
    return routed.page->Run(routed.call, [&](std::string_view line) {
      if (progress != nullptr) progress->emplace_back(line);
    });
  }

  static std::string ErrorCode(const Routed& routed) {
    return std::string(json::parse(routed.response.body()).at("error").at("code").as_string());
  }

  Router router_;
};

TEST_F(BridgeRouting, EveryRefusalAnswersBeforeAnythingRuns) {
  struct Row {
    const char* what;
    Request request;
    http::status status;
    const char* code;
  };
  const Row rows[] = {
      {"no Host", Make(http::verb::post, "/call/Track2Read", "", kPage, nullptr), http::status::forbidden, "host-refused"},
      {"rebound name", Make(http::verb::post, "/call/Track2Read", "", kPage, "evil.example:8470"), http::status::forbidden, "host-refused"},
      {"other port", Make(http::verb::post, "/call/Track2Read", "", kPage, "127.0.0.1:80"), http::status::forbidden, "host-refused"},
      {"no Origin", Make(http::verb::post, "/call/Track2Read", "", nullptr), http::status::forbidden, "origin-refused"},
      {"unlisted Origin", Make(http::verb::post, "/call/Track2Read", "", "http://evil.example"), http::status::forbidden, "origin-refused"},
      {"unlisted preflight", Make(http::verb::options, "/call/Track2Read", "", "http://evil.example"), http::status::forbidden, "origin-refused"},
      {"unlisted socket", Make(http::verb::get, "/ws", "", "http://evil.example"), http::status::forbidden, "origin-refused"},
      {"unknown path", Make(http::verb::get, "/call/Track2Read"), http::status::not_found, "not-found"},
      {"unknown member", Make(http::verb::post, "/call/FormatDisk"), http::status::not_found, "unknown-member"},
      // (the answer must stay valid JSON: the name is not echoed as it came)
      {"bytes in the name", Make(http::verb::post, "/call/Credit\xC1uth"), http::status::not_found, "unknown-member"},
      {"not JSON", Make(http::verb::post, "/call/Track2Read", "{args:"), http::status::bad_request, "bad-request"},
      {"not an object", Make(http::verb::post, "/call/Track2Read", "[]"), http::status::bad_request, "bad-request"},
      {"too few", Make(http::verb::post, "/call/CashApprovalPrint", R"({"args":["1000"]})"), http::status::bad_request, "bad-arguments"},
      {"too many", Make(http::verb::post, "/call/Track2Read", R"({"args":["x"]})"), http::status::bad_request, "bad-arguments"},
      {"not a text", Make(http::verb::post, "/call/SetBizName", R"({"args":[true]})"), http::status::bad_request, "bad-arguments"},
      {"fraction", Make(http::verb::post, "/call/SetBizName", R"({"args":[1.5]})"), http::status::bad_request, "bad-arguments"},
      {"missing name", Make(http::verb::post, "/call/SetBizName", R"({"args":{"strBizNam":"x"}})"), http::status::bad_request, "bad-arguments"},
      {"extra name", Make(http::verb::post, "/call/SetBizName", R"({"args":{"strBizName":"x","y":"z"}})"), http::status::bad_request, "bad-arguments"},
      {"args a text", Make(http::verb::post, "/call/SetBizName", R"({"args":"x"})"), http::status::bad_request, "bad-arguments"},
      {"unknown session", Make(http::verb::post, "/call/Track2Read", R"({"session":"nope"})"), http::status::not_found, "unknown-session"},
  };
  for (const Row& row : rows) {
    const Routed routed = router_.Route(row.request);
    EXPECT_EQ(routed.action, Routed::Respond) << row.what;
    EXPECT_EQ(routed.response.result(), row.status) << row.what;
    EXPECT_EQ(ErrorCode(routed), row.code) << row.what;
    EXPECT_EQ(routed.refusal, row.code) << row.what;
    // A refused page learns nothing: no CORS header for an unlisted origin.
    if (row.status == http::status::forbidden) {
      EXPECT_EQ(routed.response.count(http::field::access_control_allow_origin), 0u) << row.what;
    }
  }
  EXPECT_TRUE(TheScript().calls.empty());
}

TEST_F(BridgeRouting, PreflightScriptAndSocketForListedOrigins) {
  Request preflight = Make(http::verb::options, "/call/CreditAuth");
  preflight.set("Access-Control-Request-Private-Network", "true");
  const Routed answer = router_.Route(preflight);
  EXPECT_EQ(answer.response.result(), http::status::no_content);
  EXPECT_EQ(answer.response[http::field::access_control_allow_origin], kPage);
  EXPECT_EQ(answer.response[http::field::access_control_allow_methods], "POST");
  EXPECT_EQ(answer.response["Access-Control-Allow-Private-Network"], "true");

  // The script needs no Origin (a script element sends none) and lists
  // every member by its dispatch name.
  const Routed script = router_.Route(Make(http::verb::get, "/kavorin-web.js", "", nullptr, "localhost:8470"));
  EXPECT_EQ(script.response.result(), http::status::ok);
  EXPECT_EQ(script.response[http::field::content_type], "text/javascript; charset=utf-8");
  for (const control::Member& member : web::KavorinWebMembers()) {
    EXPECT_THAT(script.response.body(), HasSubstr("[\"" + std::string(member.name) + "\",")) << member.name;
  }
  EXPECT_THAT(script.response.body(), HasSubstr(R"(["CreditAuth",["strWcc","strTrackData","strInstallmentData","strAmount","strPrintOpt"]])"));
  EXPECT_EQ(router_.Route(Make(http::verb::get, "/kavorin-web.d.ts", "", nullptr)).response.result(), http::status::ok);
  EXPECT_EQ(router_.Route(Make(http::verb::get, "/ws")).action, Routed::Upgrade);
}

TEST_F(BridgeRouting, ArgumentsArriveAsCp949InParameterOrder) {
  // By position, numbers as their decimal text; by name in any order.
  EXPECT_EQ(json::serialize(Call("CreditAuth", R"({"args":["", "9410123412341234=2812", "00", 15000, "0"]})")),
            R"({"result":0})");
  EXPECT_EQ(json::serialize(Call("CashApprovalPrint", R"({"args":{"strPrintOpt":"1","strAmount":"5000"}})")),
            R"({"result":0})");
  EXPECT_EQ(json::serialize(Call("SetBizName", R"({"args":["한국 상점"]})")), R"({"result":null})");
  const auto& calls = TheScript().calls;
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[1], (web::test::ExportCall{2, {"", "9410123412341234=2812", "00", "15000", "0"}}));
  EXPECT_EQ(calls[4], (web::test::ExportCall{5, {"5000", "1"}}));

  // Getter texts come back as UTF-8; a name matches in any ASCII case.
  TheScript().texts[28] = Cp949FromUtf8("공지 사항");
  EXPECT_EQ(json::serialize(Call("getnotice", "")), R"({"result":"공지 사항"})");
  EXPECT_EQ(json::serialize(Call("ParkSSuggestion", "")), R"({"result":"test"})");
}

TEST_F(BridgeRouting, MessagesBecomeStructuredErrorsAndStatusLinesStream) {
  std::vector<std::string> progress;
  TheScript().results[69] = 0;
  EXPECT_EQ(json::serialize(Call("Track2Read", "", &progress)), R"({"result":0})");
  EXPECT_THAT(progress, ElementsAre("단말기로의 서비스 요청 중.....", "단말기와의 통신이 정상 완료 되었습니다."));

  progress.clear();
  TheScript().results[69] = -4;
  const json::object failed = Call("Track2Read", "", &progress);
  EXPECT_THAT(progress, ElementsAre("단말기로의 서비스 요청 중.....", "단말기와의 통신중 응답전문 타임아웃이 발생하였습니다.",
                                    "단말기와의 연결을 확인하여 주시기 바랍니다."));
  // The status display's failure is the control's -1, without a message.
  EXPECT_EQ(json::serialize(failed), R"({"result":-1})");

  TheScript().results[1] = -2;
  EXPECT_EQ(json::serialize(Call("CreditAuth", R"({"args":["","","","",""]})")),
            R"({"result":-2,"error":{"code":-2,"caption":"KAVORIN 통신포트 설정 에러",)"
            R"("text":"단말기와 통신을 연결할 수 없습니다. 다른 프로그램이 사용하는지 확인하여 주시기 바랍니다."}})");
  TheScript().results[1] = 0;
  // A refused voucher: the check's own code and text.
  EXPECT_EQ(json::serialize(Call("CreditAuthResultPrint", "")),
            R"({"result":-1,"error":{"code":-1,"caption":"KAVORIN 데이터 설정 에러",)"
            R"("text":"전표인쇄시 필요한 데이터 중 응답코드가 인쇄 가능한 데이터가 아닙니다."}})");
  // A getter that cannot reach the library: the text is empty, the code the library's.
  TheScript().results[24] = -10000;
  EXPECT_EQ(json::object(Call("GetAuthNumber", "")).at("error").at("code"), -10000);
}

TEST_F(BridgeRouting, StoredValuesLiveInTheirPageSession) {
  const Routed opened = router_.Route(Make(http::verb::post, "/session", "{}"));
  ASSERT_EQ(opened.response.result(), http::status::ok);
  const std::string session(json::parse(opened.response.body()).at("session").as_string());
  EXPECT_EQ(session.size(), 32u);
  const std::string in = R"({"session":")" + session + R"(","args":)";
  Call("SetResCodePrintData", in + R"(["0000"]})");
  Call("SetCardNumPrintData", in + R"(["9410123412******"]})");
  // Another page (no session) has its own, empty values.
  Call("SetResCodePrintData", R"({"args":["9999"]})");
  TheScript().calls.clear();
  Call("CreditAuthResultPrint", in + "[]}");
  ASSERT_GE(TheScript().calls.size(), 1u);
  // Its check went on past the response code and the card number: the first
  // empty value it met was the approval time.
  EXPECT_EQ(json::object(Call("CreditAuthResultPrint", in + "[]}")).at("error").at("code"), -3);
  EXPECT_EQ(json::object(Call("CreditAuthResultPrint", "")).at("error").at("code"), -1);
}

TEST_F(BridgeRouting, SessionsAreBoundedAndExpire) {
  const auto now = Router::Clock::now();
  for (std::size_t i = 0; i < router_.settings().limits.sessions; ++i) {
    ASSERT_EQ(router_.Route(Make(http::verb::post, "/session"), now).response.result(), http::status::ok);
  }
  const Routed full = router_.Route(Make(http::verb::post, "/session"), now);
  EXPECT_EQ(full.response.result(), http::status::service_unavailable);
  EXPECT_EQ(ErrorCode(full), "too-many-sessions");
  const auto later = now + router_.settings().limits.sessionIdle + std::chrono::seconds(1);
  EXPECT_EQ(router_.Route(Make(http::verb::post, "/session"), later).response.result(), http::status::ok);
  EXPECT_EQ(router_.sessionCount(), 1u);
}

}  // namespace
}  // namespace kavorin::bridge
