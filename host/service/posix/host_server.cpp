#include "host/service/posix/host_server.hpp"

#include <asio.hpp>
#include <set>

#include "contract/ipc_protocol.hpp"
#include "contract/posix/runtime_dir.hpp"
#include "host/service/terminal_service.hpp"

namespace kavorin {

using asio::local::stream_protocol;
using Clock = std::chrono::steady_clock;

namespace {

class Connection;

// What the connections share with the server. Each connection keeps it
// alive; Stop breaks the cycle by closing every connection.
struct ServerCore : std::enable_shared_from_this<ServerCore> {
  ServerCore(asio::io_context& loop, TerminalService& served) : acceptor(loop), service(served) {}

  void Accept();
  // A slot came free: accepting resumes if it had stopped for want of one.
  void SlotFreed();
  // Closes the connection that has waited longest for its next frame; false
  // when every connection is in the middle of one.
  bool EvictIdlest();

  stream_protocol::acceptor acceptor;
  TerminalService& service;
  std::set<std::shared_ptr<Connection>> live;
  std::function<void(const std::string&)> diagnostics;
  bool stopped = false;
  bool waiting_for_slot = false;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(stream_protocol::socket socket, std::shared_ptr<ServerCore> core)
      : socket_(std::move(socket)), deadline_(socket_.get_executor()), core_(std::move(core)) {}

  // The hello is due at once: a connection that says nothing holds a slot
  // for one frame deadline at most.
  void Start() { AwaitFrame(); }

  void Close() {
    if (closed_) return;
    closed_ = true;
    asio::error_code ignored;
    deadline_.cancel();
    socket_.close(ignored);
    const auto self = shared_from_this();
    core_->live.erase(self);
    core_->SlotFreed();
  }

  // Waiting for the first byte of its next call, since when.
  bool idle() const { return !in_frame_ && greeted_; }
  Clock::time_point idleSince() const { return idle_since_; }

 private:
  // Between frames only the idle limit applies; once a frame has begun, it
  // (and the answer to it) must be through within the frame deadline.
  void ArmDeadline(std::chrono::steady_clock::duration limit) {
    const unsigned generation = ++deadline_generation_;
    deadline_.expires_after(limit);
    deadline_.async_wait([self = shared_from_this(), generation](asio::error_code ec) {
      // A wait that was replaced may already be queued as expired.
      if (!ec && generation == self->deadline_generation_) self->Close();
    });
  }

  void AwaitFrame() {
    in_frame_ = false;
    idle_since_ = Clock::now();
    if (greeted_) {
      ArmDeadline(HostServer::kIdleTimeout);
    } else {
      ArmDeadline(HostServer::kFrameDeadline);
    }
    socket_.async_wait(stream_protocol::socket::wait_read, [self = shared_from_this()](asio::error_code ec) {
      if (ec) return self->Close();
      self->ReadHeader();
    });
  }

  void ReadHeader() {
    if (greeted_) ArmDeadline(HostServer::kFrameDeadline);
    in_frame_ = true;
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
    // ServiceTerminate may have stopped the server meanwhile; the answer
    // still goes out on this connection.
    Write(std::move(answer));
  }

  void Write(std::string answer) {
    reply_ = std::move(answer);
    asio::async_write(socket_, asio::buffer(reply_), [self = shared_from_this()](asio::error_code ec, std::size_t) {
      if (ec) return self->Close();
      self->reply_.clear();
      self->AwaitFrame();
    });
  }

  stream_protocol::socket socket_;
  asio::steady_timer deadline_;
  unsigned deadline_generation_ = 0;
  std::shared_ptr<ServerCore> core_;
  std::array<char, ipc::kHeaderBytes> header_{};
  std::string payload_;
  std::string reply_;
  bool greeted_ = false;
  bool in_frame_ = false;
  bool closed_ = false;
  Clock::time_point idle_since_ = Clock::now();
};

void ServerCore::Accept() {
  if (stopped) return;
  if (live.size() >= HostServer::kMaxConnections) {
    // Full: wait for a newcomer before making room, so that a slot is given
    // up only when someone needs it.
    acceptor.async_wait(stream_protocol::acceptor::wait_read, [self = shared_from_this()](asio::error_code ec) {
      if (ec || self->stopped) return;
      if (self->live.size() >= HostServer::kMaxConnections && !self->EvictIdlest()) {
        // Every slot is in the middle of a frame, each bounded by the frame
        // deadline: the newcomer waits in the backlog until one ends.
        self->waiting_for_slot = true;
        return;
      }
      self->Accept();
    });
    return;
  }
  acceptor.async_accept([self = shared_from_this()](asio::error_code ec, stream_protocol::socket socket) {
    if (self->stopped) return;
    if (!ec) {
      std::string refused;
      if (!CheckSocketPeer(socket.native_handle(), refused)) {
        if (self->diagnostics) self->diagnostics("refusing a client: " + refused);
        asio::error_code ignored;
        socket.close(ignored);
      } else {
        auto connection = std::make_shared<Connection>(std::move(socket), self);
        self->live.insert(connection);
        connection->Start();
      }
    }
    // Transient accept failures (EMFILE and the like) must not end serving.
    self->Accept();
  });
}

void ServerCore::SlotFreed() {
  if (!waiting_for_slot || stopped) return;
  waiting_for_slot = false;
  Accept();
}

bool ServerCore::EvictIdlest() {
  std::shared_ptr<Connection> idlest;
  for (const auto& connection : live) {
    if (connection->idle() && (!idlest || connection->idleSince() < idlest->idleSince())) idlest = connection;
  }
  if (!idlest) return false;
  idlest->Close();
  return true;
}

}  // namespace

struct HostServer::State : ServerCore {
  using ServerCore::ServerCore;
};

HostServer::HostServer(asio::io_context& loop, TerminalService& service)
    : state_(std::make_shared<State>(loop, service)) {}

HostServer::~HostServer() { Stop(); }

void HostServer::SetDiagnostics(std::function<void(const std::string&)> sink) {
  state_->diagnostics = std::move(sink);
}

bool HostServer::Listen(const std::string& socketPath, std::string& error) {
  if (!ClearSocketPath(socketPath, error)) return false;
  asio::error_code ec;
  const stream_protocol::endpoint endpoint(socketPath);
  state_->acceptor.open(endpoint.protocol(), ec);
  if (!ec) state_->acceptor.bind(endpoint, ec);
  if (!ec) state_->acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = "listen(" + socketPath + "): " + ec.message();
    return false;
  }
  state_->Accept();
  return true;
}

void HostServer::StopAccepting() {
  state_->stopped = true;
  asio::error_code ignored;
  state_->acceptor.close(ignored);
}

void HostServer::Stop() {
  StopAccepting();
  const auto live = state_->live;
  for (const auto& connection : live) connection->Close();
}

std::size_t HostServer::connectionCount() const { return state_->live.size(); }

}  // namespace kavorin
