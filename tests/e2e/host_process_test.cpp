// The real host program, its real socket, a real pty and the simulator:
// what the client library and the POS see.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <chrono>
#include <thread>
#include <vector>

#include "host/link/status_check.hpp"
#include "contract/ipc_protocol.hpp"
#include "contract/posix/host_client.hpp"
#include "contract/posix/runtime_dir.hpp"
#include "contract/service_methods.hpp"
#include "tests/e2e/host_process.hpp"
#include "tests/e2e/pty_rig.hpp"

namespace kavorin::testing {
namespace {

using namespace std::chrono_literals;

std::vector<ServiceValue> CreditTexts() {
  return {std::u16string(), std::u16string(u"4000123412341234=2812"), std::u16string(u"00"), std::u16string(u"5000"),
          std::u16string(u"0")};
}

TEST(HostProcess, CreditApprovalThroughTheSocket) {
  catsim::TerminalOptions options;
  options.response.transaction[2] = "4000123412341234=2812";
  PtyRig rig("host-d1", options);
  ASSERT_TRUE(rig.started);
  HostProcess host;
  auto client = Connect();
  ASSERT_TRUE(client);
  EXPECT_EQ(IntOf(Call(*client, "StartComPort", {std::u16string(u"COM7")})), 1);
  EXPECT_EQ(IntOf(Call(*client, "CreditAuth", CreditTexts())), 0);
  EXPECT_EQ(WaitFinal(*client), kStatusSuccess);
  const ServiceReply amount = Call(*client, "GetAuthAmount");
  EXPECT_EQ(IntOf(amount), 0);
  EXPECT_EQ(std::get<std::u16string>(amount.outs[1]), u"5000");
  EXPECT_EQ(std::get<std::u16string>(Call(*client, "GetCardNumber").outs[1]), u"4000123412******");
}

TEST(HostProcess, TwoClientProcessesShareOneService) {
  PtyRig rig("host-share");
  ASSERT_TRUE(rig.started);
  HostProcess host;
  ASSERT_TRUE(Connect());  // the host is up

  // Another process opens the port...
  const pid_t other = ::fork();
  if (other == 0) {
    HostClient client;
    std::string error;
    ServiceReply reply;
    const bool ok = client.Connect(DefaultRuntimePaths().socket, 5s, error) &&
                    client.Call(1, {std::u16string(u"COM7")}, reply, error) && reply.outs.size() == 1 &&
                    std::get<std::int32_t>(reply.outs[0]) == 1;
    ::_exit(ok ? 0 : 1);
  }
  ASSERT_EQ(HostProcess::WaitExit(other, 20s), 0);

  // ...and this one finds it open.
  auto client = Connect();
  ASSERT_TRUE(client);
  EXPECT_EQ(IntOf(Call(*client, "CreditAuth", CreditTexts())), 0);
  EXPECT_EQ(WaitFinal(*client), kStatusSuccess);
}

TEST(HostProcess, ServiceTerminateEndsTheHostHalfASecondLater) {
  PtyRig rig("host-terminate");
  HostProcess host;
  auto client = Connect();
  auto other = Connect();
  ASSERT_TRUE(client && other);
  Call(*client, "StartComPort", {std::u16string(u"COM7")});
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(IntOf(Call(*client, "ServiceTerminate")), 0);
  // Until it is gone the host takes no new work: nobody new reaches it, and
  // a client already there is told it is ending.
  HostClient late;
  std::string error;
  EXPECT_FALSE(late.Connect(DefaultRuntimePaths().socket, 1s, error));
  EXPECT_EQ(late.lastFailure(), HostClient::Failure::kNoHost) << error;
  EXPECT_EQ(Call(*other, "StartComPort", {std::u16string(u"COM7")}).dispatch, kServiceEnding);
  EXPECT_EQ(host.Exit(10s), 0);
  const auto took = std::chrono::steady_clock::now() - asked;
  EXPECT_GE(took, 450ms);
  EXPECT_FALSE(std::filesystem::exists(DefaultRuntimePaths().socket));
  EXPECT_FALSE(std::filesystem::exists(DefaultRuntimePaths().lock));
}

TEST(HostProcess, SigtermClosesThePortAndCleansUp) {
  PtyRig rig("host-sigterm");
  HostProcess host;
  auto client = Connect();
  ASSERT_TRUE(client);
  EXPECT_EQ(IntOf(Call(*client, "StartComPort", {std::u16string(u"COM7")})), 1);
  ::kill(host.pid, SIGTERM);
  EXPECT_EQ(host.Exit(10s), 0);
  EXPECT_FALSE(std::filesystem::exists(DefaultRuntimePaths().socket));
  // The port is free again: a new host can open it at once.
  HostProcess second;
  auto again = Connect();
  ASSERT_TRUE(again);
  EXPECT_EQ(IntOf(Call(*again, "StartComPort", {std::u16string(u"COM7")})), 1);
}

TEST(HostProcess, SecondInstanceAndRegistrationSwitchesExitAtOnce) {
  PtyRig rig("host-second");
  HostProcess host;
  ASSERT_TRUE(Connect());
  EXPECT_EQ(HostProcess::WaitExit(HostProcess::Spawn(), 5s), 0);
  EXPECT_EQ(HostProcess::WaitExit(HostProcess::Spawn("/RegServer"), 5s), 0);
  auto client = Connect();
  ASSERT_TRUE(client);  // the first one still serves
  EXPECT_EQ(IntOf(Call(*client, "StatusCheck")), kStatusNothingStarted);
}

TEST(HostProcess, RegistrationSwitchesExitWithoutServing) {
  PtyRig rig("host-regserver");
  for (const char* command : {"/RegServer", "-unregserver"}) {
    EXPECT_EQ(HostProcess::WaitExit(HostProcess::Spawn(command), 5s), 0) << command;
  }
  EXPECT_FALSE(std::filesystem::exists(DefaultRuntimePaths().socket));
}

TEST(HostProcess, GarbageAndOversizeFramesCloseOnlyThatConnection) {
  PtyRig rig("host-garbage");
  HostProcess host;
  auto good = Connect();
  ASSERT_TRUE(good);

  const std::vector<std::string> attacks = {
      std::string("GET / HTTP/1.1\r\n\r\n"),
      std::string("\xFF\xFF\xFF\x7F", 4),                          // 2 GiB announced
      std::string("\x05\x00\x00\x00\x03\x02\x00\x00\x00", 9),      // a call before the hello
      ipc::EncodeHello() + std::string("\x02\x00\x00\x00\x03\x01", 6),  // a cut call
  };
  for (const auto& attack : attacks) {
    const int fd = RawConnect();
    ASSERT_EQ(::send(fd, attack.data(), attack.size(), MSG_NOSIGNAL), static_cast<ssize_t>(attack.size()));
    if (attack.size() > 11) {  // the hello is answered first
      char welcome[7];
      ::recv(fd, welcome, sizeof welcome, MSG_WAITALL);
    }
    EXPECT_TRUE(ClosedByHost(fd));
    ::close(fd);
  }
  EXPECT_EQ(IntOf(Call(*good, "StatusCheck")), kStatusNothingStarted);
}

TEST(HostProcess, AClientKilledMidCallHarmsNothing) {
  PtyRig rig("host-killed");
  HostProcess host;
  ASSERT_TRUE(Connect());
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = RawConnect();
    const std::string frame = ipc::EncodeHello() + ipc::EncodeCall(2, {std::u16string(u"half")});
    ::send(fd, frame.data(), frame.size() - 3, MSG_NOSIGNAL);
    ::pause();
    ::_exit(0);
  }
  std::this_thread::sleep_for(200ms);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  auto client = Connect();
  ASSERT_TRUE(client);
  EXPECT_EQ(IntOf(Call(*client, "StartComPort", {std::u16string(u"COM7")})), 1);
}

TEST(HostProcess, EightClientsCallGettersConcurrently) {
  PtyRig rig("host-load");
  HostProcess host;
  ASSERT_TRUE(Connect());
  std::atomic<int> failures{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 8; ++c) {
    clients.emplace_back([&] {
      HostClient client;
      std::string error;
      if (!client.Connect(DefaultRuntimePaths().socket, 10s, error)) {
        ++failures;
        return;
      }
      for (int i = 0; i < 1000; ++i) {
        ServiceReply reply;
        if (!client.Call(17, {}, reply, error) || reply.outs.size() != 2 ||
            std::get<std::int32_t>(reply.outs[0]) != -1) {
          ++failures;
        }
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace kavorin::testing
