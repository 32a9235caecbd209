#include "host/link/serial_posix.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "tests/host/link/pty_pair.hpp"
#include "tests/support/second_user.hpp"

namespace kavorin {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using kavorin::testing::PtyPair;

Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }

class RecordingSink : public SerialSink {
 public:
  bool QueueReceived(std::span<const std::uint8_t> batch) override {
    batches.emplace_back(batch.begin(), batch.end());
    return true;
  }
  void DataArrived() override {
    ++arrivals;
    if (onArrival) onArrival();
  }
  void DeviceLost(const std::string& reason) override { lost.push_back(reason); }
  Bytes All() const {
    Bytes all;
    for (const Bytes& b : batches) all.insert(all.end(), b.begin(), b.end());
    return all;
  }

  std::vector<Bytes> batches;
  std::vector<std::string> lost;
  int arrivals = 0;
  std::function<void()> onArrival;
};

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

class SerialChannelTest : public ::testing::Test {
 protected:
  bool OpenOnPty() { return channel.Open(pty.slavePath(), LineSettings{}, sink); }

  void RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 10s) {
    auto until = std::chrono::steady_clock::now() + bound;
    while (!done() && std::chrono::steady_clock::now() < until) {
      loop.restart();
      loop.run_for(10ms);
    }
  }
  void RunFor(std::chrono::milliseconds period) {
    loop.restart();
    loop.run_for(period);
  }

  PtyPair pty;
  asio::io_context loop;
  RecordingSink sink;
  SerialChannel channel{loop};
};

TEST_F(SerialChannelTest, OpenAppliesTheFixedLineSettings) {
  ASSERT_TRUE(OpenOnPty()) << channel.LastError();
  EXPECT_TRUE(channel.IsOpen());
  EXPECT_EQ(channel.DevicePath(), pty.slavePath());
  EXPECT_TRUE(channel.LastError().empty());

  const int fd = channel.NativeHandle();
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  EXPECT_EQ(::cfgetospeed(&tio), B9600);
  EXPECT_EQ(::cfgetispeed(&tio), B9600);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(tio.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(tio.c_iflag & (IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK), 0u);
  EXPECT_EQ(tio.c_cc[VSTART], 0x11);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);

  int exclusive = 0;
  ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
  EXPECT_NE(exclusive, 0);
  EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(SerialChannelTest, SecondOpenOfTheSameDeviceFailsUntilTheFirstCloses) {
  ASSERT_TRUE(OpenOnPty()) << channel.LastError();
  SerialChannel second(loop);
  RecordingSink otherSink;
  EXPECT_FALSE(second.Open(pty.slavePath(), LineSettings{}, otherSink));
  EXPECT_FALSE(second.IsOpen());
  EXPECT_NE(second.LastError().find(pty.slavePath()), std::string::npos) << second.LastError();

  // The first one keeps working.
  pty.Write(B("x"));
  RunUntil([&] { return sink.All() == B("x"); });
  EXPECT_EQ(sink.All(), B("x"));

  channel.Close();
  EXPECT_TRUE(second.Open(pty.slavePath(), LineSettings{}, otherSink)) << second.LastError();
}

TEST_F(SerialChannelTest, OpenTwiceOnOneChannelFails) {
  ASSERT_TRUE(OpenOnPty());
  EXPECT_FALSE(OpenOnPty());
  EXPECT_TRUE(channel.IsOpen());
}

TEST_F(SerialChannelTest, CloseLeavesTheDeviceOpenableByAnyone) {
  ASSERT_TRUE(OpenOnPty());
  channel.Close();
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.NativeHandle(), -1);
  EXPECT_TRUE(channel.DevicePath().empty());
  int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  int exclusive = 1;
  EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  ::close(fd);
  channel.Close();  // closing twice is harmless
}

