// The bridge on real loopback sockets, in this process, over the scripted
// library: the bounds on what a page may send, one exchange at a time, the
// streamed progress over HTTP and WebSocket.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include <boost/asio/connect.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json/parse.hpp>

#include "tests/web/scripted_library.hpp"
#include "web/bridge/server.hpp"

namespace kavorin::bridge {
namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace json = boost::json;
using tcp = net::ip::tcp;
using ::testing::HasSubstr;
using web::test::TheScript;

constexpr const char* kPage = "http://pos.local:8080";

class BridgeServer : public ::testing::Test {
 protected:
  void Start(Limits limits = {}) {
    Settings settings;
    settings.port = 0;
    settings.addresses = {"127.0.0.1"};
    settings.origins = {kPage};
    settings.limits = limits;
    server_ = std::make_unique<Server>(settings, web::test::ScriptedBinding(), [this](std::string_view line) {
      const std::lock_guard lock(mutex_);
      log_.emplace_back(line);
    });
    std::string error;
    ASSERT_TRUE(server_->Listen(error)) << error;
    thread_ = std::thread([this] { server_->Run(); });
  }
  void TearDown() override {
    if (server_) server_->Stop();
    if (thread_.joinable()) thread_.join();
  }

  tcp::socket Connect() {
    tcp::socket socket(io_);
    socket.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), server_->port()));
    return socket;
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(server_->port()); }

  http::response<http::string_body> Post(tcp::socket& socket, const std::string& target, std::string body) {
    http::request<http::string_body> request(http::verb::post, target, 11);
    request.set(http::field::host, Host());
    request.set(http::field::origin, kPage);
    request.body() = std::move(body);
    request.prepare_payload();
    http::write(socket, request);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(socket, buffer, response);
    return response;
  }

  websocket::stream<tcp::socket> Socket(const char* origin = kPage) {
    websocket::stream<tcp::socket> ws(Connect());
    ws.set_option(websocket::stream_base::decorator(
        [origin](websocket::request_type& request) { request.set(http::field::origin, origin); }));
    ws.handshake(Host(), "/ws");
    return ws;
  }

  std::vector<std::string> Log() {
    const std::lock_guard lock(mutex_);
    return log_;
  }

  net::io_context io_;
  std::unique_ptr<Server> server_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> log_;
};

TEST_F(BridgeServer, OversizeRequestsAreRefusedUnread) {
  Limits limits;
  limits.bodyBytes = 1024;
  Start(limits);
  tcp::socket socket = Connect();
  const auto response = Post(socket, "/call/SetBizName", R"({"args":[")" + std::string(2000, 'a') + R"("]})");
  EXPECT_EQ(response.result(), http::status::payload_too_large);
  EXPECT_THAT(response.body(), HasSubstr(R"("code":"too-large")"));

  // A WebSocket message over the bound closes that socket.
  auto ws = Socket();
  ws.write(net::buffer(R"({"id":1,"member":"SetBizName","args":[")" + std::string(2000, 'a') + R"("]})"));
  beast::flat_buffer buffer;
  beast::error_code ec;
  ws.read(buffer, ec);
  EXPECT_TRUE(ec);
  EXPECT_TRUE(TheScript().calls.empty());
}

