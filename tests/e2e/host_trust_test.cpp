// What another local user, or a careless program, can do to the host and its
// clients through the runtime folder and the socket: impersonate the host,
// take over a shared folder, plant a link, hold every slot.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "contract/ipc_protocol.hpp"
#include "tests/e2e/host_process.hpp"
#include "tests/support/second_user.hpp"

namespace kavorin::testing {
namespace {

namespace fs = std::filesystem;

// A folder of the test's own, removed with the test.
class Scratch {
 public:
  explicit Scratch(const std::string& name)
      : root_(fs::temp_directory_path() / ("kavorin-trust-" + name + "-" + std::to_string(::getpid()))) {
    fs::remove_all(root_);
    fs::create_directories(root_);
    ::chmod(root_.c_str(), 0755);
  }
  ~Scratch() {
    ::unsetenv("KAVORIN_RUNTIME_DIR");
    fs::remove_all(root_);
  }
  fs::path Folder(const std::string& name, mode_t mode) const {
    const fs::path folder = root_ / name;
    fs::create_directories(folder);
    ::chmod(folder.c_str(), mode);
    return folder;
  }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

// A case that needs the second user is left out, with the reason, when
// there is none.
bool LeftOut(bool needs_other_user, const std::optional<OtherUser>& other, const std::string& what,
             const std::string& why_not) {
  if (!needs_other_user || other) return false;
  std::printf("skipped \"%s\": %s\n", what.c_str(), why_not.c_str());
  return true;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// A process listening where a host would, recording what a client sends it.
// With `user`, it listens as that user (the socket is made before).
class FakeHost {
 public:
  FakeHost(const fs::path& socket, std::optional<OtherUser> user = std::nullopt) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    EXPECT_EQ(::pipe(report_), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(report_[0]);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
      if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(2);
      // The peer's credentials are the listener's at listen().
      if (user && !BecomeUser(*user)) ::_exit(3);
      if (::listen(fd, 4) != 0) ::_exit(4);
      [[maybe_unused]] auto n = ::write(ready[1], "r", 1);
      std::string received = "no connection";
      pollfd waiting{fd, POLLIN, 0};
      if (::poll(&waiting, 1, 1500) > 0) {
        const int client = ::accept(fd, nullptr, nullptr);
        std::size_t bytes = 0;
        char chunk[256];
        for (pollfd data{client, POLLIN, 0}; ::poll(&data, 1, 700) > 0;) {
          const ssize_t got = ::read(client, chunk, sizeof chunk);
          if (got <= 0) break;
          bytes += static_cast<std::size_t>(got);
        }
        received = std::to_string(bytes) + " bytes";
      }
      n = ::write(report_[1], received.data(), received.size());
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(report_[1]);
    char word = 0;
    EXPECT_EQ(::read(ready[0], &word, 1), 1) << "the fake host did not start";
    ::close(ready[0]);
  }
  ~FakeHost() {
    ::close(report_[0]);
    ::waitpid(pid_, nullptr, 0);
  }
  // What reached it: "no connection" or "<n> bytes".
  std::string Received() {
    char text[64] = {};
    const ssize_t got = ::read(report_[0], text, sizeof text - 1);
    return got > 0 ? std::string(text, static_cast<std::size_t>(got)) : "?";
  }

 private:
  pid_t pid_ = -1;
  int report_[2] = {-1, -1};
};

// The client must know where it is before it says a word: a folder that
// breaks the rules, or a peer of another user, gets nothing at all.
TEST(HostTrust, TheClientTalksOnlyToItsOwnUsersHostInItsOwnPrivateFolder) {
  std::string why_not;
  const std::optional<OtherUser> other = SecondUser(why_not);
  Scratch scratch("client");
  struct Case {
    std::string what;
    bool needs_other_user;
    std::function<fs::path()> prepare;  // the folder the client is pointed at
    std::optional<OtherUser> listener;
    bool trusted;
  };
  const fs::path real = scratch.Folder("real", 0700);
  const Case cases[] = {
      {"a private folder of our own", false, [&] { return scratch.Folder("own", 0700); }, std::nullopt, true},
      {"a link to a private folder", false,
       [&] {
         fs::create_directory_symlink(real, scratch.root() / "link");
         return scratch.root() / "link";
       },
       std::nullopt, false},
      {"a folder open to everyone", false, [&] { return scratch.Folder("open", 0777); }, std::nullopt, false},
      {"a shared folder like /tmp", false, [&] { return scratch.Folder("sticky", 01777); }, std::nullopt, false},
      {"another user's folder", true,
       [&] {
         const fs::path folder = scratch.Folder("theirs", 0700);
         EXPECT_EQ(::chown(folder.c_str(), other->uid, other->gid), 0);
         return folder;
       },
       std::nullopt, false},
      {"another user's process in our folder", true, [&] { return scratch.Folder("impostor", 0700); }, other, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (LeftOut(c.needs_other_user, other, c.what, why_not)) continue;
    const fs::path folder = c.prepare();
    const fs::path listen_at = fs::is_symlink(folder) ? fs::read_symlink(folder) / "host.sock" : folder / "host.sock";
    FakeHost fake(listen_at, c.listener);
    HostClient client;
    std::string error;
    EXPECT_FALSE(client.Connect((folder / "host.sock").string(), 500ms, error));
    if (c.trusted) {
      EXPECT_EQ(client.lastFailure(), HostClient::Failure::kTransport) << error;  // it said hello; nobody answered
      EXPECT_EQ(fake.Received(), std::to_string(ipc::EncodeHello().size()) + " bytes");
    } else {
      EXPECT_EQ(client.lastFailure(), HostClient::Failure::kUntrusted) << error;
      EXPECT_NE(error.find("refusing"), std::string::npos) << error;
      const std::string received = fake.Received();
      EXPECT_TRUE(received == "no connection" || received == "0 bytes") << received;
    }
    fs::remove(listen_at);
  }
}

// The host never takes over a folder it did not make private itself, and
// never follows a link planted where its lock goes.
TEST(HostTrust, TheHostRefusesFoldersItMustNotTakeOver) {
  std::string why_not;
  const std::optional<OtherUser> other = SecondUser(why_not);
  Scratch scratch("host");
  const fs::path victim = scratch.root() / "victim";
  std::ofstream(victim) << "precious";
  struct Case {
    std::string what;
    bool needs_other_user;
    std::function<fs::path()> prepare;
    mode_t mode_after;  // the folder's mode must stay as it was
  };
  const Case cases[] = {
      {"a shared folder like /tmp", false, [&] { return scratch.Folder("shared", 01777); }, 01777},
      {"a folder open to its group", false, [&] { return scratch.Folder("group", 0770); }, 0770},
      {"a planted lock link", false,
       [&] {
         const fs::path folder = scratch.Folder("planted", 0700);
         fs::create_symlink(victim, folder / "host.lock");
         return folder;
       },
       0700},
      {"another user's folder", true,
       [&] {
         const fs::path folder = scratch.Folder("theirs", 0700);
         EXPECT_EQ(::chown(folder.c_str(), other->uid, other->gid), 0);
         return folder;
       },
       0700},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (LeftOut(c.needs_other_user, other, c.what, why_not)) continue;
    const fs::path folder = c.prepare();
    ::setenv("KAVORIN_RUNTIME_DIR", folder.c_str(), 1);
    EXPECT_EQ(HostProcess::WaitExit(HostProcess::Spawn(), 10s), 1);
    EXPECT_EQ(ModeOf(folder), c.mode_after);
    EXPECT_FALSE(fs::exists(folder / "host.sock"));
  }
  std::ifstream in(victim);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "precious");

  // A folder that is not there is made, and made private.
  ::setenv("KAVORIN_RUNTIME_DIR", (scratch.root() / "fresh").c_str(), 1);
  HostProcess host;
  ASSERT_TRUE(Connect());
  EXPECT_EQ(ModeOf(scratch.root() / "fresh"), 0700);
}

// A host answers its own user only, whoever else can reach its socket.
TEST(HostTrust, TheHostAnswersOnlyItsOwnUser) {
  std::string why_not;
  const std::optional<OtherUser> other = SecondUser(why_not);
  if (!other) GTEST_SKIP() << why_not;
  Scratch scratch("peer");
  const fs::path folder = scratch.Folder("run", 0700);
  ASSERT_EQ(::chown(folder.c_str(), other->uid, other->gid), 0);
  ::setenv("KAVORIN_RUNTIME_DIR", folder.c_str(), 1);
  const pid_t host = HostProcess::Spawn(nullptr, [&] { return BecomeUser(*other); });
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!fs::exists(folder / "host.sock") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  // Root can reach into the other user's folder; the host still refuses it.
  const int fd = RawConnect();
  const std::string hello = ipc::EncodeHello();
  ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
  EXPECT_TRUE(ClosedByHost(fd));
  ::close(fd);
  ::kill(host, SIGTERM);
  EXPECT_EQ(HostProcess::WaitExit(host, 10s), 0);
}

// Slots go to clients that use them: one that says nothing, trickles a frame
// or idles between calls cannot keep a newcomer out.
TEST(HostTrust, NoClientHoldsASlotItDoesNotUse) {
  Scratch scratch("slots");
  ::setenv("KAVORIN_RUNTIME_DIR", (scratch.root() / "run").c_str(), 1);
  HostProcess host;
  ASSERT_TRUE(Connect());
  const std::string hello = ipc::EncodeHello();
  struct Case {
    const char* what;
    std::string sent;  // by each of 70 connections, which then say no more
  };
  const Case cases[] = {
      {"connect and say nothing", ""},
      {"begin a frame and stop", hello + std::string("\x40\x00", 2)},
      {"say hello and idle", hello},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int> hogs;
    for (int i = 0; i < 70; ++i) {
      hogs.push_back(RawConnect());
      if (!c.sent.empty()) ::send(hogs.back(), c.sent.data(), c.sent.size(), MSG_NOSIGNAL);
    }
    std::this_thread::sleep_for(200ms);
    const auto asked = std::chrono::steady_clock::now();
    HostClient client;
    std::string error;
    ASSERT_TRUE(client.Connect(DefaultRuntimePaths().socket, 8s, error)) << error;
    EXPECT_EQ(IntOf(Call(client, "StatusCheck")), -2);
    // Within the frame deadline and a margin: not the minute an idle
    // connection may otherwise last.
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 6s);
    for (const int fd : hogs) ::close(fd);
  }
}

}  // namespace
}  // namespace kavorin::testing