TEST_F(SerialChannelTest, ComNameOpensTheDosdevicesEntry) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("kavorin-ports-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "dosdevices");
  std::filesystem::create_symlink(pty.slavePath(), dir / "dosdevices" / "com7");
  const char* saved = std::getenv("KAVORIN_CONFIG_DIR");
  std::string keep = saved ? saved : "";
  ::setenv("KAVORIN_CONFIG_DIR", dir.c_str(), 1);

  for (const char* name : {"COM7", "com7"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(channel.Open(name, LineSettings{}, sink)) << channel.LastError();
    EXPECT_EQ(channel.DevicePath(), (dir / "dosdevices" / "com7").string());
    ASSERT_EQ(channel.Send(B("ping")), true);
    EXPECT_EQ(pty.Read(4, 10s), B("ping"));
    channel.Close();
  }

  if (saved) {
    ::setenv("KAVORIN_CONFIG_DIR", keep.c_str(), 1);
  } else {
    ::unsetenv("KAVORIN_CONFIG_DIR");
  }
  std::filesystem::remove_all(dir);
}

TEST_F(SerialChannelTest, RefusedOpensSayWhyAndLeakNothing) {
  struct Case {
    std::string name;
    std::string mention;
  };
  const Case cases[] = {
      {"", "too short"},
      {"C", "too short"},
      {"LPT1", "neither COMn"},
      {"/nonexistent/kavorin-tty", "open(/nonexistent/kavorin-tty)"},
      {"/dev/null", "TIOCEXCL(/dev/null)"},
  };
  const int before = OpenDescriptorCount();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(channel.Open(c.name, LineSettings{}, sink));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_NE(channel.LastError().find(c.mention), std::string::npos) << channel.LastError();
  }
  LineSettings odd;
  odd.baudRate = 12345;
  EXPECT_FALSE(channel.Open(pty.slavePath(), odd, sink));
  EXPECT_NE(channel.LastError().find("baud rate 12345"), std::string::npos) << channel.LastError();
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_TRUE(OpenOnPty()) << "a refused open must not leave the device locked";
}

TEST_F(SerialChannelTest, BytesTravelBothWays) {
  ASSERT_TRUE(OpenOnPty());
  const Bytes request = {0x02, 'R', 'C', 0x03, 0x32};
  ASSERT_TRUE(channel.Send(request)) << channel.LastError();
  EXPECT_EQ(pty.Read(request.size(), 10s), request);

  const Bytes answer = {0x06, 0x00, 0xFF, 0x1C, 0x80};
  pty.Write(answer);
  RunUntil([&] { return sink.All().size() >= answer.size(); });
  EXPECT_EQ(sink.All(), answer);
  EXPECT_EQ(sink.arrivals, static_cast<int>(sink.batches.size()));
}

TEST_F(SerialChannelTest, StalePendingBytesArePurgedOnOpen) {
  pty.Write(B("stale"));
  std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(OpenOnPty());
  pty.Write(B("fresh"));
  RunUntil([&] { return sink.All().size() >= 5; });
  RunFor(50ms);
  EXPECT_EQ(sink.All(), B("fresh"));
}

TEST_F(SerialChannelTest, XonXoffFromTheLineAreFlowControlNotData) {
  ASSERT_TRUE(OpenOnPty());
  pty.Write({'A', 0x13, 0x11, 'B'});
  RunUntil([&] { return sink.All().size() >= 2; });
  RunFor(50ms);
  EXPECT_EQ(sink.All(), B("AB"));
}

TEST_F(SerialChannelTest, ALargeWriteArrivesWholeInOrderInBatchesOfAtMost4096) {
  ASSERT_TRUE(OpenOnPty());
  Bytes pattern(10000);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    // No XON/XOFF values in the data: the line would take them as flow control.
    std::uint8_t b = static_cast<std::uint8_t>(i * 7 + i / 251);
    pattern[i] = (b == 0x11 || b == 0x13) ? 0x20 : b;
  }
  pty.Write(pattern);
  RunUntil([&] { return sink.All().size() >= pattern.size(); });
  EXPECT_EQ(sink.All(), pattern);
  for (const Bytes& batch : sink.batches) {
    EXPECT_FALSE(batch.empty());
    EXPECT_LE(batch.size(), SerialChannel::kReadBufferBytes);
  }
}

