#pragma once
// What /proc tells of a process the benchmarks measure: memory lines of its
// status, and the CPU time it used.
#include <sys/types.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace kavorin::bench {

// A "<key> <n> kB" line of /proc/<pid>/status ("VmRSS:", "VmHWM:"), or -1.
inline long ReadStatusKb(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
  }
  return -1;
}

// utime + stime in clock ticks.
inline long CpuTicks(pid_t pid) {
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

}  // namespace kavorin::bench
