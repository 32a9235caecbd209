// How much the host adds to an exchange: a D1 with a response of about 200
// bytes against the simulator on a pty, bytes paced at 9600 baud.
//
//   host turn-around  from the terminal's last byte (its ACK; the end of
//                     its response) to the host's answer (the request; the
//                     ACK) reaching the terminal. A pty delivers at once, so
//                     this is the host's own reaction time.
//   exchange/wire     (wire time of every byte of the exchange at 9600 baud
//                     + the host's turn-arounds) / that wire time: what the
//                     host adds on a real line, apart from the 10 ms start
//                     timer before the ENQ and the terminal's own pauses
//
// Prints numbers; never fails on them.
#include <algorithm>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include "tests/e2e/loop_host.hpp"
#include "tools/catsim/terminal.hpp"

using namespace kavorin;
using namespace std::chrono;

namespace {

constexpr double kByteMicros = 10'000'000.0 / 9600;  // start, 8 data, stop bits

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::atoi(argv[1]) : 20;
  const auto root = std::filesystem::temp_directory_path() / ("kavorin-bench-exchange-" + std::to_string(::getpid()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "dosdevices");
  ::setenv("KAVORIN_CONFIG_DIR", root.c_str(), 1);

  std::mutex mutex;
  std::vector<catsim::WireEvent> events;
  catsim::TerminalOptions options;
  options.linkPath = (root / "dosdevices" / "com7").string();
  options.response.transaction[11] = std::string(100, 'N');  // notice
  options.response.transaction[13] = std::string(40, 'D');   // display
  options.onEvent = [&](const catsim::WireEvent& event) {
    std::lock_guard lock(mutex);
    events.push_back(event);
  };
  catsim::Terminal terminal(options);
  std::string error;
  if (!terminal.Start(error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }

  testing::LoopHost host;
  std::vector<double> ratios, ack_delays_us, overheads_ms;
  std::size_t response_bytes = 0;
  for (int i = 1; i <= exchanges; ++i) {
    {
      std::lock_guard lock(mutex);
      events.clear();
    }
    host.Open("COM7");
    host.Request(TextRequest::CreditAuth, {"", "4000123412341234=2812", "00", "1000", "0"});
    if (host.WaitFinal() != 0) {
      std::fprintf(stderr, "exchange %d failed\n", i);
      return 1;
    }
    const auto report = terminal.WaitExchange(i, seconds(10));
    if (!report) return 1;
    response_bytes = report->response.size();

    std::lock_guard lock(mutex);
    std::int64_t terminal_ack_at = -1, request_at = -1, last_response_byte_at = -1, ack_at = -1;
    std::size_t all_bytes = 0, terminal_bytes = 0;
    for (const auto& event : events) {
      all_bytes += event.kind == catsim::WireEvent::Kind::Note ? 0 : event.bytes.size();
      if (event.kind == catsim::WireEvent::Kind::FromTerminal) {
        terminal_bytes += event.bytes.size();
        if (terminal_bytes == 1) terminal_ack_at = event.microseconds;
        if (terminal_bytes == 1 + report->response.size()) last_response_byte_at = event.microseconds;
      } else if (event.kind == catsim::WireEvent::Kind::FromHost) {
        if (request_at < 0 && terminal_ack_at >= 0) request_at = event.microseconds;
        if (ack_at < 0 && last_response_byte_at >= 0) ack_at = event.microseconds;
      }
    }
    const double wire_us = static_cast<double>(all_bytes) * kByteMicros;
    const double turnaround_us = static_cast<double>((request_at - terminal_ack_at) + (ack_at - last_response_byte_at));
    ratios.push_back((wire_us + turnaround_us) / wire_us);
    overheads_ms.push_back(turnaround_us / 1000.0);
    ack_delays_us.push_back(static_cast<double>(ack_at - last_response_byte_at));
  }
  terminal.Stop();
  std::filesystem::remove_all(root);

  std::printf("exchanges: %d, response frame: %zu bytes\n", exchanges, response_bytes);
  std::printf("exchange/wire ratio: p50 %.4f  p99 %.4f  (target <= 1.02)\n", Percentile(ratios, 0.5),
              Percentile(ratios, 0.99));
  std::printf("host turn-arounds per exchange: p50 %.3f ms  p99 %.3f ms\n", Percentile(overheads_ms, 0.5),
              Percentile(overheads_ms, 0.99));
  std::printf("ack delay after the last response byte: p50 %.0f us  p99 %.0f us  (target <= 1000 us)\n",
              Percentile(ack_delays_us, 0.5), Percentile(ack_delays_us, 0.99));
  return 0;
}
