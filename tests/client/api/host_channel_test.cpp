// The frame every export runs in: which failures to reach a host it tries
// again, on the host that follows, and for how long.
#include "client/api/host_channel.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace kavorin {
namespace {

struct Script {
  int transient_failures = 0;  // activations failing as a host comes or goes
  bool then_fail_for_good = false;
  int activations = 0;
  int bodies = 0;
};
Script g_script;

class ScriptedChannel : public HostChannel {
 public:
  HostStatus Activate() override {
    ++g_script.activations;
    if (g_script.transient_failures != 0) {
      if (g_script.transient_failures > 0) --g_script.transient_failures;
      transient_ = true;
      return HostStatus::kFailure;
    }
    return g_script.then_fail_for_good ? HostStatus::kFailure : HostStatus::kOk;
  }
  HostStatus Call(int, const std::vector<ServiceValue>&, ServiceReply&) override { return HostStatus::kOk; }
  std::string LastError() const override { return {}; }
  bool FailureIsTransient() const override { return transient_; }

 private:
  bool transient_ = false;
};

class WithHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_script = Script{};
    SetHostChannelFactory([]() -> std::unique_ptr<HostChannel> { return std::make_unique<ScriptedChannel>(); });
  }
  void TearDown() override { SetHostChannelFactory(nullptr); }
  static HostStatus Run() {
    return WithHost([](HostChannel&) {
      ++g_script.bodies;
      return HostStatus::kOk;
    });
  }
};

TEST_F(WithHostTest, ActivationFailuresOfAHostComingOrGoingAreTriedAgainWithinTheWait) {
  const struct {
    int transient;
    bool fail_for_good;
    HostStatus result;
    int activations;
    int bodies;
  } cases[] = {
      {0, false, HostStatus::kOk, 1, 1},
      {3, false, HostStatus::kOk, 4, 1},       // the old host's registration lingered
      {0, true, HostStatus::kFailure, 1, 0},   // any other failure is reported at once
      {2, true, HostStatus::kFailure, 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.transient);
    g_script = Script{c.transient, c.fail_for_good};
    EXPECT_EQ(Run(), c.result);
    EXPECT_EQ(g_script.activations, c.activations);
    EXPECT_EQ(g_script.bodies, c.bodies);
  }
}

TEST_F(WithHostTest, AHostThatNeverComesIsGivenUpAfterTheBoundedWait) {
  g_script.transient_failures = -1;  // for ever
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(), HostStatus::kFailure);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, kEndingHostWait);
  EXPECT_LT(waited, kEndingHostWait + std::chrono::seconds(2));
  EXPECT_EQ(g_script.bodies, 0);
  // Paced, not spinning: a try every 20 ms or so.
  EXPECT_LT(g_script.activations, 400);
}

}  // namespace
}  // namespace kavorin
