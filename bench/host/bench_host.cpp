// The host process under calls: getter round trips through the socket as
// multiples of a raw socket round trip, its memory after many calls, and its
// CPU while nothing happens. Starts its own KAVORIN in a private runtime
// folder. Prints numbers; never fails on them.
//
//   bench_host [calls]   (default 10000)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/socket_floor.hpp"
#include "bench/process_stats.hpp"
#include "client/api/include/KAVORIN_Ctl.h"
#include "contract/posix/host_client.hpp"
#include "contract/posix/runtime_dir.hpp"

using namespace std::chrono;
using kavorin::bench::CpuTicks;
using kavorin::bench::ReadStatusKb;

namespace {

// GetResponseCode: a getter, answered from the host's memory.
constexpr int kGetterDispid = 17;

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 10000;
  const auto root = std::filesystem::temp_directory_path() / ("kavorin-bench-host-" + std::to_string(::getpid()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  // The host makes its runtime folder private itself.
  ::setenv("KAVORIN_RUNTIME_DIR", (root / "run").c_str(), 1);

  const pid_t host = ::fork();
  if (host == 0) {
    ::execl(KAVORIN_HOST_PATH, "KAVORIN", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  kavorin::HostClient client;
  std::string error;
  const auto deadline = steady_clock::now() + seconds(10);
  while (!client.Connect(kavorin::DefaultRuntimePaths().socket, seconds(2), error)) {
    if (steady_clock::now() > deadline) {
      std::fprintf(stderr, "no host: %s\n", error.c_str());
      return 1;
    }
    std::this_thread::sleep_for(milliseconds(10));
  }
  const long rss_start = ReadStatusKb(host, "VmRSS:");

  // Round trips in turns: the raw socket floor, the getter on the held
  // connection, the getter export (the library's own held connection), and
  // a connection made for the one call, as the library did once.
  kavorin::bench::SocketFloor floor;
  if (!floor.ready()) {
    std::fprintf(stderr, "no floor process\n");
    return 1;
  }
  struct Held {
    kavorin::HostClient* client;
    std::string* error;
  } held{&client, &error};
  std::vector<kavorin::bench::RoundTripSeries> series = {
      {"raw Unix-socket round trip (the floor)", [](void* c) { return static_cast<kavorin::bench::SocketFloor*>(c)->RoundTrip(); },
       &floor, {}},
      {"getter on a held connection",
       [](void* c) {
         auto* h = static_cast<Held*>(c);
         kavorin::ServiceReply reply;
         return h->client->Call(kGetterDispid, {}, reply, *h->error);
       },
       &held, {}},
      {"getter export (KAVORIN_GetResponseCode)",
       [](void*) {
         char buffer[8192];
         return KAVORIN_GetResponseCode(buffer) > -10000;
       },
       nullptr, {}},
      {"getter on a connection of its own (connect, hello)",
       [](void* c) {
         kavorin::HostClient once;
         kavorin::ServiceReply reply;
         auto* h = static_cast<Held*>(c);
         return once.Connect(kavorin::DefaultRuntimePaths().socket, seconds(2), *h->error) &&
                once.Call(kGetterDispid, {}, reply, *h->error);
       },
       &held, {}},
  };
  const int rounds = 41;
  if (!kavorin::bench::MeasureInTurns(series, rounds, std::max(1, calls / (rounds - 1) / 4))) return 1;
  const long rss_after = ReadStatusKb(host, "VmRSS:");
  const long hwm = ReadStatusKb(host, "VmHWM:");

  client.Close();
  const long ticks_before = CpuTicks(host);
  std::this_thread::sleep_for(seconds(10));
  const long idle_ticks = CpuTicks(host) - ticks_before;

  ::kill(host, SIGTERM);
  ::waitpid(host, nullptr, 0);
  std::filesystem::remove_all(root);

  std::printf("getter round trips, %zu calls each, taken in turns (targets: held connection <= 3x floor,\n"
              "export <= 2x held connection):\n",
              series.front().micros.size());
  kavorin::bench::PrintAgainstFloor(series);
  std::printf("host RSS: %.2f MiB at start, %.2f MiB after %d calls, peak %.2f MiB  (target <= 8 MiB)\n",
              static_cast<double>(rss_start) / 1024.0, static_cast<double>(rss_after) / 1024.0, calls,
              static_cast<double>(hwm) / 1024.0);
  std::printf("host CPU while idle for 10 s: %ld clock ticks (%ld per second)  (target 0)\n", idle_ticks,
              ::sysconf(_SC_CLK_TCK));
  return 0;
}
