#include "web/bridge/server.hpp"

#include <chrono>
#include <deque>
#include <optional>
#include <sstream>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

namespace kavorin::bridge {
namespace net = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace json = boost::json;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

struct Server::Shared {
  Shared(const Settings& settings, web::LibraryBinding binding, LogLine logLine, net::io_context& serverIo)
      : router(settings, binding), log(std::move(logLine)), io(serverIo) {
    worker = std::thread([this] { workerIo.run(); });
  }
  ~Shared() {
    workGuard.reset();
    workerIo.stop();
    if (worker.joinable()) worker.join();
  }
  const Limits& limits() const { return router.settings().limits; }

  // Runs `call` on the worker; `progress` and `done` come back on the io thread.
  void RunCall(std::shared_ptr<PageControl> page, MemberCall call, std::function<void(std::string)> progress,
               std::function<void(json::object)> done) {
    net::post(workerIo, [this, page = std::move(page), call = std::move(call), progress = std::move(progress),
                         done = std::move(done)]() mutable {
      const auto start = Clock::now();
      const ProgressSink sink = [&](std::string_view line) {
        net::post(io, [progress, text = std::string(line)] { progress(text); });
      };
      json::object outcome = page->Run(call, sink);
      const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
      log(CallLogLine(call.member->name, outcome, took));
      gate.Leave();
      net::post(io, [done = std::move(done), outcome = std::move(outcome)]() mutable { done(std::move(outcome)); });
    });
  }

  Router router;
  LogLine log;
  net::io_context& io;
  ExchangeGate gate;
  std::size_t connections = 0;  // io thread only
  net::io_context workerIo;
  net::executor_work_guard<net::io_context::executor_type> workGuard = net::make_work_guard(workerIo);
  std::thread worker;
};

namespace {

CallError BusyError() {
  return {errors::kBusy, "the terminal is busy with another call; try again when it has ended"};
}

// Counts an open connection for as long as a session holds it.
class ConnectionSlot {
 public:
  explicit ConnectionSlot(std::shared_ptr<Server::Shared> shared) : shared_(std::move(shared)) { ++shared_->connections; }
  ~ConnectionSlot() { --shared_->connections; }
  Server::Shared& operator*() const { return *shared_; }
  Server::Shared* operator->() const { return shared_.get(); }
  const std::shared_ptr<Server::Shared>& get() const { return shared_; }

 private:
  std::shared_ptr<Server::Shared> shared_;
};

std::string Sanitized(std::string_view text) {
  std::string out;
  for (char c : text.substr(0, 200)) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  return out;
}

// One WebSocket: one page, one control object; calls one at a time.
class SocketSession : public std::enable_shared_from_this<SocketSession> {
 public:
  SocketSession(tcp::socket socket, std::shared_ptr<Server::Shared> shared)
      : slot_(std::move(shared)), ws_(std::move(socket)), page_(slot_->router.NewPage()) {}

  void Start(Request request) {
    beast::get_lowest_layer(ws_).expires_never();
    websocket::stream_base::timeout timeout{std::chrono::seconds(10), slot_->limits().socketIdle, true};
    ws_.set_option(timeout);
    ws_.read_message_max(slot_->limits().bodyBytes);
    ws_.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
      if (!ec) self->Read();
    });
  }

 private:
  void Read() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) {
        if (ec == websocket::error::message_too_big) self->slot_->log("refused WebSocket message: too-large");
        return;
      }
      self->OnMessage(beast::buffers_to_string(self->buffer_.data()));
      self->buffer_.consume(self->buffer_.size());
      self->Read();
    });
  }

  void OnMessage(const std::string& text) {
    boost::system::error_code ec;
    const json::value message = json::parse(text, ec);
    json::value id = nullptr;
    if (!ec && message.is_object()) {
      if (const json::value* given = message.get_object().if_contains("id")) id = *given;
    }
    auto reply = [this, id](json::object body) {
      body["id"] = id;
      Send(json::serialize(body));
    };
    const json::value* member = !ec && message.is_object() ? message.get_object().if_contains("member") : nullptr;
    if (member == nullptr || !member->is_string()) {
      reply(ErrorJson({errors::kBadRequest, "a message is {\"id\": ..., \"member\": \"...\", \"args\": [...]}"}));
      slot_->log("refused WebSocket call: bad-request");
      return;
    }
    CallError error;
    std::optional<MemberCall> call =
        ReadCall(std::string_view(member->get_string()), message.get_object().if_contains("args"), error);
    if (!call) {
      reply(ErrorJson(error));
      slot_->log("refused WebSocket call " + Sanitized(member->get_string()) + ": " + error.code);
      return;
    }
    if (!slot_->gate.TryEnter()) {
      reply(ErrorJson(BusyError()));
      slot_->log("refused WebSocket call " + std::string(call->member->name) + ": busy");
      return;
    }
    auto self = shared_from_this();
    slot_->RunCall(
        page_, std::move(*call),
        [self, reply](std::string line) { reply(json::object{{"progress", line}}); },
        [self, reply](json::object outcome) { reply(std::move(outcome)); });
  }

  void Send(std::string text) {
    queue_.push_back(std::move(text));
    if (queue_.size() == 1) WriteNext();
  }

  void WriteNext() {
    ws_.text(true);
    ws_.async_write(net::buffer(queue_.front()), [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return;
      self->queue_.pop_front();
      if (!self->queue_.empty()) self->WriteNext();
    });
  }

  ConnectionSlot slot_;
  websocket::stream<beast::tcp_stream> ws_;
  beast::flat_buffer buffer_;
  std::shared_ptr<PageControl> page_;
  std::deque<std::string> queue_;
};

