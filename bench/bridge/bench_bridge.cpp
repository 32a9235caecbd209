// The web bridge as a page uses it: one getter (GetAuthNumber) through the
// real kavorin-web, its library and host, over HTTP keep-alive and over a
// WebSocket, against the same getter called straight into the library in
// this process; then the bridge's memory after the calls and its CPU while
// idle. Prints numbers; never fails on them.
//
//   build/linux/bin/bench_bridge [calls]   (default 10000 per transport)
#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "bench/process_stats.hpp"

namespace {

namespace fs = std::filesystem;
namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr const char* kOrigin = "http://till.local";

std::uint16_t FreePort() {
  net::io_context io;
  tcp::acceptor acceptor(io, tcp::endpoint(net::ip::make_address("127.0.0.1"), 0));
  return acceptor.local_endpoint().port();
}

struct Spread {
  double p50, p99, mean;
};

Spread Of(std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (double m : micros) sum += m;
  return {micros[micros.size() / 2], micros[micros.size() * 99 / 100], sum / static_cast<double>(micros.size())};
}

void Print(const char* what, const Spread& spread) {
  std::printf("%-34s p50 %8.1f us   p99 %8.1f us   mean %8.1f us\n", what, spread.p50, spread.p99, spread.mean);
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 10000;
  const fs::path root = fs::temp_directory_path() / ("kavorin-bench-bridge-" + std::to_string(::getpid()));
  fs::create_directories(root / "config");
  ::setenv("KAVORIN_CONFIG_DIR", (root / "config").c_str(), 1);
  ::setenv("KAVORIN_RUNTIME_DIR", (root / "run").c_str(), 1);
  const std::uint16_t port = FreePort();
  std::ofstream(root / "config" / "kavorin-web.conf") << "port=" << port << "\norigin=" << kOrigin << "\n";

  // The library, straight: it starts the host from its folder on first use.
  void* library = ::dlopen(KAVORIN_BIN_DIR "/libKAVORIN_Ctl.so", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "bench_bridge: %s\n", ::dlerror());
    return 1;
  }
  using Getter = int (*)(char*);
  const auto getAuthNumber = reinterpret_cast<Getter>(::dlsym(library, "KAVORIN_GetAuthNumber"));
  std::vector<char> buffer(8192);
  getAuthNumber(buffer.data());  // starts the host
  std::vector<double> direct;
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    getAuthNumber(buffer.data());
    direct.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }

  const pid_t bridge = ::fork();
  if (bridge == 0) {
    ::freopen((root / "bridge.log").c_str(), "w", stderr);
    ::execl(KAVORIN_BIN_DIR "/kavorin-web", "kavorin-web", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  net::io_context io;
  tcp::socket socket(io);
  for (int i = 0; i < 500; ++i) {
    beast::error_code ec;
    socket.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port), ec);
    if (!ec) break;
    socket = tcp::socket(io);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const long rssStart = kavorin::bench::ReadStatusKb(bridge, "VmRSS:");

  http::request<http::string_body> request(http::verb::post, "/call/GetAuthNumber", 11);
  request.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  request.set(http::field::origin, kOrigin);
  request.keep_alive(true);
  request.prepare_payload();
  std::vector<double> overHttp;
  beast::flat_buffer readBuffer;
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    http::write(socket, request);
    http::response<http::string_body> response;
    http::read(socket, readBuffer, response);
    overHttp.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }

  websocket::stream<tcp::socket> ws(io);
  ws.next_layer().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
  ws.set_option(websocket::stream_base::decorator(
      [](websocket::request_type& upgrade) { upgrade.set(http::field::origin, kOrigin); }));
  ws.handshake("127.0.0.1:" + std::to_string(port), "/ws");
  const std::string message = R"({"id":1,"member":"GetAuthNumber"})";
  std::vector<double> overSocket;
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    ws.write(net::buffer(message));
    beast::flat_buffer answer;
    ws.read(answer);
    overSocket.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  const long rssAfter = kavorin::bench::ReadStatusKb(bridge, "VmRSS:");
  const long rssPeak = kavorin::bench::ReadStatusKb(bridge, "VmHWM:");

  // Idle: connections open, nothing asked.
  const long ticksBefore = kavorin::bench::CpuTicks(bridge);
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const long ticksIdle = kavorin::bench::CpuTicks(bridge) - ticksBefore;

  std::printf("GetAuthNumber, %d calls each (host running, no port open: the library's -1 path)\n", calls);
  const Spread straight = Of(direct);
  const Spread http = Of(overHttp);
  const Spread socketSpread = Of(overSocket);
  Print("library call in process", straight);
  Print("bridge, HTTP keep-alive", http);
  Print("bridge, WebSocket", socketSpread);
  std::printf("bridge overhead at p50: HTTP %.1f us (x%.2f), WebSocket %.1f us (x%.2f)\n", http.p50 - straight.p50,
              http.p50 / straight.p50, socketSpread.p50 - straight.p50, socketSpread.p50 / straight.p50);
  std::printf("bridge RSS: %ld KiB at start, %ld KiB after %d calls (peak %ld KiB)\n", rssStart, rssAfter,
              2 * calls, rssPeak);
  std::printf("bridge idle CPU over 10 s: %ld ticks (of %ld a second)\n", ticksIdle, ::sysconf(_SC_CLK_TCK));

  ws.close(websocket::close_code::normal);
  ::kill(bridge, SIGTERM);
  ::waitpid(bridge, nullptr, 0);
  using NoArgs = int (*)();
  reinterpret_cast<NoArgs>(::dlsym(library, "KAVORIN_ServiceTerminate"))();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  fs::remove_all(root);
  return 0;
}
