// The library's one held connection to the real host: kept across calls and
// threads, made again when the host has gone, never shared with a forked
// child, and a call the host may have run never made twice.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <vector>

#include "tests/e2e/client_installation.hpp"

namespace kavorin::testing {
namespace {

using CreditAuth = int (*)(const char*, const char*, const char*, const char*, const char*);

// The sockets this process holds, as "socket:[inode]".
std::set<std::string> Sockets() {
  std::set<std::string> found;
  DIR* fds = ::opendir("/proc/self/fd");
  if (fds == nullptr) return found;
  while (const dirent* entry = ::readdir(fds)) {
    char target[64] = {};
    const std::string path = std::string("/proc/self/fd/") + entry->d_name;
    if (::readlink(path.c_str(), target, sizeof target - 1) > 0 && std::strncmp(target, "socket:", 7) == 0) {
      found.insert(target);
    }
  }
  ::closedir(fds);
  return found;
}

std::set<std::string> Without(const std::set<std::string>& all, const std::set<std::string>& these) {
  std::set<std::string> left;
  for (const auto& one : all) {
    if (these.count(one) == 0) left.insert(one);
  }
  return left;
}

pid_t HostPid() {
  pid_t pid = 0;
  std::ifstream(DefaultRuntimePaths().lock) >> pid;
  return pid;
}

// The host is not our child (the library starts it detached): gone is no
// /proc entry, or a zombie nobody has reaped yet.
bool WaitGone(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto state = all.rfind(')');
    if (!stat || state == std::string::npos || all.compare(state + 2, 1, "Z") == 0) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// A child's verdict: its exit code, 0 when it did what it should.
int ChildVerdict(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class HeldConnectionTest : public ClientLibraryFixture {
 protected:
  int StatusCheck() { return install_->Get<NoArgs>("KAVORIN_StatusCheck")(); }
};

// However the host went (killed outright, ended by a signal, ended by a
// client), the next call reaches a new one and gets its answer; nothing
// fails and no message is shown on the way.
TEST_F(HeldConnectionTest, AHostGoneBetweenCallsIsReachedAgain) {
  Start();
  const struct {
    const char* how;
    int signal;  // 0: ServiceTerminate from another process
  } cases[] = {{"SIGKILL", SIGKILL}, {"SIGTERM", SIGTERM}, {"ServiceTerminate", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    ASSERT_EQ(ComCreate(), 0);
    EXPECT_EQ(StatusCheck(), 100);  // port open, nothing sent yet
    const auto held = Sockets();
    const pid_t first = HostPid();
    ASSERT_GT(first, 0);
    if (c.signal != 0) {
      ASSERT_EQ(::kill(first, c.signal), 0);
    } else {
      const pid_t other = ::fork();
      if (other == 0) ::_exit(install_->Get<NoArgs>("KAVORIN_ServiceTerminate")() == 0 ? 0 : 1);
      ASSERT_EQ(ChildVerdict(other), 0);
    }
    ASSERT_TRUE(WaitGone(first));

    EXPECT_EQ(StatusCheck(), -2);  // a new host: nothing started
    EXPECT_NE(HostPid(), first);
    EXPECT_NE(Sockets(), held);
    EXPECT_EQ(StatusCheck(), -2);
  }
}

// The host dies while it holds a sale request (stopped, then killed): the
// call fails as a call to a vanished host always has, and is not made again
// on the host that follows.
TEST_F(HeldConnectionTest, ACallInFlightWhenTheHostDiesIsNotMadeAgain) {
  Start();
  ASSERT_EQ(ComCreate(), 0);
  const pid_t host = HostPid();
  ASSERT_GT(host, 0);
  ASSERT_EQ(::kill(host, SIGSTOP), 0);
  std::atomic<int> result{1};
  std::thread sale([&] {
    result = install_->Get<CreditAuth>("KAVORIN_CreditAuth")("", "9410123412341234=2812", "00", "15000", "0");
  });
  std::this_thread::sleep_for(300ms);  // the request sits in the stopped host's socket
  ::kill(host, SIGKILL);
  sale.join();
  EXPECT_EQ(result, -10000);
  ASSERT_TRUE(WaitGone(host));
  // Made again, the request would have reached a new host, which answers -2
  // (port not open) and reports the port's state as "nothing started".
  EXPECT_EQ(StatusCheck(), -2);
  EXPECT_FALSE(rig_->Wait(1, 500ms));
}

// Threads share the one connection: every call answered, no second
// connection made.
TEST_F(HeldConnectionTest, ManyThreadsShareOneConnection) {
  Start();
  ASSERT_EQ(ComCreate(), 0);
  ASSERT_EQ(StatusCheck(), 100);
  const auto held = Sockets();
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (t % 2 == 0) {
          if (StatusCheck() != 100) ++wrong;
        } else {
          int result = 0;
          if (!install_->Text("KAVORIN_GetAuthNumber", &result).empty() || result != -1) ++wrong;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(Sockets(), held);
}

// A forked child never uses its parent's socket: it holds none of it, makes
// its own connection, and leaves the parent's whole, even when the fork
// comes while another thread is in a call.
TEST_F(HeldConnectionTest, AForkedChildMakesItsOwnConnection) {
  Start();
  const auto before = Sockets();
  ASSERT_EQ(ComCreate(), 0);
  ASSERT_EQ(StatusCheck(), 100);
  const auto parent = Sockets();
  const auto held = Without(parent, before);
  ASSERT_EQ(held.size(), 1u);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::thread busy([&] {
    while (!stop) {
      if (StatusCheck() != 100) ++wrong;
    }
  });
  for (int i = 0; i < 10; ++i) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(10);  // a child stuck on a lock its parent held ends
      const bool inherited = Without(held, Sockets()).empty();
      const bool answered = StatusCheck() == 100;
      const bool own = Without(Sockets(), parent).size() == 1;
      ::_exit(inherited ? 1 : !answered ? 2 : !own ? 3 : 0);
    }
    ASSERT_GT(child, 0);
    EXPECT_EQ(ChildVerdict(child), 0) << "1: inherited the socket, 2: no answer, 3: no connection of its own";
  }
  stop = true;
  busy.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(StatusCheck(), 100);
  EXPECT_EQ(Sockets(), parent);
}

// A runtime folder named anew gets a connection checked as every new one:
// the held connection is not carried over to it.
TEST_F(HeldConnectionTest, ANewRuntimeFolderIsCheckedAsANewConnection) {
  Start();
  ASSERT_EQ(ComCreate(), 0);
  ASSERT_EQ(StatusCheck(), 100);
  const fs::path open_folder = rig_->root / "open";
  fs::create_directories(open_folder);
  ::chmod(open_folder.c_str(), 0777);
  ::setenv("KAVORIN_RUNTIME_DIR", open_folder.c_str(), 1);
  EXPECT_EQ(StatusCheck(), -10001);
  ::setenv("KAVORIN_RUNTIME_DIR", (rig_->root / "run").c_str(), 1);
  EXPECT_EQ(StatusCheck(), 100);
}

// Unloading the library closes its connection.
TEST_F(HeldConnectionTest, UnloadClosesTheConnection) {
  Start();
  const auto before = Sockets();
  ASSERT_EQ(StatusCheck(), -2);
  const auto held = Without(Sockets(), before);
  ASSERT_EQ(held.size(), 1u);
  install_.reset();
  EXPECT_EQ(Without(held, Sockets()), held);
}

}  // namespace
}  // namespace kavorin::testing