// The pty takes far less than this at once: the write completes in parts as
// the far end reads, and must not give up while it makes progress.
TEST_F(SerialChannelTest, APartialWriteCompletesWithTheRest) {
  ASSERT_TRUE(OpenOnPty());
  channel.SetWriteTimeout(10s);
  Bytes data(256 * 1024);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>('a' + i % 26);
  Bytes received;
  std::thread reader([&] {
    std::this_thread::sleep_for(100ms);
    received = pty.Read(data.size(), 60s);
  });
  EXPECT_TRUE(channel.Send(data)) << channel.LastError();
  reader.join();
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

TEST_F(SerialChannelTest, AWriteThatMakesNoProgressGivesUp) {
  ASSERT_TRUE(OpenOnPty());
  channel.SetWriteTimeout(200ms);
  Bytes data(4 * 1024 * 1024, 'z');
  EXPECT_FALSE(channel.Send(data));
  EXPECT_NE(channel.LastError().find("no progress"), std::string::npos) << channel.LastError();
  EXPECT_TRUE(channel.IsOpen());
}

TEST_F(SerialChannelTest, SendOnAClosedChannelFails) {
  EXPECT_FALSE(channel.Send(B("x")));
  ASSERT_TRUE(OpenOnPty());
  channel.Close();
  EXPECT_FALSE(channel.Send(B("x")));
}

TEST_F(SerialChannelTest, CloseFromInsideDataArrivedStopsEveryCallback) {
  ASSERT_TRUE(OpenOnPty());
  sink.onArrival = [&] { channel.Close(); };
  pty.Write(B("A"));
  RunUntil([&] { return sink.arrivals > 0; });
  ASSERT_EQ(sink.arrivals, 1);
  EXPECT_FALSE(channel.IsOpen());
  pty.Write(B("BCD"));
  RunFor(200ms);
  EXPECT_EQ(sink.All(), B("A"));
  EXPECT_EQ(sink.arrivals, 1);

  // And the channel opens again afterwards, as the next exchange needs.
  sink.onArrival = nullptr;
  ASSERT_TRUE(OpenOnPty()) << channel.LastError();
  pty.Write(B("E"));
  RunUntil([&] { return sink.All().size() >= 2; });
  EXPECT_EQ(sink.All(), B("AE"));
}

// The next read completes while a Close is already queued on the loop: its
// bytes belong to a port the owner closed and must not reach the sink.
TEST_F(SerialChannelTest, NoCallbackFromACompletionQueuedBeforeClose) {
  ASSERT_TRUE(OpenOnPty());
  sink.onArrival = [&] {
    sink.onArrival = nullptr;
    pty.Write(B("B"));
    pollfd ready{channel.NativeHandle(), POLLIN, 0};
    ::poll(&ready, 1, 10000);
    asio::post(loop, [&] { channel.Close(); });
  };
  pty.Write(B("A"));
  RunUntil([&] { return !channel.IsOpen(); });
  RunFor(200ms);
  EXPECT_EQ(sink.All(), B("A"));
  EXPECT_EQ(sink.arrivals, 1);
}

TEST_F(SerialChannelTest, AHungUpLineStopsReadingTellsTheSinkAndFailsTheNextSend) {
  ASSERT_TRUE(OpenOnPty());
  pty.HangUp();
  RunUntil([&] { return !sink.lost.empty(); });
  EXPECT_NE(channel.LastError().find("read("), std::string::npos) << channel.LastError();
  ASSERT_EQ(sink.lost.size(), 1u);
  EXPECT_EQ(sink.lost[0], channel.LastError());
  EXPECT_TRUE(sink.batches.empty());
  EXPECT_FALSE(channel.Send(B("x")));
  channel.Close();
  EXPECT_FALSE(channel.IsOpen());
}

// An XOFF the terminal sent to an earlier session must not keep the next
// one mute: the tty remembers it across opens until an XON comes.
TEST_F(SerialChannelTest, AStrayXoffDoesNotOutliveItsSession) {
  ASSERT_TRUE(OpenOnPty());
  pty.Write({0x13});
  RunFor(100ms);
  channel.Close();
  ASSERT_TRUE(OpenOnPty()) << channel.LastError();
  EXPECT_TRUE(channel.Send(B("\x05")));
  EXPECT_EQ(pty.Read(1, 2s), B("\x05"));
  // Flow control itself still works in the new session: held, then
  // released by the XON.
  pty.Write({0x13});
  RunFor(100ms);
  std::thread release([&] {
    std::this_thread::sleep_for(200ms);
    pty.Write({0x11});
  });
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(channel.Send(B("held"))) << channel.LastError();
  EXPECT_GE(std::chrono::steady_clock::now() - asked, 150ms);
  release.join();
  EXPECT_EQ(pty.Read(4, 2s), B("held"));
}

// The exclusive flag lives on the tty: a host of an ordinary user killed
// with the port open must not leave it set for the next host, as long as
// the other end (here the test) holds the tty.
class PortOfAnotherUser : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why_not;
    user_ = kavorin::testing::SecondUser(why_not);
    if (!user_) GTEST_SKIP() << why_not;
    ASSERT_EQ(::chown(pty.slavePath().c_str(), user_->uid, user_->gid), 0);
  }

  // A child running as the other user: opens the port and reports by its
  // exit code (0 opened; 1 refused, with the reason written to `reasons`).
  pid_t OpenAsUser(bool stay, int reasons = -1) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ready[0]);
      if (!kavorin::testing::BecomeUser(*user_)) ::_exit(3);
      asio::io_context loop;
      RecordingSink sink;
      SerialChannel channel(loop);
      const auto deadline = std::chrono::steady_clock::now() + 3s;
      bool opened = channel.Open(pty.slavePath(), LineSettings{}, sink);
      while (!opened && !stay && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        opened = channel.Open(pty.slavePath(), LineSettings{}, sink);
      }
      if (!opened && reasons >= 0) {
        [[maybe_unused]] auto n = ::write(reasons, channel.LastError().data(), channel.LastError().size());
      }
      [[maybe_unused]] auto n = ::write(ready[1], opened ? "o" : "x", 1);
      if (stay) ::pause();
      ::_exit(opened ? 0 : 1);
    }
    ::close(ready[1]);
    char word = 0;
    EXPECT_EQ(::read(ready[0], &word, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(word, stay ? 'o' : word);
    return child;
  }

  // An opener as the other user that keeps trying for a while: its exit
  // code, and why it was refused.
  std::pair<int, std::string> TryOpenAsUser() {
    int reasons[2];
    EXPECT_EQ(::pipe(reasons), 0);
    const pid_t opener = OpenAsUser(false, reasons[1]);
    ::close(reasons[1]);
    const int code = kavorin::testing::WaitChild(opener, 10s);
    char text[1024] = {};
    [[maybe_unused]] auto n = ::read(reasons[0], text, sizeof text - 1);
    ::close(reasons[0]);
    return {code, text};
  }

  PtyPair pty;
  std::optional<kavorin::testing::OtherUser> user_;
};

