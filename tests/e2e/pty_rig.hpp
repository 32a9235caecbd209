#pragma once
// A simulated terminal on a real pty, reachable as COM7 through a private
// configuration folder's dosdevices link, as a POS machine would reach its
// terminal. Pacing is on: bytes take their real time at 9600 baud.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/catsim/terminal.hpp"

namespace kavorin::testing {

class PtyRig {
 public:
  explicit PtyRig(const std::string& name, catsim::TerminalOptions options = {}) {
    root = std::filesystem::temp_directory_path() / ("kavorin-e2e-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "config" / "dosdevices");
    ::setenv("KAVORIN_CONFIG_DIR", (root / "config").c_str(), 1);
    ::setenv("KAVORIN_RUNTIME_DIR", (root / "run").c_str(), 1);
    options.linkPath = (root / "config" / "dosdevices" / "com7").string();
    terminal = std::make_unique<catsim::Terminal>(std::move(options));
    std::string error;
    started = terminal->Start(error);
    EXPECT_TRUE(started) << error;
  }
  ~PtyRig() {
    terminal->Stop();
    std::filesystem::remove_all(root);
  }

  std::optional<catsim::ExchangeReport> Wait(int exchange, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return terminal->WaitExchange(exchange, timeout);
  }

  std::filesystem::path root;
  std::unique_ptr<catsim::Terminal> terminal;
  bool started = false;
};

}  // namespace kavorin::testing