// One HTTP connection: requests in turn; a call's answer streams its
// progress lines (chunked) when there are any.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(tcp::socket socket, std::shared_ptr<Server::Shared> shared)
      : slot_(std::move(shared)), stream_(std::move(socket)) {}

  void Start() { Read(); }

 private:
  void Read() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(slot_->limits().headerBytes));
    parser_->body_limit(slot_->limits().bodyBytes);
    stream_.expires_after(slot_->limits().idle);
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      self->OnRead(ec);
    });
  }

  void OnRead(beast::error_code ec) {
    if (ec == http::error::body_limit || ec == http::error::header_limit) {
      slot_->log("refused request: too-large");
      Response response = Router::JsonAnswer(
          http::status::payload_too_large,
          ErrorJson({errors::kTooLarge, "the request is larger than the bridge takes"}), "", 11, false);
      Write(Serialize(response), true);
      return;
    }
    if (ec) return;  // closed, timed out or malformed: nothing was done
    Request request = parser_->release();
    Routed routed = slot_->router.Route(request);
    const std::string what = std::string(request.method_string()) + " " + Sanitized(request.target());
    if (!routed.refusal.empty()) {
      slot_->log("refused " + what + ": " + routed.refusal +
                 (routed.refusal == errors::kOriginRefused ? " (Origin \"" + Sanitized(request[http::field::origin]) + "\")"
                  : routed.refusal == errors::kHostRefused ? " (Host \"" + Sanitized(request[http::field::host]) + "\")"
                                                           : std::string()));
    }
    switch (routed.action) {
      case Routed::Respond: {
        const bool close = !routed.response.keep_alive();
        Write(Serialize(routed.response), close);
        return;
      }
      case Routed::Upgrade:
        if (websocket::is_upgrade(request)) {
          std::make_shared<SocketSession>(stream_.release_socket(), slot_.get())->Start(std::move(request));
        } else {
          Write(Serialize(Router::JsonAnswer(http::status::bad_request,
                                             ErrorJson({errors::kBadRequest, "/ws takes a WebSocket upgrade"}), "",
                                             request.version(), false)),
                true);
        }
        return;
      case Routed::Call: StartCall(std::move(routed)); return;
    }
  }

  void StartCall(Routed routed) {
    callHeaders_ = std::move(routed.response);
    const bool keepAlive = callHeaders_.keep_alive();
    if (!slot_->gate.TryEnter()) {
      slot_->log("refused call " + std::string(routed.call.member->name) + ": busy");
      Response busy = Router::JsonAnswer(http::status::conflict, ErrorJson(BusyError()),
                                         std::string(callHeaders_[http::field::access_control_allow_origin]),
                                         callHeaders_.version(), keepAlive);
      Write(Serialize(busy), !keepAlive);
      return;
    }
    streaming_ = false;
    auto self = shared_from_this();
    slot_->RunCall(
        std::move(routed.page), std::move(routed.call),
        [self](std::string line) { self->Progress(line); },
        [self, keepAlive](json::object outcome) { self->Finish(std::move(outcome), keepAlive); });
  }

  static std::string Chunk(const std::string& data) {
    std::ostringstream out;
    out << std::hex << data.size() << "\r\n" << data << "\r\n";
    return out.str();
  }

  void Progress(const std::string& line) {
    if (!streaming_) {
      // The first progress line decides: the answer streams, chunk by chunk.
      streaming_ = true;
      http::response<http::empty_body> head(http::status::ok, callHeaders_.version());
      for (const auto& field : callHeaders_.base()) head.set(field.name_string(), field.value());
      head.erase(http::field::content_length);
      head.chunked(true);
      std::ostringstream out;
      out << head.base();
      Write(out.str(), false, false);
    }
    Write(Chunk(json::serialize(json::object{{"progress", line}}) + "\n"), false, false);
  }

  void Finish(json::object outcome, bool keepAlive) {
    const std::string line = json::serialize(outcome) + "\n";
    if (streaming_) {
      Write(Chunk(line) + "0\r\n\r\n", !keepAlive);
    } else {
      callHeaders_.body() = line;
      callHeaders_.prepare_payload();
      Write(Serialize(callHeaders_), !keepAlive);
    }
  }

  static std::string Serialize(const Response& response) {
    std::ostringstream out;
    out << response;
    return out.str();
  }

  // Queues bytes; `last` ends this answer (then the next request is read,
  // or the connection closed when `close`).
  void Write(std::string bytes, bool close, bool last = true) {
    queue_.push_back({std::move(bytes), last, close});
    if (queue_.size() == 1) WriteNext();
  }

  void WriteNext() {
    stream_.expires_after(slot_->limits().idle);
    net::async_write(stream_, net::buffer(queue_.front().bytes),
                     [self = shared_from_this()](beast::error_code ec, std::size_t) {
                       if (ec) return;
                       const Pending done = std::move(self->queue_.front());
                       self->queue_.pop_front();
                       if (!self->queue_.empty()) {
                         self->WriteNext();
                       } else if (done.last && done.close) {
                         beast::error_code ignored;
                         self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                       } else if (done.last) {
                         self->Read();
                       }
                     });
  }

  struct Pending {
    std::string bytes;
    bool last;
    bool close;
  };

  ConnectionSlot slot_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  Response callHeaders_;
  bool streaming_ = false;
  std::deque<Pending> queue_;
};

}  // namespace

