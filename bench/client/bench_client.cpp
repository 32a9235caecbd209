// The client library end to end: a whole D1 transaction through the C
// exports (COMCreate, CreditAuth, StatusCheck polled every 2 ms, the 16
// result getters) against the simulator on a pty at 9600 baud, divided by
// the wire time of the exchange's bytes; and one getter export as a multiple
// of the same getter on a held connection and of a raw socket round trip.
// Prints numbers; never fails on them.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/socket_floor.hpp"
#include "client/api/include/KAVORIN_Ctl.h"
#include "contract/posix/host_client.hpp"
#include "contract/posix/runtime_dir.hpp"
#include "tools/catsim/terminal.hpp"

using namespace std::chrono;

namespace {

constexpr double kByteMicros = 10'000'000.0 / 9600;

using kavorin::bench::Percentile;

// GetAuthAmount, the getter the export below calls.
constexpr int kGetterDispid = 23;

int (*const kGetters[])(char*) = {
    KAVORIN_GetResponseCode,   KAVORIN_GetCardNumber,         KAVORIN_GetInstallmentData,
    KAVORIN_GetAuthTime,       KAVORIN_GetBeforeAuthDate,     KAVORIN_GetAuthAmount,
    KAVORIN_GetAuthNumber,     KAVORIN_GetIssuerCode,         KAVORIN_GetMemberNumber,
    KAVORIN_GetDDCFlag,        KAVORIN_GetNotice,             KAVORIN_GetAcquireCode,
    KAVORIN_GetDisplayData,    KAVORIN_GetAnnounceData,       KAVORIN_GetCashReceiptAuthNumber,
    KAVORIN_GetCashReceiptAnnounceData,
};

}  // namespace

int main(int argc, char** argv) {
  const int transactions = argc > 1 ? std::atoi(argv[1]) : 10;
  const auto root = std::filesystem::temp_directory_path() / ("kavorin-bench-client-" + std::to_string(::getpid()));
  std::filesystem::create_directories(root / "config" / "dosdevices");
  ::setenv("KAVORIN_CONFIG_DIR", (root / "config").c_str(), 1);
  ::setenv("KAVORIN_RUNTIME_DIR", (root / "run").c_str(), 1);

  catsim::TerminalOptions options;
  options.linkPath = (root / "config" / "dosdevices" / "com7").string();
  catsim::Terminal terminal(options);
  std::string error;
  if (!terminal.Start(error) || KAVORIN_SetRegCOMPort("COM7") != 0) {
    std::fprintf(stderr, "setup failed: %s\n", error.c_str());
    return 1;
  }

  std::vector<double> ratios, totals_ms;
  for (int i = 1; i <= transactions; ++i) {
    const auto start = steady_clock::now();
    if (KAVORIN_COMCreate() != 0 || KAVORIN_CreditAuth("", "9410123412341234=2812", "00", "1004", "0") != 0) {
      std::fprintf(stderr, "transaction %d did not start\n", i);
      return 1;
    }
    int status = KAVORIN_StatusCheck();
    while (status > 0) {
      std::this_thread::sleep_for(milliseconds(2));
      status = KAVORIN_StatusCheck();
    }
    char buffer[8192];
    for (auto getter : kGetters) getter(buffer);
    const double total_us = duration<double, std::micro>(steady_clock::now() - start).count();
    const auto report = terminal.WaitExchange(i, seconds(10));
    if (status != 0 || !report) {
      std::fprintf(stderr, "transaction %d ended with %d\n", i, status);
      return 1;
    }
    const double wire_us = static_cast<double>(report->fromHost.size() + report->fromTerminal.size()) * kByteMicros;
    ratios.push_back(total_us / wire_us);
    totals_ms.push_back(total_us / 1000.0);
  }

  // The getter in three ways, in turns, against the host the transactions
  // used: the raw socket floor, a held connection of our own, the export.
  kavorin::bench::SocketFloor floor;
  kavorin::HostClient held;
  if (!floor.ready() || !held.Connect(kavorin::DefaultRuntimePaths().socket, seconds(2), error)) {
    std::fprintf(stderr, "setup failed: %s\n", error.c_str());
    return 1;
  }
  std::vector<kavorin::bench::RoundTripSeries> series = {
      {"raw Unix-socket round trip (the floor)",
       [](void* c) { return static_cast<kavorin::bench::SocketFloor*>(c)->RoundTrip(); }, &floor, {}},
      {"getter on a held connection",
       [](void* c) {
         kavorin::ServiceReply reply;
         std::string ignored;
         return static_cast<kavorin::HostClient*>(c)->Call(kGetterDispid, {}, reply, ignored);
       },
       &held, {}},
      {"getter export (KAVORIN_GetAuthAmount)",
       [](void*) {
         char buffer[8192];
         return KAVORIN_GetAuthAmount(buffer) > -10000;
       },
       nullptr, {}},
  };
  if (!kavorin::bench::MeasureInTurns(series, 41, 50)) return 1;
  held.Close();

  KAVORIN_ServiceTerminate();
  std::this_thread::sleep_for(milliseconds(700));
  terminal.Stop();
  std::filesystem::remove_all(root);

  std::printf("D1 transaction through the C API (%d runs): p50 %.1f ms, p99 %.1f ms\n", transactions,
              Percentile(totals_ms, 0.5), Percentile(totals_ms, 0.99));
  std::printf("  divided by the exchange's wire time at 9600 baud: p50 %.3f  p99 %.3f\n", Percentile(ratios, 0.5),
              Percentile(ratios, 0.99));
  std::printf("  (includes the host's 10 ms start timer and the 2 ms polling; the host's own bytes cross\n"
              "   the pty at once, where a real line takes their wire time too)\n");
  std::printf("getter round trips, %zu calls each, taken in turns (targets: held connection <= 3x floor,\n"
              "export <= 2x held connection):\n",
              series.front().micros.size());
  kavorin::bench::PrintAgainstFloor(series);
  return 0;
}
