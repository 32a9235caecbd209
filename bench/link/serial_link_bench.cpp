// How fast the termios channel moves bytes through a pty and the loop, how
// long a whole exchange with the simulator takes, and how closely the
// simulator keeps to the line's byte time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <string>
#include <vector>

#include "host/link/serial_posix.hpp"
#include "tools/catsim/terminal.hpp"
#include "tools/catsim/wire.hpp"

namespace {

using namespace std::chrono_literals;

class Collect : public kavorin::SerialSink {
 public:
  bool QueueReceived(std::span<const std::uint8_t> batch) override {
    bytes.append(batch.begin(), batch.end());
    return true;
  }
  void DataArrived() override {}
  std::string bytes;
};

void RunUntil(asio::io_context& loop, const std::function<bool()>& done) {
  auto until = std::chrono::steady_clock::now() + 10s;
  while (!done() && std::chrono::steady_clock::now() < until) {
    loop.restart();
    loop.run_one_for(5ms);
  }
}

// Host writes n bytes, the far end echoes them, the host's loop receives.
void BM_PtyEchoRoundTrip(benchmark::State& state) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ::grantpt(master);
  ::unlockpt(master);
  char name[128];
  ::ptsname_r(master, name, sizeof name);
  asio::io_context loop;
  kavorin::SerialChannel channel(loop);
  Collect sink;
  if (!channel.Open(name, kavorin::LineSettings{}, sink)) {
    state.SkipWithError(channel.LastError().c_str());
    return;
  }
  const auto size = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> data(size, 'x');
  std::vector<char> echo(size);
  for (auto _ : state) {
    sink.bytes.clear();
    channel.Send(data);
    std::size_t got = 0;
    while (got < size) {
      pollfd p{master, POLLIN, 0};
      ::poll(&p, 1, 1000);
      ssize_t n = ::read(master, echo.data() + got, size - got);
      if (n > 0) got += static_cast<std::size_t>(n);
    }
    (void)::write(master, echo.data(), size);
    RunUntil(loop, [&] { return sink.bytes.size() >= size; });
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size * 2));
  channel.Close();
  ::close(master);
}
BENCHMARK(BM_PtyEchoRoundTrip)->Arg(1)->Arg(64)->Arg(1024)->Unit(benchmark::kMicrosecond);

// ENQ .. EOT of a credit approval against the simulator, unpaced or at 9600.
void BM_CatsimCreditExchange(benchmark::State& state) {
  catsim::TerminalOptions options;
  options.pacing = state.range(0) != 0;
  catsim::Terminal terminal(options);
  std::string error;
  if (!terminal.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  asio::io_context loop;
  kavorin::SerialChannel channel(loop);
  Collect sink;
  const std::string request = catsim::TextFrame("D1", {"A9410123456781234=3012", "00", "1004", "0"});
  auto send = [&](std::string_view bytes) {
    channel.Send(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  };
  std::size_t responseBytes = 0;
  for (auto _ : state) {
    channel.Open(terminal.PortPath(), kavorin::LineSettings{}, sink);
    sink.bytes.clear();
    send(std::string(1, catsim::kEnq));
    RunUntil(loop, [&] { return !sink.bytes.empty(); });
    send(request);
    RunUntil(loop, [&] { return sink.bytes.size() > 3 && sink.bytes[sink.bytes.size() - 2] == catsim::kEtx; });
    responseBytes = sink.bytes.size() - 1;
    send(std::string(1, catsim::kAck));
    RunUntil(loop, [&] { return sink.bytes.back() == catsim::kEot; });
    channel.Close();
  }
  state.counters["response_bytes"] = static_cast<double>(responseBytes);
  terminal.Stop();
}
BENCHMARK(BM_CatsimCreditExchange)->ArgName("paced")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Time per byte of a paced response as the host sees it, against the
// nominal 10 bits a byte at 9600 baud (1041.7 us).
void BM_CatsimPacing(benchmark::State& state) {
  catsim::TerminalOptions options;
  options.pacing = true;
  options.baud = static_cast<int>(state.range(0));
  options.response.transaction[11] = std::string(400, 'N');  // a long notice: a long response
  catsim::Terminal terminal(options);
  std::string error;
  if (!terminal.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  asio::io_context loop;
  kavorin::SerialChannel channel(loop);
  Collect sink;
  const std::string request = catsim::TextFrame("D1", {"A", "00", "1004", "0"});
  double worst = 0, total = 0;
  std::size_t samples = 0;
  for (auto _ : state) {
    channel.Open(terminal.PortPath(), kavorin::LineSettings{}, sink);
    sink.bytes.clear();
    channel.Send(std::vector<std::uint8_t>{0x05});
    RunUntil(loop, [&] { return !sink.bytes.empty(); });
    channel.Send(std::span(reinterpret_cast<const std::uint8_t*>(request.data()), request.size()));
    RunUntil(loop, [&] { return sink.bytes.size() > 1 && sink.bytes[1] == catsim::kStx; });
    auto first = std::chrono::steady_clock::now();
    std::size_t start = sink.bytes.size();
    RunUntil(loop, [&] { return sink.bytes.size() > 3 && sink.bytes[sink.bytes.size() - 2] == catsim::kEtx; });
    auto last = std::chrono::steady_clock::now();
    double perByte = std::chrono::duration<double, std::micro>(last - first).count() /
                     static_cast<double>(sink.bytes.size() - start);
    total += perByte;
    worst = std::max(worst, perByte);
    ++samples;
    channel.Send(std::vector<std::uint8_t>{0x06});
    RunUntil(loop, [&] { return sink.bytes.back() == catsim::kEot; });
    channel.Close();
  }
  state.counters["us_per_byte"] = total / static_cast<double>(samples);
  state.counters["worst_us_per_byte"] = worst;
  state.counters["nominal_us_per_byte"] = 10e6 / static_cast<double>(state.range(0));
  terminal.Stop();
}
BENCHMARK(BM_CatsimPacing)->ArgName("baud")->Arg(9600)->Arg(115200)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