TEST_F(PortOfAnotherUser, AKilledHostDoesNotLeaveThePortLocked) {
  const pid_t first = OpenAsUser(true);
  ::kill(first, SIGKILL);
  ::waitpid(first, nullptr, 0);
  const auto [code, why] = TryOpenAsUser();
  EXPECT_EQ(code, 0) << why;
}

// An opener that finds the port locked (here by a plain lock, as a dead
// host's guard holds it for a moment after clearing the flag) must leave
// the port as it found it: the next try gets in once the lock is gone.
TEST_F(PortOfAnotherUser, LosingTheLockLeavesThePortOpenToTheNextTry) {
  // The lock lives in a process of its own: the opener, forked from here,
  // must not inherit the locked descriptor.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t locker = ::fork();
  if (locker == 0) {
    const int device = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    const bool locked = device >= 0 && ::flock(device, LOCK_EX | LOCK_NB) == 0;
    [[maybe_unused]] auto n = ::write(ready[1], locked ? "l" : "x", 1);
    std::this_thread::sleep_for(300ms);
    ::_exit(0);
  }
  ::close(ready[1]);
  char word = 0;
  ASSERT_EQ(::read(ready[0], &word, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(word, 'l');
  const auto [code, why] = TryOpenAsUser();
  EXPECT_EQ(code, 0) << why;
  ::waitpid(locker, nullptr, 0);
}

TEST_F(PortOfAnotherUser, ABusyPortNamesWhoHoldsIt) {
  const pid_t holder = OpenAsUser(true);
  const auto [code, why] = TryOpenAsUser();
  EXPECT_EQ(code, 1);
  EXPECT_NE(why.find("the port is in use by process " + std::to_string(holder)), std::string::npos) << why;
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
}

TEST(SerialChannelLifetime, DestroyingAnOpenChannelClosesIt) {
  PtyPair pty;
  asio::io_context loop;
  RecordingSink sink;
  {
    // The loop's own descriptors come with its first user; count after it.
    SerialChannel first(loop);
    ASSERT_TRUE(first.Open(pty.slavePath(), LineSettings{}, sink));
  }
  const int before = OpenDescriptorCount();
  {
    SerialChannel channel(loop);
    ASSERT_TRUE(channel.Open(pty.slavePath(), LineSettings{}, sink));
    pty.Write(B("late"));
    std::this_thread::sleep_for(50ms);
  }
  loop.run_for(100ms);
  EXPECT_TRUE(sink.batches.empty());
  EXPECT_EQ(OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace kavorin
