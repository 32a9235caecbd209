// The bridge end to end: the real kavorin-web program, the real client
// library and host, the simulated terminal on a pty; driven over HTTP by
// the test, and by pages in headless Chromium.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "tests/e2e/bridge_rig.hpp"

namespace kavorin::testing {
namespace {

namespace json = boost::json;
using ::testing::HasSubstr;

catsim::TerminalOptions Approving() {
  catsim::TerminalOptions options;
  options.response.transaction[2] = "9410123412341234=2812";
  options.response.transaction[7] = "30001234";
  return options;
}

http::request<http::string_body> CallRequest(const BridgeRig& bridge, const std::string& member, std::string body,
                                             const std::string& origin) {
  http::request<http::string_body> request(http::verb::post, "/call/" + member, 11);
  request.set(http::field::host, "localhost:" + std::to_string(bridge.port));
  request.set(http::field::origin, origin);
  request.body() = std::move(body);
  request.prepare_payload();
  return request;
}

TEST(BridgeEndToEnd, AnApprovalStreamsItsStatusWhileASecondPageIsTurnedAway) {
  const std::string page = "http://till.local";
  BridgeRig bridge("bridge-busy", Approving(), {page});
  ASSERT_TRUE(bridge.rig.started);
  ASSERT_TRUE(bridge.Start()) << bridge.Log();

  net::io_context io;
  tcp::socket first(io), second(io);
  first.connect({net::ip::make_address("127.0.0.1"), bridge.port});
  second.connect({net::ip::make_address("::1"), bridge.port});
  http::write(first, CallRequest(bridge, "CreditAuth", R"({"args":["","9410123412341234=2812","00","15000","0"]})", page));
  // The exchange runs (the host polls for seconds at 9600 baud): a second
  // page is told at once, and sends nothing to the terminal.
  std::this_thread::sleep_for(300ms);
  beast::flat_buffer buffer;
  http::response<http::string_body> busy;
  http::write(second, CallRequest(bridge, "Track2Read", "", page));
  http::read(second, buffer, busy);
  EXPECT_EQ(busy.result(), http::status::conflict);

  http::response<http::string_body> approval;
  buffer.clear();
  http::read(first, buffer, approval);
  EXPECT_TRUE(approval.chunked());
  EXPECT_THAT(approval.body(), HasSubstr("{\"progress\":\"단말기로의 서비스 요청 중.....\"}\n"));
  EXPECT_THAT(approval.body(), HasSubstr("{\"progress\":\"단말기와의 통신이 정상 완료 되었습니다.\"}\n{\"result\":0}\n"));

  http::write(first, CallRequest(bridge, "GetCardNumber", "", page));
  http::response<http::string_body> card;
  buffer.clear();
  http::read(first, buffer, card);
  EXPECT_EQ(card.body(), "{\"result\":\"9410123412******\"}\n");

  const auto exchanges = bridge.rig.terminal->Exchanges();
  ASSERT_EQ(exchanges.size(), 1u);
  EXPECT_EQ(exchanges[0].code, "D1");
  const std::string log = bridge.Log();
  EXPECT_THAT(log, HasSubstr("kavorin-web: refused call Track2Read: busy\n"));
  EXPECT_THAT(log, HasSubstr("kavorin-web: call CreditAuth -> 0 ("));
  EXPECT_THAT(log, HasSubstr("kavorin-web: call GetCardNumber -> \"9410123412******\" ("));
  EXPECT_THAT(log, ::testing::Not(HasSubstr("9410123412341234")));
}

TEST(BridgeProgram, CheckPrintsTheSettingsAndAnOutsideAddressStopsTheStart) {
  BridgeRig bridge("bridge-program", {}, {"https://till.local"});
  ASSERT_TRUE(bridge.rig.started);
  const std::string program = (bridge.install / "kavorin-web").string();
  const fs::path output = bridge.rig.root / "program.out";
  {
    Child check({program, "--check"}, output);
    EXPECT_EQ(check.End(0), 0);
  }
  auto read = [&] {
    std::ifstream in(output, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string settings = (bridge.rig.root / "config" / "kavorin-web.conf").string();
  EXPECT_EQ(read(), "settings file: " + settings + "\nlisten: 127.0.0.1 ::1\nport: " + std::to_string(bridge.port) +
                        "\nallowed origins:\n  https://till.local\n"
                        "limits: header 8192 bytes, body/message 65536 bytes, 16 connections, idle 30 s (WebSocket 60 s), "
                        "64 HTTP sessions idle up to 30 min\nlibrary: " + (bridge.install / "libKAVORIN_Ctl.so").string() + "\n");

  std::ofstream(settings, std::ios::app) << "listen=0.0.0.0\n";
  {
    Child start({program}, output);
    EXPECT_EQ(start.End(0), 2);
  }
  EXPECT_EQ(read(), "kavorin-web: " + settings +
                        ": line 3: refusing to listen on \"0.0.0.0\": the bridge listens on the loopback addresses "
                        "127.0.0.1 and ::1 only\n");
  EXPECT_FALSE(Accepts(bridge.port));
}

// ---- In a real browser --------------------------------------------------

std::string ChromiumPath() {
  if (const char* given = std::getenv("KAVORIN_CHROMIUM")) return given;
  for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/bin/google-chrome"}) {
    if (fs::exists(path)) return path;
  }
  return {};
}

// Loads `url` in headless Chromium until `server` has the page's report.
std::optional<std::string> RunPage(const fs::path& root, PageServer& server, const std::string& url) {
  const fs::path profile = root / ("chromium-" + std::to_string(::getpid()));
  Child browser({ChromiumPath(), "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--user-data-dir=" + profile.string(),
                 url},
                root / "chromium.log");
  std::optional<std::string> report = server.WaitReport(60s);
  browser.End(SIGKILL);
  fs::remove_all(profile);
  return report;
}

// The page a till shows: it takes the bridge's address from its query, loads
// /kavorin-web.js from there and runs `body` (an async function body with
// `KavorinWeb` and `out`), then reports `out` to its own server.
std::string TillPage(const std::string& body) {
  return R"(<!doctype html><meta charset="utf-8"><title>till</title><script>
const bridge = new URLSearchParams(location.search).get("bridge");
const out = { progress: [] };
const report = () => fetch("/report", { method: "POST", body: JSON.stringify(out) });
const failure = e => ({ name: e.name, code: e.code, caption: e.caption, text: e.text, message: String(e.message) });
const script = document.createElement("script");
script.src = bridge + "/kavorin-web.js";
script.onerror = () => { out.scriptFailed = true; report(); };
script.onload = async () => {
  try {
)" + body + R"(
  } catch (e) { out.failure = failure(e); }
  report();
};
document.head.appendChild(script);
</script>)";
}

TEST(BridgeInBrowser, APageRunsACreditApprovalAndItsVoucherPrint) {
  if (ChromiumPath().empty()) {
    GTEST_SKIP() << "chromium is not installed (Debian package chromium, from scripts/install-deps.sh): "
                    "the browser test cannot run";
  }
  PageServer till(TillPage(R"(
    const KAVORIN = await KavorinWeb.connect({ onProgress: line => out.progress.push(line) });
    out.auth = await KAVORIN.CreditAuth("", "9410123412341234=2812", "00", "15000", "0");
    out.responseCode = await KAVORIN.GetResponseCode();
    out.card = await KAVORIN.GetCardNumber();
    out.authNumber = await KAVORIN.GetAuthNumber();
    out.authTime = await KAVORIN.GetAuthTime();
    out.amount = await KAVORIN.GetAuthAmount();
    out.issuer = await KAVORIN.GetIssuerCode();
    out.member = await KAVORIN.GetMemberNumber();
    // The voucher over the HTTP transport: its own connection, its own stored values.
    const voucher = await KavorinWeb.connect({ base: bridge, transport: "http" });
    await voucher.SetResCodePrintData(out.responseCode.slice(0, 4));
    await voucher.SetCardNumPrintData(out.card);
    await voucher.SetInstallmentPrintData("00");
    await voucher.SetAuthTimePrintData(out.authTime);
    await voucher.SetAuthAmountPrintData(out.amount);
    await voucher.SetAuthNumberPrintData(out.authNumber);
    await voucher.SetIssuerNamePrintData(out.issuer || "01");
    await voucher.SetMemberNumPrintData(out.member || "99887766");
    out.printProgress = [];
    out.print = await voucher.CreditAuthResultPrint(line => out.printProgress.push(line));
    // A refused voucher rejects with the control's message.
    await voucher.PrintDataInit();
    try { await voucher.CreditAuthResultPrint(); } catch (e) { out.refused = failure(e); }
  )"));
  BridgeRig bridge("bridge-browser", Approving(), {till.Origin()});
  ASSERT_TRUE(bridge.rig.started);
  ASSERT_TRUE(bridge.Start()) << bridge.Log();

  const auto report = RunPage(bridge.rig.root, till, till.Origin() + "/?bridge=" + bridge.Base());
  ASSERT_TRUE(report) << "no report from the page\n" << bridge.Log();
  const json::object out = json::parse(*report).as_object();
  ASSERT_FALSE(out.contains("failure")) << *report << "\n" << bridge.Log();
  EXPECT_EQ(out.at("auth"), 0) << *report;
  EXPECT_EQ(out.at("card"), "9410123412******");
  EXPECT_EQ(out.at("authNumber"), "30001234");
  EXPECT_EQ(out.at("amount"), "15000");
  EXPECT_EQ(out.at("print"), 0) << *report;
  const json::array& progress = out.at("progress").as_array();
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front(), "단말기로의 서비스 요청 중.....");
  EXPECT_EQ(progress.back(), "단말기와의 통신이 정상 완료 되었습니다.");
  EXPECT_EQ(out.at("printProgress").as_array().back(), "단말기와의 통신이 정상 완료 되었습니다.");
  const json::object& refused = out.at("refused").as_object();
  EXPECT_EQ(refused.at("name"), "KavorinError");
  EXPECT_EQ(refused.at("code"), -1);
  EXPECT_EQ(refused.at("caption"), "KAVORIN 데이터 설정 에러");
  EXPECT_EQ(refused.at("text"), "전표인쇄시 필요한 데이터 중 응답코드가 인쇄 가능한 데이터가 아닙니다.");

  const auto exchanges = bridge.rig.terminal->Exchanges();
  ASSERT_EQ(exchanges.size(), 2u) << bridge.Log();
  EXPECT_EQ(exchanges[0].code, "D1");
  EXPECT_EQ(exchanges[1].code, "P1");
  EXPECT_NE(exchanges[1].request.find("9410123412******"), std::string::npos);
}

TEST(BridgeInBrowser, APageFromAnUnlistedOriginIsRefusedAndNothingReachesTheWire) {
  if (ChromiumPath().empty()) {
    GTEST_SKIP() << "chromium is not installed (Debian package chromium, from scripts/install-deps.sh): "
                    "the browser test cannot run";
  }
  PageServer stranger(TillPage(R"(
    try { await KavorinWeb.connect(); out.socket = "connected"; } catch (e) { out.socket = failure(e); }
    try {
      const http = await KavorinWeb.connect({ base: bridge, transport: "http" });
      out.http = await http.CreditAuth("", "9410123412341234=2812", "00", "15000", "0");
    } catch (e) { out.http = failure(e); }
  )"));
  BridgeRig bridge("bridge-stranger", Approving(), {"http://till.local"});
  ASSERT_TRUE(bridge.rig.started);
  ASSERT_TRUE(bridge.Start()) << bridge.Log();

  const auto report = RunPage(bridge.rig.root, stranger, stranger.Origin() + "/?bridge=" + bridge.Base());
  ASSERT_TRUE(report) << "no report from the page\n" << bridge.Log();
  const json::object out = json::parse(*report).as_object();
  EXPECT_EQ(out.at("socket").at("code"), "unreachable") << *report;
  EXPECT_EQ(out.at("http").at("name"), "TypeError") << *report;  // the browser's own CORS refusal
  const std::string log = bridge.Log();
  EXPECT_THAT(log, HasSubstr("refused GET /ws: origin-refused (Origin \"" + stranger.Origin() + "\")"));
  EXPECT_THAT(log, HasSubstr("refused OPTIONS /session: origin-refused"));
  // catsim's record: no exchange, not one byte from the host.
  EXPECT_TRUE(bridge.rig.terminal->Exchanges().empty());
  for (const catsim::WireEvent& event : bridge.rig.terminal->Events()) {
    EXPECT_NE(event.kind, catsim::WireEvent::Kind::FromHost) << event.bytes;
  }
  EXPECT_EQ(bridge.rig.terminal->IdleBytesFromHost(), "");
}

}  // namespace
}  // namespace kavorin::testing
