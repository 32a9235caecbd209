// The raw-frame log: the exact lines of recorded exchanges, what it must
// never write, its daily cap, a failing disk, and that it is off unless asked.
#include "host/link/frame_log.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/ini_file.hpp"
#include "host/link/logged_serial_port.hpp"
#include "tests/support/fake_serial_port.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;
using testing::FakeSerialPort;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// STX, body, ETX and the check byte as given (literal, so that a wrong LRC
// can be played too).
std::string Frame(const std::string& body, char lrc) { return "\x02" + body + "\x03" + std::string(1, lrc); }

const std::string kFs = "\x1C";
const std::string kTrack = "9409150012345678=25121010000012345678";
const std::string kD1Request = "D1" + kFs + "A" + kTrack + kFs + "00" + kFs + "1004" + kFs + "1";
const std::string kD1Response = "D1" + kFs + "0000" + kFs + "9409150012345678" + kFs + "00" + kFs + "261208021500" +
                                kFs + kFs + "1004" + kFs + "30001234" + kFs + "01";
// Sign data is binary: an ETX inside it must not end the frame.
const std::string kRsResponse = "RS" + kFs + "1" + kFs + "1100000101" + kFs + "ABCDEF0123456789" + kFs +
                                std::string("\x10\x03\x41\x00\xFF\x94", 6) + "09";
const std::string kRcResponse = "RC" + kFs + "1" + kTrack;

class RecordingSink : public SerialSink {
 public:
  bool QueueReceived(std::span<const std::uint8_t> batch) override {
    received.append(batch.begin(), batch.end());
    return true;
  }
  void DataArrived() override { ++arrivals; }
  void DeviceLost(const std::string& reason) override { lost = reason; }
  std::string received;
  int arrivals = 0;
  std::string lost;
};

class FrameLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("kavorin-frames-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  FrameLogOptions Options(std::uint64_t cap = kFrameLogDayCap) {
    FrameLogOptions options;
    options.folder = folder_.string();
    options.dayCap = cap;
    options.clock = [this] { return now_; };
    options.diagnostics = [this](const std::string& text) { diagnostics_.push_back(text); };
    return options;
  }
  fs::path DayFile() const { return folder_ / "frames-20261208.log"; }

  fs::path folder_;
  FrameLogTime now_{{2026, 12, 8, 2, 14, 7}, 100};
  std::vector<std::string> diagnostics_;
};

// One step of an exchange, at a millisecond of 02:14:07 or later.
struct Step {
  enum What { kOpen, kSend, kRead, kClose } what;
  int at;  // ms after 02:14:07.000
  std::string bytes;
};

struct Exchange {
  const char* name;
  std::vector<Step> steps;
  std::string lines;
};