TEST_F(BridgeServer, AnExchangeStreamsItsStatusAndASecondPageIsBusy) {
  Start();
  TheScript().results[69] = 0;  // the exchange ends at the first poll, 500 ms in
  tcp::socket first = Connect();
  http::request<http::string_body> request(http::verb::post, "/call/CreditAuth", 11);
  request.set(http::field::host, Host());
  request.set(http::field::origin, kPage);
  request.body() = R"({"args":["","9410123412341234=2812","00","1004","0"]})";
  request.prepare_payload();
  http::write(first, request);

  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  tcp::socket second = Connect();
  const auto busy = Post(second, "/call/GetAuthNumber", "");
  EXPECT_EQ(busy.result(), http::status::conflict);
  EXPECT_THAT(busy.body(), HasSubstr(R"("code":"busy")"));
  EXPECT_EQ(busy[http::field::access_control_allow_origin], kPage);
  auto ws = Socket();
  ws.write(net::buffer(std::string(R"({"id":7,"member":"Track2Read"})")));
  beast::flat_buffer wsBuffer;
  ws.read(wsBuffer);
  EXPECT_EQ(beast::buffers_to_string(wsBuffer.data()),
            R"({"error":{"code":"busy","text":"the terminal is busy with another call; try again when it has ended"},"id":7})");

  beast::flat_buffer buffer;
  http::response<http::string_body> streamed;
  http::read(first, buffer, streamed);
  EXPECT_TRUE(streamed.chunked());
  EXPECT_EQ(streamed.body(),
            "{\"progress\":\"단말기로의 서비스 요청 중.....\"}\n"
            "{\"progress\":\"단말기와의 통신이 정상 완료 되었습니다.\"}\n"
            "{\"result\":0}\n");
  // Nothing of the refused calls reached the library.
  std::vector<int> ordinals;
  for (const auto& call : TheScript().calls) ordinals.push_back(call.ordinal);
  EXPECT_EQ(ordinals, (std::vector<int>{1, 2, 69}));
  // The same connection serves the next call, no longer busy.
  EXPECT_EQ(Post(first, "/call/GetAuthNumber", "").body(), "{\"result\":\"\"}\n");

  const auto log = Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "refused call GetAuthNumber: busy");
  EXPECT_EQ(log[1], "refused WebSocket call Track2Read: busy");
  EXPECT_THAT(log[2], ::testing::MatchesRegex("call CreditAuth -> 0 \\([0-9]+\\.[0-9] ms\\)"));
}

TEST_F(BridgeServer, OneSocketIsOnePageWithItsStoredValues) {
  Start();
  TheScript().results[69] = 0;
  auto ws = Socket();
  auto call = [&](const std::string& message) {
    ws.write(net::buffer(message));
    std::vector<std::string> answers;
    for (;;) {
      beast::flat_buffer buffer;
      ws.read(buffer);
      answers.push_back(beast::buffers_to_string(buffer.data()));
      if (answers.back().find("\"progress\"") == std::string::npos) return answers;
    }
  };
  EXPECT_EQ(call(R"({"id":"a","member":"SetResCodePrintData","args":["0000"]})").back(), R"({"result":null,"id":"a"})");
  EXPECT_EQ(call(R"({"id":2,"member":"Nope"})").back(),
            R"({"error":{"code":"unknown-member","text":"KAVORIN_Web has no member \"Nope\""},"id":2})");
  EXPECT_EQ(call("not json").back(),
            R"({"error":{"code":"bad-request","text":"a message is {\"id\": ..., \"member\": \"...\", \"args\": [...]}"},"id":null})");
  const auto print = call(R"({"id":3,"member":"CreditAuthResultPrint"})");
  // The stored response code passed the check; the empty card number did not.
  EXPECT_THAT(print.back(), HasSubstr(R"("code":-2,"caption":"KAVORIN 데이터 설정 에러")"));
  const auto track = call(R"({"id":4,"member":"Track2Read"})");
  ASSERT_EQ(track.size(), 3u);
  EXPECT_EQ(track[0], R"({"progress":"단말기로의 서비스 요청 중.....","id":4})");
  EXPECT_EQ(track[2], R"({"result":0,"id":4})");

  // A socket from an unlisted page is refused at the handshake.
  EXPECT_THROW(Socket("http://evil.example"), beast::system_error);
}

TEST_F(BridgeServer, ConnectionsAndIdleTimeAreBounded) {
  Limits limits;
  limits.connections = 2;
  limits.idle = std::chrono::seconds(1);
  Start(limits);
  tcp::socket one = Connect();
  tcp::socket two = Connect();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  tcp::socket three = Connect();
  char byte;
  beast::error_code ec;
  three.read_some(net::buffer(&byte, 1), ec);
  EXPECT_EQ(ec, net::error::eof);
  // An idle connection is closed by the bridge (well within the test's time).
  one.read_some(net::buffer(&byte, 1), ec);
  EXPECT_TRUE(ec == net::error::eof || ec == net::error::connection_reset) << ec.message();
  EXPECT_THAT(Log(), ::testing::Contains("refused connection: too many open connections"));
}

}  // namespace
}  // namespace kavorin::bridge