Server::Server(const Settings& settings, web::LibraryBinding binding, LogLine log)
    : shared_(std::make_shared<Shared>(settings, binding, std::move(log), io_)), port_(settings.port) {}

Server::~Server() = default;

bool Server::Listen(std::string& error) {
  for (const std::string& text : shared_->router.settings().addresses) {
    if (text != "127.0.0.1" && text != "::1") {
      error = "refusing to listen on " + text + ": the bridge listens on 127.0.0.1 and ::1 only";
      return false;
    }
    beast::error_code ec;
    const tcp::endpoint endpoint(net::ip::make_address(text), port_);
    auto acceptor = std::make_unique<tcp::acceptor>(io_);
    acceptor->open(endpoint.protocol(), ec);
    if (!ec && endpoint.address().is_v6()) acceptor->set_option(net::ip::v6_only(true), ec);
    if (!ec) acceptor->set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor->bind(endpoint, ec);
    if (!ec) acceptor->listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
      // A machine without IPv6 still serves on 127.0.0.1.
      if (endpoint.address().is_v6() && (ec == net::error::address_family_not_supported ||
                                         ec == std::errc::address_not_available)) {
        shared_->log("not listening on ::1: " + ec.message());
        continue;
      }
      error = "cannot listen on " + text + " port " + std::to_string(port_) + ": " + ec.message();
      return false;
    }
    port_ = acceptor->local_endpoint().port();
    acceptors_.push_back(std::move(acceptor));
  }
  if (acceptors_.empty()) {
    error = "no address to listen on";
    return false;
  }
  shared_->router.BoundTo(port_);
  for (auto& acceptor : acceptors_) Accept(*acceptor);
  return true;
}

void Server::Accept(tcp::acceptor& acceptor) {
  acceptor.async_accept([this, &acceptor](beast::error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted) return;
    if (!ec) {
      if (shared_->connections >= shared_->limits().connections) {
        shared_->log("refused connection: too many open connections");
        beast::error_code ignored;
        socket.close(ignored);
      } else {
        std::make_shared<HttpSession>(std::move(socket), shared_)->Start();
      }
    }
    Accept(acceptor);
  });
}

void Server::Run() { io_.run(); }

void Server::Stop() {
  net::post(io_, [this] {
    for (auto& acceptor : acceptors_) {
      beast::error_code ignored;
      acceptor->close(ignored);
    }
    io_.stop();
  });
}

}  // namespace kavorin::bridge
