#pragma once
// The web bridge as a user installs it: kavorin-web, libKAVORIN_Ctl.so and
// KAVORIN in one folder, the terminal simulated on a pty as COM7, the
// bridge's settings in the configuration folder; and a small web server for
// test pages, whose reports the test reads back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>

#include "contract/posix/runtime_dir.hpp"
#include "tests/e2e/pty_rig.hpp"

namespace kavorin::testing {

namespace fs = std::filesystem;
namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using namespace std::chrono_literals;

inline std::uint16_t FreeLoopbackPort() {
  net::io_context io;
  tcp::acceptor acceptor(io, tcp::endpoint(net::ip::make_address("127.0.0.1"), 0));
  return acceptor.local_endpoint().port();
}

inline bool Accepts(std::uint16_t port) {
  net::io_context io;
  tcp::socket socket(io);
  beast::error_code ec;
  socket.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port), ec);
  return !ec;
}

// A child process in its own process group, its output in a file; ended
// (the whole group) with the object.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const fs::path& output) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      std::FILE* out = std::fopen(output.c_str(), "w");
      if (out != nullptr) {
        ::dup2(::fileno(out), 1);
        ::dup2(::fileno(out), 2);
      }
      std::vector<char*> args;
      for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::setpgid(pid_, pid_);
  }
  ~Child() { End(SIGKILL); }
  // Ends the process (`signal` first, 0 to let it end by itself, for up to
  // 5 s), then its group; its exit code, or -1 when it did not exit itself.
  int End(int signal = SIGTERM) {
    if (pid_ <= 0) return -1;
    if (signal != 0) ::kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    int status = 0;
    int code = -1;
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        break;
      }
      std::this_thread::sleep_for(10ms);
    }
    ::kill(-pid_, SIGKILL);
    if (code == -1 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return code;
  }
  bool Running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

class BridgeRig {
 public:
  BridgeRig(const std::string& name, catsim::TerminalOptions options, const std::vector<std::string>& origins)
      : rig(name, std::move(options)), port(FreeLoopbackPort()) {
    install = rig.root / "install";
    fs::create_directories(install);
    for (const char* file : {KAVORIN_WEB_PATH, KAVORIN_CTL_PATH, KAVORIN_HOST_PATH}) {
      fs::copy_file(file, install / fs::path(file).filename(), fs::copy_options::overwrite_existing);
    }
    std::ofstream(install / "kavorin.ini") << "[General]\r\nCOM_Port=COM7\r\n";
    std::ofstream settings(rig.root / "config" / "kavorin-web.conf");
    settings << "port=" << port << "\n";
    for (const std::string& origin : origins) settings << "origin=" << origin << "\n";
  }
  ~BridgeRig() {
    bridge.reset();
    // The library started the host detached: end it by the pid its lock names.
    const auto paths = DefaultRuntimePaths();
    pid_t pid = 0;
    std::ifstream(paths.lock) >> pid;
    if (pid > 0) ::kill(pid, SIGTERM);
    const auto gone = std::chrono::steady_clock::now() + 10s;
    while (fs::exists(paths.lock) && std::chrono::steady_clock::now() < gone) std::this_thread::sleep_for(20ms);
  }

  bool Start() {
    bridge = std::make_unique<Child>(std::vector<std::string>{(install / "kavorin-web").string()}, rig.root / "bridge.log");
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!Accepts(port)) {
      if (std::chrono::steady_clock::now() > deadline || !bridge->Running()) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  std::string Log() const {
    std::ifstream in(rig.root / "bridge.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port); }

  PtyRig rig;
  std::uint16_t port;
  fs::path install;
  std::unique_ptr<Child> bridge;
};

// Serves one page at "/" and takes the page's report at POST /report.
class PageServer {
 public:
  explicit PageServer(std::string page) : page_(std::move(page)), acceptor_(io_, {net::ip::make_address("127.0.0.1"), 0}) {
    Accept();
    thread_ = std::thread([this] { io_.run(); });
  }
  ~PageServer() {
    io_.stop();
    thread_.join();
  }
  std::string Origin() const { return "http://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port()); }

  std::optional<std::string> WaitReport(std::chrono::seconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return report_.has_value(); })) return std::nullopt;
    return report_;
  }

 private:
  // Each connection on its own: a browser opens spare connections it may
  // never send on.
  struct Exchange {
    explicit Exchange(tcp::socket s) : socket(std::move(s)) {}
    tcp::socket socket;
    beast::flat_buffer buffer;
    http::request<http::string_body> request;
    http::response<http::string_body> response;
  };

  void Accept() {
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
      if (ec) return;
      auto exchange = std::make_shared<Exchange>(std::move(socket));
      http::async_read(exchange->socket, exchange->buffer, exchange->request,
                       [this, exchange](beast::error_code read_ec, std::size_t) {
                         if (!read_ec) Answer(exchange);
                       });
      Accept();
    });
  }

  void Answer(const std::shared_ptr<Exchange>& exchange) {
    const auto& request = exchange->request;
    auto& response = exchange->response;
    response.version(request.version());
    response.result(http::status::ok);
    if (request.method() == http::verb::post && request.target() == "/report") {
      const std::lock_guard lock(mutex_);
      report_ = request.body();
      changed_.notify_all();
    } else if (request.target().starts_with("/?") || request.target() == "/") {
      response.set(http::field::content_type, "text/html; charset=utf-8");
      response.body() = page_;
    } else {
      response.result(http::status::not_found);
    }
    response.keep_alive(false);
    response.prepare_payload();
    http::async_write(exchange->socket, response, [exchange](beast::error_code, std::size_t) {});
  }

  std::string page_;
  net::io_context io_;
  tcp::acceptor acceptor_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::string> report_;
};

}  // namespace kavorin::testing