TEST_F(FrameLogTest, RecordsExchangesLineForLine) {
  const std::vector<Exchange> exchanges = {
      {"approval with a card number",
       {{Step::kOpen, 100, ""},
        {Step::kSend, 112, "\x05"},
        {Step::kRead, 130, "\x06"},
        {Step::kSend, 131, Frame(kD1Request, 0x3A)},
        // The response in two reads: one line, when its end has come.
        {Step::kRead, 2300, Frame(kD1Response, 0x74).substr(0, 20)},
        {Step::kRead, 2400, Frame(kD1Response, 0x74).substr(20)},
        {Step::kSend, 2401, "\x06"},
        {Step::kRead, 2420, "\x04"},
        {Step::kClose, 2421, ""}},
       "02:14:07.100 -- open COM3\r\n"
       "02:14:07.112 H>T <ENQ>\r\n"
       "02:14:07.130 T>H <ACK>\r\n"
       "02:14:07.131 H>T <STX> D1 [49 bytes] <ETX> <LRC 3A>\r\n"
       "02:14:09.400 T>H <STX> D1 [56 bytes] reply 0000 card 9409150012****** <ETX> <LRC 74>\r\n"
       "02:14:09.401 H>T <ACK>\r\n"
       "02:14:09.420 T>H <EOT>\r\n"
       "02:14:09.421 -- close\r\n"},
      {"sign data",
       {{Step::kOpen, 0, ""},
        {Step::kSend, 10, "\x05"},
        {Step::kRead, 20, "\x06"},
        {Step::kSend, 21, Frame("RS" + kFs + "12345678900001", 0x3E)},
        {Step::kRead, 900, Frame(kRsResponse, 0x25).substr(0, 38)},
        {Step::kRead, 950, Frame(kRsResponse, 0x25).substr(38)},
        {Step::kSend, 951, "\x06"},
        {Step::kRead, 990, "\x04"},
        {Step::kClose, 991, ""}},
       "02:14:07.000 -- open COM3\r\n"
       "02:14:07.010 H>T <ENQ>\r\n"
       "02:14:07.020 T>H <ACK>\r\n"
       "02:14:07.021 H>T <STX> RS [15 bytes] <ETX> <LRC 3E>\r\n"
       "02:14:07.950 T>H <STX> RS [39 bytes] <ETX> <LRC 25>\r\n"
       "02:14:07.951 H>T <ACK>\r\n"
       "02:14:07.990 T>H <EOT>\r\n"
       "02:14:07.991 -- close\r\n"},
      {"track read, a bad check byte and its repeat",
       {{Step::kOpen, 0, ""},
        {Step::kSend, 1, "\x05"},
        {Step::kRead, 2, "\x06"},
        {Step::kSend, 3, Frame("RC" + kFs, 0x2E)},
        {Step::kRead, 400, Frame(kRcResponse, 0x41)},
        {Step::kSend, 401, "\x15"},
        {Step::kRead, 500, Frame(kRcResponse, 0x26) + ""},
        {Step::kSend, 501, "\x06"},
        {Step::kRead, 510, "\x04"},
        {Step::kClose, 511, ""}},
       "02:14:07.000 -- open COM3\r\n"
       "02:14:07.001 H>T <ENQ>\r\n"
       "02:14:07.002 T>H <ACK>\r\n"
       "02:14:07.003 H>T <STX> RC [1 byte] <ETX> <LRC 2E>\r\n"
       "02:14:07.400 T>H <STX> RC [39 bytes] <ETX> <LRC 41, want 26>\r\n"
       "02:14:07.401 H>T <NAK>\r\n"
       "02:14:07.500 T>H <STX> RC [39 bytes] <ETX> <LRC 26>\r\n"
       "02:14:07.501 H>T <ACK>\r\n"
       "02:14:07.510 T>H <EOT>\r\n"
       "02:14:07.511 -- close\r\n"},
      {"line noise, a reset and a response cut off by the close",
       {{Step::kOpen, 0, ""},
        {Step::kSend, 1, "\x10\x10\x10"},
        {Step::kRead, 2, "xy\x13z\x11\x04"},
        {Step::kRead, 3, Frame(kD1Response, 0x74).substr(0, 16)},
        {Step::kClose, 4, ""}},
       "02:14:07.000 -- open COM3\r\n"
       "02:14:07.001 H>T <DLE> <DLE> <DLE>\r\n"
       "02:14:07.002 T>H [2 stray bytes] <XOFF> [1 stray byte] <XON> <EOT>\r\n"
       "02:14:07.004 T>H <STX> D1 [13 bytes] -- cut off\r\n"
       "02:14:07.004 -- close\r\n"},
  };

  for (const Exchange& exchange : exchanges) {
    SCOPED_TRACE(exchange.name);
    fs::remove_all(folder_);
    FrameLog log(Options());
    FakeSerialPort fake;
    LoggedSerialPort port(fake, &log);
    RecordingSink sink;
    std::string sent, read;
    for (const Step& step : exchange.steps) {
      now_.local.second = 7 + step.at / 1000;
      now_.millisecond = step.at % 1000;
      switch (step.what) {
        case Step::kOpen:
          ASSERT_TRUE(port.Open("COM3", LineSettings{}, sink));
          break;
        case Step::kSend:
          ASSERT_TRUE(port.Send({reinterpret_cast<const std::uint8_t*>(step.bytes.data()), step.bytes.size()}));
          sent += step.bytes;
          break;
        case Step::kRead:
          ASSERT_TRUE(fake.Deliver(step.bytes));
          read += step.bytes;
          break;
        case Step::kClose:
          port.Close();
          break;
      }
    }
    // The exchange itself goes through untouched.
    EXPECT_EQ(fake.wire, sent);
    EXPECT_EQ(sink.received, read);

    const std::string file = ReadFile(DayFile());
    EXPECT_EQ(file, exchange.lines);
    // Nothing of a card number beyond its mask, of a track or of sign data.
    for (const std::string secret : {"345678", "=2512", "ABCDEF", "1100000101", "1004"}) {
      EXPECT_EQ(file.find(secret), std::string::npos) << secret;
    }
    EXPECT_TRUE(diagnostics_.empty());
  }
}

TEST_F(FrameLogTest, StopsAtTheDailyCapWithOneLastLine) {
  const std::string close_line = "02:14:07.100 -- close\r\n";  // 23 bytes
  const std::string full_line = "02:14:07.100 -- frame log full at 300 bytes; nothing more today\r\n";  // 66
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += close_line;  // 230 + 23 + 66 > 300 after these
  expected += full_line;
  {
    FrameLog log(Options(300));
    for (int i = 0; i < 40; ++i) log.Event("close");
    EXPECT_FALSE(log.Stopped());  // full is not broken: tomorrow it writes again
  }
  EXPECT_EQ(ReadFile(DayFile()), expected);
  EXPECT_LE(fs::file_size(DayFile()), 300u);

  // A host started again that day adds nothing; the next day starts afresh.
  FrameLog again(Options(300));
  again.Event("open COM3");
  EXPECT_EQ(ReadFile(DayFile()), expected);
  now_.local.day = 9;
  again.Event("open COM3");
  EXPECT_EQ(ReadFile(folder_ / "frames-20261209.log"), "02:14:07.100 -- open COM3\r\n");
  EXPECT_TRUE(diagnostics_.empty());
}

