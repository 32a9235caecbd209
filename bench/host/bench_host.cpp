// The host process under calls: getter round trips through the socket, its
// memory after many calls, and its CPU while nothing happens. Starts its own
// KAVORIN in a private runtime folder. Prints numbers; never fails on them.
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

#include "host/service/posix/host_client.hpp"
#include "host/service/posix/runtime_dir.hpp"

using namespace std::chrono;

namespace {

long ReadStatusKb(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
  }
  return -1;
}

// utime + stime in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(all.substr(all.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

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

  std::vector<double> round_trips_us;
  round_trips_us.reserve(static_cast<std::size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    kavorin::ServiceReply reply;
    const auto start = steady_clock::now();
    if (!client.Call(17, {}, reply, error)) {
      std::fprintf(stderr, "call failed: %s\n", error.c_str());
      return 1;
    }
    round_trips_us.push_back(duration<double, std::micro>(steady_clock::now() - start).count());
  }
  // The library's own pattern: connect, call once, disconnect.
  std::vector<double> fresh_us;
  for (int i = 0; i < 1000; ++i) {
    const auto start = steady_clock::now();
    kavorin::HostClient once;
    kavorin::ServiceReply reply;
    if (!once.Connect(kavorin::DefaultRuntimePaths().socket, seconds(2), error) || !once.Call(17, {}, reply, error)) {
      std::fprintf(stderr, "call failed: %s\n", error.c_str());
      return 1;
    }
    fresh_us.push_back(duration<double, std::micro>(steady_clock::now() - start).count());
  }
  const long rss_after = ReadStatusKb(host, "VmRSS:");
  const long hwm = ReadStatusKb(host, "VmHWM:");

  client.Close();
  const long ticks_before = CpuTicks(host);
  std::this_thread::sleep_for(seconds(10));
  const long idle_ticks = CpuTicks(host) - ticks_before;

  ::kill(host, SIGTERM);
  ::waitpid(host, nullptr, 0);
  std::filesystem::remove_all(root);

  std::printf("getter round trip, one connection (%d calls): p50 %.1f us  p99 %.1f us  (target p50 <= 100 us)\n",
              calls, Percentile(round_trips_us, 0.5), Percentile(round_trips_us, 0.99));
  std::printf("getter with connect and hello each time (1000 calls): p50 %.1f us  p99 %.1f us\n",
              Percentile(fresh_us, 0.5), Percentile(fresh_us, 0.99));
  std::printf("host RSS: %.2f MiB at start, %.2f MiB after %d calls, peak %.2f MiB  (target <= 8 MiB)\n",
              static_cast<double>(rss_start) / 1024.0, static_cast<double>(rss_after) / 1024.0, calls + 1000,
              static_cast<double>(hwm) / 1024.0);
  std::printf("host CPU while idle for 10 s: %ld clock ticks (%ld per second)  (target 0)\n", idle_ticks,
              ::sysconf(_SC_CLK_TCK));
  return 0;
}
