// The simulator on one end of a pty, the host's termios channel on the
// other, raw bytes between them.
#include "tools/catsim/terminal.hpp"

#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/link/serial_posix.hpp"
#include "tools/catsim/wire.hpp"

namespace catsim {
namespace {

using namespace std::chrono_literals;

constexpr auto kBound = 10s;  // generous: the machine may be busy

// Plays the host with nothing but the channel: sends bytes, collects what
// comes back.
class RawHost : public kavorin::SerialSink {
 public:
  bool Open(const std::string& path) { return channel.Open(path, kavorin::LineSettings{}, *this); }
  bool Send(std::string_view bytes) {
    return channel.Send(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  // The next `count` bytes, or what came within the bound.
  std::string Take(std::size_t count, std::chrono::milliseconds bound = kBound) {
    RunUntil([&] { return received.size() >= count; }, bound);
    return Pop(std::min(count, received.size()));
  }
  // The next whole frame (STX .. ETX LRC), with any bytes before it.
  std::string TakeFrame(std::chrono::milliseconds bound = kBound) {
    auto end = [&] {
      std::size_t stx = received.find(kStx);
      if (stx == std::string::npos) return std::string::npos;
      std::size_t etx = received.find(kEtx, stx);
      return etx == std::string::npos || etx + 1 >= received.size() ? std::string::npos : etx + 2;
    };
    RunUntil([&] { return end() != std::string::npos; }, bound);
    std::size_t size = end();
    return Pop(size == std::string::npos ? received.size() : size);
  }
  // Whatever arrives within `period`.
  std::string Quiet(std::chrono::milliseconds period) {
    RunUntil([] { return false; }, period);
    return Pop(received.size());
  }

  bool QueueReceived(std::span<const std::uint8_t> batch) override {
    received.append(batch.begin(), batch.end());
    ++batches;
    return true;
  }
  void DataArrived() override {}

  asio::io_context loop;
  kavorin::SerialChannel channel{loop};
  std::string received;
  int batches = 0;

 private:
  void RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    auto until = std::chrono::steady_clock::now() + bound;
    while (!done() && std::chrono::steady_clock::now() < until) {
      loop.restart();
      loop.run_for(5ms);
    }
  }
  std::string Pop(std::size_t count) {
    std::string out = received.substr(0, count);
    received.erase(0, count);
    return out;
  }
};

std::tm FixedTime() {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 0;
  t.tm_mday = 31;
  t.tm_hour = 9;
  t.tm_min = 30;
  return t;
}

const std::string kEnqByte(1, kEnq), kAckByte(1, kAck), kNakByte(1, kNak), kEotByte(1, kEot),
    kDleByte(1, kDle);

const std::string kD1Request = TextFrame("D1", {"A9410123456781234=3012", "00", "1004", "0"});

std::string ExpectedD1Response(const std::string& responseCode = "0000") {
  ResponseOptions options;
  options.responseCode = responseCode;
  return *BuildResponse(*ParseRequest(kD1Request), options, FixedTime());
}

class TerminalTest : public ::testing::Test {
 public:
  TerminalOptions Fast() {
    TerminalOptions options;
    options.pacing = false;
    options.clock = FixedTime;
    options.requestTimeout = 2s;
    options.answerTimeout = 2s;
    return options;
  }
  void StartWith(TerminalOptions options) {
    terminal = std::make_unique<Terminal>(std::move(options));
    std::string error;
    ASSERT_TRUE(terminal->Start(error)) << error;
    ASSERT_TRUE(host.Open(terminal->PortPath())) << host.channel.LastError();
  }
  // ENQ, ACK, request, response: the host then answers it.
  std::string RequestD1() {
    EXPECT_TRUE(host.Send(kEnqByte));
    EXPECT_EQ(host.Take(1), kAckByte);
    EXPECT_TRUE(host.Send(kD1Request));
    return host.TakeFrame();
  }
  ExchangeReport Report(int number) {
    std::optional<ExchangeReport> report = terminal->WaitExchange(number, kBound);
    EXPECT_TRUE(report) << "exchange " << number << " did not finish";
    return report.value_or(ExchangeReport{});
  }