TEST_F(FrameLogTest, AFailingDiskStopsOnlyTheLog) {
  // The folder's place is taken by a file: nothing can be created there.
  {
    std::ofstream blocker(folder_, std::ios::binary);
    blocker << "x";
  }
  FrameLog log(Options());
  FakeSerialPort fake;
  LoggedSerialPort port(fake, &log);
  RecordingSink sink;
  ASSERT_TRUE(port.Open("COM3", LineSettings{}, sink));
  EXPECT_TRUE(log.Stopped());
  const std::uint8_t enq = 0x05;
  EXPECT_TRUE(port.Send({&enq, 1}));
  EXPECT_TRUE(fake.Deliver("\x06"));
  port.Close();
  EXPECT_EQ(fake.wire, "\x05");
  EXPECT_EQ(sink.received, "\x06");
  EXPECT_EQ(sink.arrivals, 1);
  ASSERT_EQ(diagnostics_.size(), 1u);
  EXPECT_EQ(diagnostics_[0].rfind("frame log stopped: cannot open ", 0), 0u) << diagnostics_[0];
  fs::remove(folder_);
}

// The port's reader thread and the link both write, and midnight may pass
// between any two lines: every line must come out whole, in its day's file.
TEST_F(FrameLogTest, TheReaderAndTheLinkWriteWholeLinesAcrossMidnight) {
  FrameLogOptions options = Options();
  std::atomic<int> tick{0};
  options.clock = [&tick] {
    const bool next_day = tick.fetch_add(1) % 2 == 1;
    return FrameLogTime{{2026, 12, next_day ? 9 : 8, next_day ? 0 : 23, next_day ? 0 : 59, next_day ? 0 : 59}, 999};
  };
  constexpr int kBatches = 2000;
  {
    FrameLog log(std::move(options));
    const auto writer = [&log](WireDirection direction, std::uint8_t byte) {
      for (int i = 0; i < kBatches; ++i) {
        log.Bytes(direction, {&byte, 1});
        log.EndBatch(direction);
      }
    };
    std::thread link(writer, WireDirection::kHostToTerminal, std::uint8_t{0x05});
    std::thread reader(writer, WireDirection::kTerminalToHost, std::uint8_t{0x06});
    link.join();
    reader.join();
    EXPECT_FALSE(log.Stopped());
  }
  const std::regex whole(R"((23:59:59|00:00:00)\.999 (H>T <ENQ>|T>H <ACK>)\r)");
  int lines = 0;
  for (const char* name : {"frames-20261208.log", "frames-20261209.log"}) {
    std::ifstream in(folder_ / name, std::ios::binary);
    for (std::string line; std::getline(in, line); ++lines) EXPECT_TRUE(std::regex_match(line, whole)) << line;
  }
  EXPECT_EQ(lines, 2 * kBatches);
}

TEST_F(FrameLogTest, IsOffUnlessSwitchedOn) {
  struct Case {
    const char* environment;
    const char* ini;
    bool wanted;
  };
  for (const Case& c : {Case{nullptr, "", false}, Case{nullptr, "0", false}, Case{nullptr, "1", true},
                        Case{"1", "", true}, Case{"0", "1", false}, Case{"", "1", true}, Case{"yes", "", false}}) {
    EXPECT_EQ(FrameLogWanted(c.environment, c.ini), c.wanted)
        << (c.environment ? c.environment : "(unset)") << " / " << c.ini;
  }

  // The switch as the ini file beside the host carries it.
  fs::create_directories(folder_);
  const fs::path ini = folder_ / kIniFileName;
  std::ofstream(ini, std::ios::binary) << "[General]\r\nCOM_Port=COM3\r\n FrameLog = 1 \r\n[Other]\r\nFrameLog=0\r\n";
  EXPECT_EQ(ReadIniString(ini.string(), "general", "framelog", 8), "1");

  // Off, the port passes every call through and nothing is written.
  if (std::getenv("KAVORIN_FRAME_LOG") == nullptr) {
    EXPECT_EQ(OpenFrameLogIfWanted(nullptr), nullptr);
  }
  FakeSerialPort fake;
  LoggedSerialPort port(fake, nullptr);
  RecordingSink sink;
  ASSERT_TRUE(port.Open("COM3", LineSettings{}, sink));
  EXPECT_TRUE(fake.Deliver("\x06"));
  port.Close();
  EXPECT_EQ(sink.received, "\x06");
  EXPECT_FALSE(fs::exists(DayFile()));
}

}  // namespace
}  // namespace kavorin
