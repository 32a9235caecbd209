#include "host/service/posix/host_server.hpp"

#include <asio.hpp>
#include <set>

#include "host/service/ipc_protocol.hpp"
#include "host/service/terminal_service.hpp"

namespace kavorin {

using asio::local::stream_protocol;

namespace {

class Connection;

// What the connections share with the server. Each connection keeps it
// alive; Stop breaks the cycle by closing every connection.
struct ServerCore {
  ServerCore(asio::io_context& loop, TerminalService& served) : acceptor(loop), service(served) {}
  stream_protocol::acceptor acceptor;
  TerminalService& service;
  std::set<std::shared_ptr<Connection>> live;
  bool stopped = false;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(stream_protocol::socket socket, std::shared_ptr<ServerCore> core)
      : socket_(std::move(socket)), idle_(socket_.get_executor()), core_(std::move(core)) {}

  void Start() { ReadHeader(); }

  void Close() {
    asio::error_code ignored;
    idle_.cancel();
    socket_.close(ignored);
    core_->live.erase(shared_from_this());
  }

 private:
  void ArmIdle() {
    idle_.expires_after(HostServer::kIdleTimeout);
    idle_.async_wait([self = shared_from_this()](asio::error_code ec) {
      if (!ec) self->Close();
    });
  }

  void ReadHeader() {
    ArmIdle();
    asio::async_read(socket_, asio::buffer(header_), [self = shared_from_this()](asio::error_code ec, std::size_t) {
      if (ec) return self->Close();
      const auto size = ipc::PayloadLength({self->header_.data(), self->header_.size()});
      if (!size) return self->Close();
      self->payload_.assign(*size, '\0');
      self->ReadPayload();
    });
  }

  void ReadPayload() {
    asio::async_read(socket_, asio::buffer(payload_), [self = shared_from_this()](asio::error_code ec, std::size_t) {
      if (ec) return self->Close();
      self->Handle();
    });
  }

  void Handle() {
    std::string answer;
    if (!greeted_) {
      const auto version = ipc::DecodeHello(payload_);
      if (!version || *version != ipc::kVersion) return Close();
      greeted_ = true;
      answer = ipc::EncodeWelcome();
    } else {
      const auto call = ipc::DecodeCall(payload_);
      if (!call) return Close();
      answer = ipc::EncodeReply(core_->service.Invoke(call->dispid, call->args));
    }
    payload_.clear();
    payload_.shrink_to_fit();
    Write(std::move(answer));
  }

  void Write(std::string answer) {
    reply_ = std::move(answer);
    asio::async_write(socket_, asio::buffer(reply_), [self = shared_from_this()](asio::error_code ec, std::size_t) {
      if (ec) return self->Close();
      self->reply_.clear();
      self->ReadHeader();
    });
  }

  stream_protocol::socket socket_;
  asio::steady_timer idle_;
  std::shared_ptr<ServerCore> core_;
  std::array<char, ipc::kHeaderBytes> header_{};
  std::string payload_;
  std::string reply_;
  bool greeted_ = false;
};

}  // namespace

struct HostServer::State : ServerCore {
  using ServerCore::ServerCore;

  void Accept(const std::shared_ptr<State>& self) {
    acceptor.async_accept([self](asio::error_code ec, stream_protocol::socket socket) {
      if (self->stopped) return;
      if (!ec) {
        if (self->live.size() >= kMaxConnections) {
          asio::error_code ignored;
          socket.close(ignored);
        } else {
          auto connection = std::make_shared<Connection>(std::move(socket), self);
          self->live.insert(connection);
          connection->Start();
        }
      }
      // Transient accept failures (EMFILE and the like) must not end serving.
      self->Accept(self);
    });
  }
};

HostServer::HostServer(asio::io_context& loop, TerminalService& service)
    : state_(std::make_shared<State>(loop, service)) {}

HostServer::~HostServer() { Stop(); }

bool HostServer::Listen(const std::string& socketPath, std::string& error) {
  ::unlink(socketPath.c_str());
  asio::error_code ec;
  const stream_protocol::endpoint endpoint(socketPath);
  state_->acceptor.open(endpoint.protocol(), ec);
  if (!ec) state_->acceptor.bind(endpoint, ec);
  if (!ec) state_->acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = "listen(" + socketPath + "): " + ec.message();
    return false;
  }
  state_->Accept(state_);
  return true;
}

void HostServer::Stop() {
  state_->stopped = true;
  asio::error_code ignored;
  state_->acceptor.close(ignored);
  const auto live = state_->live;
  for (const auto& connection : live) connection->Close();
}

std::size_t HostServer::connectionCount() const { return state_->live.size(); }

}  // namespace kavorin
