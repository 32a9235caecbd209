// The catsim program as a person or a script runs it: a real process, its
// first output line, its exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/link/serial_posix.hpp"
#include "tools/catsim/responses.hpp"
#include "tools/catsim/wire.hpp"

extern char** environ;

namespace {

using namespace std::chrono_literals;

class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int out[2], err[2];
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    args.insert(args.begin(), CATSIM_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(::posix_spawn(&pid_, CATSIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
    ::close(err_);
  }

  std::string FirstLine() {
    std::string text;
    auto until = std::chrono::steady_clock::now() + 10s;
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
      if (!ReadSome(out_, text)) break;
    }
    return text.substr(0, text.find('\n'));
  }

  // Exit code once it ends (within a generous bound), -1 if it does not.
  int Wait() {
    auto until = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < until) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        while (ReadSome(err_, errors_)) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }
  const std::string& errors() const { return errors_; }

 private:
  static bool ReadSome(int fd, std::string& text) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) return true;
    char chunk[512];
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) return false;
    text.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  std::string errors_;
};

class Host : public kavorin::SerialSink {
 public:
  bool QueueReceived(std::span<const std::uint8_t> batch) override {
    received.append(batch.begin(), batch.end());
    return true;
  }
  void DataArrived() override {}
  void Send(const std::string& bytes) {
    channel.Send(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  void RunUntil(const std::function<bool()>& done) {
    auto until = std::chrono::steady_clock::now() + 10s;
    while (!done() && std::chrono::steady_clock::now() < until) {
      loop.restart();
      loop.run_for(5ms);
    }
  }
  asio::io_context loop;
  kavorin::SerialChannel channel{loop};
  std::string received;
};

TEST(CatsimProgram, RunsTheExchangesItWasAskedForAtTheComLink) {
  const auto dir = std::filesystem::temp_directory_path() / ("catsim-cli-" + std::to_string(::getpid()));
  ::setenv("KAVORIN_CONFIG_DIR", dir.c_str(), 1);
  const std::string link = (dir / "dosdevices" / "com7").string();
  {
    Program catsim({"--com", "7", "--no-pacing", "--exchanges", "1", "--response-code", "5001", "--field",
                    "7=77777777"});
    ASSERT_EQ(catsim.FirstLine(), link);

    Host host;
    ASSERT_TRUE(host.channel.Open("COM7", kavorin::LineSettings{}, host)) << host.channel.LastError();
    host.Send(std::string(1, catsim::kEnq));
    host.RunUntil([&] { return !host.received.empty(); });
    EXPECT_EQ(host.received, std::string(1, catsim::kAck));
    host.Send(catsim::TextFrame("D1", {"A", "00", "1004", "0"}));
    host.RunUntil([&] { return host.received.size() > 3 && host.received[host.received.size() - 2] == catsim::kEtx; });
    std::optional<catsim::Request> response = catsim::ParseRequest(host.received.substr(1));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->fields.at(0), "5001");
    EXPECT_EQ(response->fields.at(5), "1004");
    EXPECT_EQ(response->fields.at(6), "77777777");
    host.received.clear();
    host.Send(std::string(1, catsim::kAck));
    host.RunUntil([&] { return !host.received.empty(); });
    EXPECT_EQ(host.received, std::string(1, catsim::kEot));

    EXPECT_EQ(catsim.Wait(), 0);
    EXPECT_NE(catsim.errors().find("exchange 1 D1 completed"), std::string::npos) << catsim.errors();
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  std::filesystem::remove_all(dir);
  ::unsetenv("KAVORIN_CONFIG_DIR");
}

TEST(CatsimProgram, RefusesWhatItCannotUse) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"}, {"--fault", "1:loud"}, {"--fault", "x:nak"}, {"--baud"}, {"--com", "0"}, {"--field", "7"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
    Program catsim(args);
    EXPECT_EQ(catsim.Wait(), 2);
    EXPECT_NE(catsim.errors().find("catsim: "), std::string::npos);
  }
  Program help({"--help"});
  EXPECT_NE(help.FirstLine().find("usage: catsim"), std::string::npos);
  EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
