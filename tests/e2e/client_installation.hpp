#pragma once
// The client library as a POS program uses it: dlopen'ed from an install
// folder that also holds the host program and kavorin.ini, talking to the
// real host, which talks to the simulator over a real pty.
#include <dlfcn.h>
#include <signal.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "contract/posix/runtime_dir.hpp"
#include "tests/e2e/pty_rig.hpp"

namespace kavorin::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using NoArgs = int (*)();
using OneText = int (*)(const char*);
using Buffer = int (*)(char*);

// An install folder with its own copy of the library and the host.
class Installation {
 public:
  explicit Installation(const fs::path& folder, const std::string& ini_port) : folder_(folder) {
    fs::create_directories(folder_);
    fs::copy_file(KAVORIN_CTL_PATH, folder_ / "libKAVORIN_Ctl.so", fs::copy_options::overwrite_existing);
    fs::copy_file(KAVORIN_HOST_PATH, folder_ / "KAVORIN", fs::copy_options::overwrite_existing);
    if (!ini_port.empty()) std::ofstream(folder_ / "kavorin.ini") << "[General]\r\nCOM_Port=" << ini_port << "\r\n";
    handle_ = ::dlopen((folder_ / "libKAVORIN_Ctl.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle_, nullptr) << ::dlerror();
  }
  ~Installation() {
    // The library started the host detached: end it the way a POS does, or,
    // if it had not come up yet, by the pid its lock file names.
    const auto paths = DefaultRuntimePaths();
    // A COMCreate that failed after starting the host (no port, say) returns
    // before the host is up: wait for it, or it outlives the test's folder.
    const bool started = DailyLog().find("]Start=[") != std::string::npos;
    const auto deadline = std::chrono::steady_clock::now() + (started ? 5s : 1s);
    while ((started || fs::exists(paths.lock)) && !fs::exists(paths.socket) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(20ms);
    }
    pid_t pid = 0;
    std::ifstream(paths.lock) >> pid;
    if (handle_ != nullptr && fs::exists(paths.socket)) Get<NoArgs>("KAVORIN_ServiceTerminate")();
    if (pid > 0 && !fs::exists(paths.socket)) ::kill(pid, SIGTERM);
    const auto gone = std::chrono::steady_clock::now() + 10s;
    while (fs::exists(paths.lock) && std::chrono::steady_clock::now() < gone) std::this_thread::sleep_for(20ms);
    // A host still there now would outlive the test's folder: say so, and end it.
    if (pid > 0 && ::kill(pid, 0) == 0 && fs::exists(paths.lock)) {
      std::fprintf(stderr, "host %d still running 10 s after ServiceTerminate; killed\n", static_cast<int>(pid));
      ::kill(pid, SIGKILL);
    }
    if (handle_ != nullptr) ::dlclose(handle_);
  }

  template <class F>
  F Get(const char* name) {
    void* symbol = ::dlsym(handle_, name);
    EXPECT_NE(symbol, nullptr) << name;
    return reinterpret_cast<F>(symbol);
  }

  std::string Text(const char* getter, int* result = nullptr) {
    char buffer[8192];
    std::memset(buffer, 0, sizeof buffer);
    const int code = Get<Buffer>(getter)(buffer);
    if (result != nullptr) *result = code;
    return buffer;
  }

  std::string DailyLog() const {
    std::string all;
    if (!fs::exists(folder_ / "catlog")) return all;
    for (const auto& entry : fs::directory_iterator(folder_ / "catlog")) {
      std::ifstream in(entry.path(), std::ios::binary);
      all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
  }

  void* handle() const { return handle_; }

 private:
  fs::path folder_;
  void* handle_ = nullptr;
};

class ClientLibraryFixture : public ::testing::Test {
 protected:
  void Start(catsim::TerminalOptions options = {}, const std::string& ini_port = "COM7") {
    rig_ = std::make_unique<PtyRig>(::testing::UnitTest::GetInstance()->current_test_info()->name(), options);
    ASSERT_TRUE(rig_->started);
    install_ = std::make_unique<Installation>(rig_->root / "install", ini_port);
    ASSERT_NE(install_->handle(), nullptr);
  }
  void TearDown() override {
    install_.reset();
    rig_.reset();
  }

  int ComCreate() { return install_->Get<NoArgs>("KAVORIN_COMCreate")(); }
  int ComStatus() { return install_->Get<NoArgs>("KAVORIN_COMStatus")(); }

  std::unique_ptr<PtyRig> rig_;
  std::unique_ptr<Installation> install_;
};

}  // namespace kavorin::testing