  std::unique_ptr<Terminal> terminal;
  RawHost host;
};

TEST_F(TerminalTest, AGoodCreditApprovalByteForByte) {
  StartWith(Fast());
  const std::string response = RequestD1();
  EXPECT_EQ(response, ExpectedD1Response());
  ASSERT_TRUE(host.Send(kAckByte));
  EXPECT_EQ(host.Take(1), kEotByte);

  ExchangeReport report = Report(1);
  EXPECT_EQ(report.outcome, Outcome::Completed);
  EXPECT_EQ(report.code, "D1");
  EXPECT_EQ(report.request, kD1Request);
  EXPECT_EQ(report.fromHost, kEnqByte + kD1Request + kAckByte);
  EXPECT_EQ(report.fromTerminal, kAckByte + response + kEotByte);
}

TEST_F(TerminalTest, MessagesWithoutAResponseEndWithEotAfterTheRequest) {
  StartWith(Fast());
  std::string f3 = std::string(1, kStx) + "F3" + "0003" + std::string("\x03\x03\x41", 3) + kEtx;
  f3 += Lrc(std::string_view(f3).substr(1));
  const std::string requests[] = {TextFrame("C1", {"", "", "1000", "0"}), TextFrame("MB", {}), f3};
  int number = 0;
  for (const std::string& request : requests) {
    SCOPED_TRACE(Hex(request));
    ASSERT_TRUE(host.Send(kEnqByte));
    EXPECT_EQ(host.Take(1), kAckByte);
    ASSERT_TRUE(host.Send(request));
    EXPECT_EQ(host.Take(1), kEotByte);
    EXPECT_EQ(Report(++number).outcome, Outcome::Completed);
  }
}

// Exchange 1 carries the fault, exchange 2 must then go through untouched.
TEST_F(TerminalTest, EachFaultHitsOnlyItsOwnExchange) {
  struct Case {
    const char* fault;
    std::function<void(TerminalTest&)> run;  // drives exchange 1 from the host's side
    Outcome outcome;
  };
  const std::string good = ExpectedD1Response();
  std::string badLrc = good;
  badLrc.back() = static_cast<char>(badLrc.back() ^ 0x01);
  const Case cases[] = {
      {"silence",
       [](TerminalTest& t) {
         t.host.Send(kEnqByte);
         EXPECT_EQ(t.host.Quiet(300ms), "");
       },
       Outcome::EnqRefused},
      {"nak", [](TerminalTest& t) { t.host.Send(kEnqByte); EXPECT_EQ(t.host.Take(1), kNakByte); }, Outcome::EnqRefused},
      {"dle", [](TerminalTest& t) { t.host.Send(kEnqByte); EXPECT_EQ(t.host.Take(1), kDleByte); }, Outcome::EnqRefused},
      {"eot", [](TerminalTest& t) { t.host.Send(kEnqByte); EXPECT_EQ(t.host.Take(1), kEotByte); }, Outcome::EnqRefused},
      {"noise-before-ack=0041",
       [](TerminalTest& t) {
         t.host.Send(kEnqByte);
         EXPECT_EQ(t.host.Take(3), std::string("\x00\x41\x06", 3));
         // A host that took no ACK sends nothing more: the terminal gives up.
       },
       Outcome::NoRequest},
      {"request-eot",
       [](TerminalTest& t) {
         t.host.Send(kEnqByte); t.host.Take(1); t.host.Send(kD1Request);
         EXPECT_EQ(t.host.Take(1), kEotByte);
       },
       Outcome::RequestRefused},
      {"request-silence",
       [](TerminalTest& t) {
         t.host.Send(kEnqByte); t.host.Take(1); t.host.Send(kD1Request);
         EXPECT_EQ(t.host.Quiet(300ms), "");
       },
       Outcome::RequestRefused},
      {"bad-lrc",
       [&](TerminalTest& t) {
         EXPECT_EQ(t.RequestD1(), badLrc);
         t.host.Send(kNakByte);
         EXPECT_EQ(t.host.TakeFrame(), good);
         t.host.Send(kAckByte);
         EXPECT_EQ(t.host.Take(1), kEotByte);
       },
       Outcome::Completed},
      {"noise-before-response=41",
       [&](TerminalTest& t) {
         EXPECT_EQ(t.RequestD1(), "A" + good);
         t.host.Send(kAckByte); t.host.Take(1);
       },
       Outcome::Completed},
      {"noise-inside=04@4",
       [&](TerminalTest& t) {
         EXPECT_EQ(t.RequestD1(), good.substr(0, 4) + kEotByte + good.substr(4));
         t.host.Send(kAckByte); t.host.Take(1);
       },
       Outcome::Completed},
      {"split=150@10",
       [&](TerminalTest& t) {
         EXPECT_EQ(t.RequestD1(), good);
         t.host.Send(kAckByte); t.host.Take(1);
       },
       Outcome::Completed},
      {"no-eot",
       [&](TerminalTest& t) {
         EXPECT_EQ(t.RequestD1(), good);
         t.host.Send(kAckByte);
         EXPECT_EQ(t.host.Quiet(300ms), "");
       },
       Outcome::NoEot},
      {"response-code=8001",
       [&](TerminalTest& t) {
         EXPECT_EQ(t.RequestD1(), ExpectedD1Response("8001"));
         t.host.Send(kAckByte); t.host.Take(1);
       },
       Outcome::Completed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    TerminalOptions options = Fast();
    options.requestTimeout = 500ms;
    std::string error;
    std::optional<ExchangeScript> script = ParseScript(c.fault, error);
    ASSERT_TRUE(script) << error;
    options.scripts[1] = *script;
    host.channel.Close();
    host.received.clear();
    StartWith(options);

    c.run(*this);
    EXPECT_EQ(Report(1).outcome, c.outcome);

    // The link closes the port after every exchange; so does this host.
    host.channel.Close();
    ASSERT_TRUE(host.Open(terminal->PortPath())) << host.channel.LastError();
    EXPECT_EQ(RequestD1(), good);
    host.Send(kAckByte);
    EXPECT_EQ(host.Take(1), kEotByte);
    EXPECT_EQ(Report(2).outcome, Outcome::Completed);
    terminal->Stop();
  }
}

TEST_F(TerminalTest, ASplitResponseLeavesInTwoWrites) {
  TerminalOptions options = Fast();
  options.scripts[1].split = true;
  options.scripts[1].splitPause = 100ms;
  StartWith(options);
  RequestD1();
  host.Send(kAckByte);
  host.Take(1);
  Report(1);
  int writes = 0;
  for (const WireEvent& event : terminal->Events()) {
    if (event.kind == WireEvent::Kind::FromTerminal && event.exchange == 1) ++writes;
  }
  EXPECT_EQ(writes, 4);  // ACK, two halves, EOT
}

TEST_F(TerminalTest, ARequestWithABadLrcIsRefusedUntilItComesRight) {
  StartWith(Fast());
  std::string broken = kD1Request;
  broken.back() = static_cast<char>(broken.back() ^ 0x02);
  host.Send(kEnqByte);
  EXPECT_EQ(host.Take(1), kAckByte);
  host.Send(broken);
  EXPECT_EQ(host.Take(1), kNakByte);
  host.Send(kD1Request);
  EXPECT_EQ(host.TakeFrame(), ExpectedD1Response());
  host.Send(kAckByte);
  EXPECT_EQ(host.Take(1), kEotByte);
  EXPECT_EQ(Report(1).outcome, Outcome::Completed);
}

TEST_F(TerminalTest, TheHostsCancelEndsTheExchangeAndIsNotedWhenIdle) {
  StartWith(Fast());
  host.Send(kEnqByte);
  host.Take(1);
  host.Send(std::string(3, kDle));
  EXPECT_EQ(Report(1).outcome, Outcome::Cancelled);
  host.Send(std::string(3, kDle));
  EXPECT_EQ(host.Quiet(200ms), "");
  EXPECT_EQ(terminal->IdleBytesFromHost(), std::string(3, kDle));

  EXPECT_EQ(RequestD1(), ExpectedD1Response());
  host.Send(kAckByte);
  EXPECT_EQ(host.Take(1), kEotByte);
  EXPECT_EQ(Report(2).outcome, Outcome::Completed);
}

TEST_F(TerminalTest, ANewEnqStartsANewExchange) {
  StartWith(Fast());
  host.Send(kEnqByte);
  host.Take(1);
  EXPECT_EQ(RequestD1(), ExpectedD1Response());
  ExchangeReport first = Report(1);
  EXPECT_EQ(first.outcome, Outcome::NoRequest);
  EXPECT_EQ(first.fromHost, kEnqByte);
  host.Send(kAckByte);
  EXPECT_EQ(host.Take(1), kEotByte);
  EXPECT_EQ(Report(2).outcome, Outcome::Completed);
}

TEST_F(TerminalTest, AHangUpMidResponseLosesTheLineAndANewOneTakesItsPlace) {
  const auto dir = std::filesystem::temp_directory_path() / ("catsim-hangup-" + std::to_string(::getpid()));
  TerminalOptions options = Fast();
  options.linkPath = (dir / "dosdevices" / "com7").string();
  options.scripts[1].hangUp = true;
  StartWith(options);
  const std::string firstSlave = terminal->SlavePath();

  host.Send(kEnqByte);
  EXPECT_EQ(host.Take(1), kAckByte);
  host.Send(kD1Request);
  std::string half;
  auto until = std::chrono::steady_clock::now() + kBound;
  while (!terminal->WaitExchange(1, 0ms) && std::chrono::steady_clock::now() < until) half += host.Quiet(20ms);
  half += host.Quiet(100ms);
  EXPECT_EQ(half, ExpectedD1Response().substr(0, half.size()));
  EXPECT_LT(half.size(), ExpectedD1Response().size());
  EXPECT_EQ(Report(1).outcome, Outcome::HungUp);
  EXPECT_FALSE(host.Send(kAckByte));
  EXPECT_NE(terminal->SlavePath(), firstSlave);
  host.channel.Close();

  // The host maps COM7 through the same link, which now leads to the new line.
  const char* saved = std::getenv("KAVORIN_CONFIG_DIR");
  std::string keep = saved ? saved : "";
  ::setenv("KAVORIN_CONFIG_DIR", dir.c_str(), 1);
  ASSERT_TRUE(host.Open("COM7")) << host.channel.LastError();
  EXPECT_EQ(RequestD1(), ExpectedD1Response());
  host.Send(kAckByte);
  EXPECT_EQ(host.Take(1), kEotByte);
  EXPECT_EQ(Report(2).outcome, Outcome::Completed);
  saved ? ::setenv("KAVORIN_CONFIG_DIR", keep.c_str(), 1) : ::unsetenv("KAVORIN_CONFIG_DIR");

  host.channel.Close();
  terminal->Stop();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(options.linkPath)))
      << "the simulator removes the link it made";
  std::filesystem::remove_all(dir);
}

// Pacing and slow bytes only ever make the line slower; lower bounds cannot
// fail on a busy machine.
TEST_F(TerminalTest, PacedBytesTakeTheirLineTime) {
  TerminalOptions options = Fast();
  options.pacing = true;  // 9600 baud: about 1.04 ms a byte
  options.scripts[2].slowByte = 3ms;
  StartWith(options);
  const std::size_t size = ExpectedD1Response().size();
  for (auto atLeast : {std::chrono::microseconds(1000 * (size - 1)), std::chrono::microseconds(4000 * (size - 1))}) {
    host.Send(kEnqByte);
    host.Take(1);
    host.Send(kD1Request);
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(host.TakeFrame(), ExpectedD1Response());
    EXPECT_GE(std::chrono::steady_clock::now() - begin, atLeast);
    host.Send(kAckByte);
    host.Take(1);
  }
  EXPECT_GT(host.batches, 20) << "paced bytes arrive a few at a time";
}

TEST_F(TerminalTest, EveryByteIsRecordedAsJsonLines) {
  const auto file = std::filesystem::temp_directory_path() / ("catsim-record-" + std::to_string(::getpid()) + ".jsonl");
  TerminalOptions options = Fast();
  options.recordPath = file.string();
  std::vector<WireEvent> seen;
  options.onEvent = [&](const WireEvent& event) { seen.push_back(event); };
  StartWith(options);
  RequestD1();
  host.Send(kAckByte);
  host.Take(1);
  Report(1);
  terminal->Stop();

  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), seen.size());
  std::string fromHost, fromTerminal;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(lines[i], ToJsonLine(seen[i]));
    if (seen[i].kind == WireEvent::Kind::FromHost) fromHost += seen[i].bytes;
    if (seen[i].kind == WireEvent::Kind::FromTerminal) fromTerminal += seen[i].bytes;
    if (i > 0) {
      EXPECT_GE(seen[i].microseconds, seen[i - 1].microseconds);
    }
  }
  EXPECT_EQ(fromHost, kEnqByte + kD1Request + kAckByte);
  EXPECT_EQ(fromTerminal, kAckByte + ExpectedD1Response() + kEotByte);
  EXPECT_EQ(lines.front(), R"({"t_us":)" + std::to_string(seen.front().microseconds) + R"(,"from":"host","hex":"05"})");
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace catsim
