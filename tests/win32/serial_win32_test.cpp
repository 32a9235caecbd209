// The Win32 serial channel against real ports: ptys mapped as COM ports into
// the Wine prefix by the pty peer (see pty_peer.cpp), which joins ports A and
// B as a null-modem. The channel opens A; the test plays the terminal on B
// with plain Win32 calls.
#include "host/link/serial_win32.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "host/service/win32/message_window.hpp"

namespace kavorin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Generous: the machine running the tests may be loaded.
constexpr DWORD kWaitMs = 10000;

std::string PortFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "";
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Bytes without the XON/XOFF characters, which the line's flow control
// takes out of the stream.
Bytes Pattern(std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(0x20 + (i * 7) % 0x5F);
  return out;
}

class RecordingSink : public SerialSink {
 public:
  bool QueueReceived(std::span<const std::uint8_t> batch) override {
    batches.emplace_back(batch.begin(), batch.end());
    received.insert(received.end(), batch.begin(), batch.end());
    return true;
  }
  void DataArrived() override {
    ++deliveries;
    if (on_arrival) on_arrival();
  }
  void DeviceLost(const std::string& reason) override { lost.push_back(reason); }
  Bytes received;
  std::vector<Bytes> batches;
  int deliveries = 0;
  std::function<void()> on_arrival;
  std::vector<std::string> lost;
};

// The terminal's end of the null-modem, with the plain blocking calls a
// simple program would use.
class Terminal {
 public:
  explicit Terminal(const std::string& name) {
    handle_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handle_, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    SetCommState(handle_, &dcb);
    // Completes 20 ms after bytes stop coming, or after 200 ms of silence
    // (Windows: success with no byte; Wine on a pty: ERROR_TIMEOUT).
    COMMTIMEOUTS timeouts{20, 0, 200, 0, 2000};
    SetCommTimeouts(handle_, &timeouts);
  }
  ~Terminal() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

  bool Write(const Bytes& data) {
    DWORD written = 0;
    return WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
  }

  // Reads until `count` bytes came or `timeoutMs` passed.
  Bytes Read(std::size_t count, DWORD timeoutMs = kWaitMs) {
    Bytes out;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (out.size() < count && GetTickCount64() < deadline) {
      std::uint8_t buffer[4096];
      DWORD got = 0;
      if (ReadFile(handle_, buffer, sizeof buffer, &got, nullptr) && got > 0) out.insert(out.end(), buffer, buffer + got);
    }
    return out;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class SerialChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_a_ = PortFromEnvironment("KAVORIN_TEST_COM_A");
    port_b_ = PortFromEnvironment("KAVORIN_TEST_COM_B");
    port_stall_ = PortFromEnvironment("KAVORIN_TEST_COM_STALL");
    port_held_ = PortFromEnvironment("KAVORIN_TEST_COM_HELD");
    port_gone_ = PortFromEnvironment("KAVORIN_TEST_COM_GONE");
    port_missing_ = PortFromEnvironment("KAVORIN_TEST_COM_MISSING");
    ASSERT_FALSE(port_a_.empty()) << "run under pty_peer, which maps the test ports";
    ASSERT_NE(window_.Handle(), nullptr);
    window_.SetMessageHandler(kWmCatData, [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (!channel_.HandleCatData(wParam, lParam)) ++stale_deliveries_;
      return 0;
    });
  }

  bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
    return PumpMessagesUntil(done, timeoutMs);
  }

  std::string port_a_, port_b_, port_stall_, port_held_, port_gone_, port_missing_;
  MessageWindow window_{"KavorinSerialTestWindow", "serial test"};
  SerialChannel channel_{window_.Handle()};
  RecordingSink sink_;
  int stale_deliveries_ = 0;
};

TEST_F(SerialChannelTest, OpenAppliesTheLineSettingsAndTimeOuts) {
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_)) << channel_.LastError();
  EXPECT_TRUE(channel_.IsOpen());
  EXPECT_TRUE(channel_.LastError().empty());

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(channel_.NativeHandle(), &dcb));
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.fOutX, 1u);
  EXPECT_EQ(dcb.fInX, 1u);
  EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
  EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
  EXPECT_EQ(dcb.XonChar, 0x11);
  EXPECT_EQ(dcb.XoffChar, 0x13);

  DWORD mask = 0;
  ASSERT_TRUE(GetCommMask(channel_.NativeHandle(), &mask));
  EXPECT_EQ(mask, static_cast<DWORD>(EV_RXCHAR));

  // Let the reader settle on its way of waiting before reading the time-outs.
  Sleep(200);
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(channel_.NativeHandle(), &timeouts));
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1000u);
  if (channel_.UsesTimedReads()) {
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 20u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, SerialChannel::kTimedReadMs);
  } else {
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1000u);
  }
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
}

TEST_F(SerialChannelTest, BytesTravelBothWays) {
  const std::vector<Bytes> cases = {
      {0x05},                                         // ENQ
      Text("\x02" "D1\x1c" "0000\x03" "A"),           // a short frame
      Pattern(600),                                   // more than one pty read
      Pattern(SerialChannel::kInputQueueBytes + 700)  // more than one driver queue
  };
  Terminal terminal(port_b_);
  ASSERT_TRUE(terminal.ok());
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_)) << channel_.LastError();
  for (const Bytes& data : cases) {
    SCOPED_TRACE(data.size());
    // Host to terminal.
    ASSERT_TRUE(channel_.Send(data)) << channel_.LastError();
    EXPECT_EQ(terminal.Read(data.size()), data);
    // Terminal to host: batches arrive in order, nothing lost or doubled.
    sink_.received.clear();
    ASSERT_TRUE(terminal.Write(data));
    EXPECT_TRUE(PumpUntil([&] { return sink_.received.size() >= data.size(); }));
    EXPECT_EQ(sink_.received, data);
  }
  EXPECT_EQ(stale_deliveries_, 0);
}

TEST_F(SerialChannelTest, TheReaderWaitsUntilTheLoopHasTakenADelivery) {
  Terminal terminal(port_b_);
  ASSERT_TRUE(terminal.ok());
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  ASSERT_TRUE(terminal.Write(Text("first")));
  // Nothing runs the sink while the loop thread is busy elsewhere.
  Sleep(300);
  EXPECT_EQ(sink_.deliveries, 0);
  ASSERT_TRUE(terminal.Write(Text("second")));
  EXPECT_TRUE(PumpUntil([&] { return sink_.received.size() >= 11; }));
  EXPECT_EQ(sink_.received, Text("firstsecond"));
}

TEST_F(SerialChannelTest, CloseFromInsideDataArrivedDoesNotDeadlock) {
  Terminal terminal(port_b_);
  ASSERT_TRUE(terminal.ok());
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  // The link closes the port from inside its receive handler (EOT, DLE, NAK).
  sink_.on_arrival = [this] { channel_.Close(); };
  ASSERT_TRUE(terminal.Write({0x04}));
  ASSERT_TRUE(PumpUntil([&] { return !channel_.IsOpen(); }));
  EXPECT_EQ(sink_.deliveries, 1);

  // No callback after Close, even when more bytes come.
  sink_.on_arrival = nullptr;
  ASSERT_TRUE(terminal.Write(Text("late")));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(sink_.deliveries, 1);

  // The device was released: it opens again at once.
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_)) << channel_.LastError();
}

TEST_F(SerialChannelTest, ExchangesThatEachEndByClosingInsideTheSinkRepeatCleanly) {
  Terminal terminal(port_b_);
  ASSERT_TRUE(terminal.ok());
  sink_.on_arrival = [this] {
    if (sink_.received.size() >= 4) channel_.Close();
  };
  for (int exchange = 0; exchange < 10; ++exchange) {
    SCOPED_TRACE(exchange);
    sink_.received.clear();
    ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_)) << channel_.LastError();
    ASSERT_TRUE(channel_.Send(Bytes{0x05}));
    ASSERT_EQ(terminal.Read(1), Bytes{0x05});
    // The answer may come in pieces; the port closes on the last one.
    ASSERT_TRUE(terminal.Write(Text("AB")));
    ASSERT_TRUE(terminal.Write(Text("C\x04")));
    ASSERT_TRUE(PumpUntil([&] { return !channel_.IsOpen(); }));
    EXPECT_EQ(sink_.received, Text("ABC\x04"));
  }
  EXPECT_EQ(stale_deliveries_, 0);
}

TEST_F(SerialChannelTest, CloseWhileTheReaderWaitsReturnsAndReleasesThePort) {
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_)) << channel_.LastError();
    Sleep(50);
    channel_.Close();
    EXPECT_FALSE(channel_.IsOpen());
    EXPECT_EQ(channel_.NativeHandle(), INVALID_HANDLE_VALUE);
  }
}

// Both kinds of device: one a program drains (the null-modem), one a plain
// program only holds. Whatever the reader waits in when Close comes, Close
// ends it and waits for it; the port is free again at once, every time.
TEST_F(SerialChannelTest, IdleCloseIsQuickAndOpenCloseCyclesRepeatOnBothKindsOfDevice) {
  for (const std::string* port : {&port_a_, &port_held_}) {
    SCOPED_TRACE(*port);
    ASSERT_FALSE(port->empty());
    ASSERT_TRUE(channel_.Open(*port, LineSettings{}, sink_)) << channel_.LastError();
    Sleep(300);  // the reader has settled into its wait
    // The held pty has modem lines (the shim): there the reader waits in a
    // pending WaitCommEvent, as on a USB adapter.
    if (port == &port_held_) {
      EXPECT_FALSE(channel_.UsesTimedReads());
    }
    const ULONGLONG start = GetTickCount64();
    channel_.Close();
    const ULONGLONG idle_close = GetTickCount64() - start;
    std::printf("%s: idle close %llu ms\n", port->c_str(), idle_close);
    std::fflush(stdout);

    const ULONGLONG cycles_start = GetTickCount64();
    for (int cycle = 0; cycle < 200; ++cycle) {
      ASSERT_TRUE(channel_.Open(*port, LineSettings{}, sink_)) << cycle << ": " << channel_.LastError();
      if (cycle % 2 == 1) Sleep(5);
      channel_.Close();
      ASSERT_FALSE(channel_.IsOpen());
    }
    std::printf("%s: 200 open/close cycles %llu ms\n", port->c_str(), GetTickCount64() - cycles_start);
    EXPECT_LT(idle_close, 1000u);
    EXPECT_EQ(channel_.AbandonedOperations(), 0) << channel_.LastError();
  }
  EXPECT_EQ(sink_.deliveries, 0);
}

// A USB adapter pulled out while the port is open: the reader stops and the
// sink hears of it once, on the loop thread; Close still works.
TEST_F(SerialChannelTest, ADeviceThatGoesAwayIsReportedAsLost) {
  ASSERT_TRUE(channel_.Open(port_gone_, LineSettings{}, sink_)) << channel_.LastError();
  Sleep(100);
  ASSERT_TRUE(channel_.Send(Bytes{0x05})) << channel_.LastError();  // the other end closes on it
  ASSERT_TRUE(PumpUntil([&] { return !sink_.lost.empty(); })) << "no DeviceLost";
  EXPECT_EQ(sink_.lost[0].find("(" + port_gone_ + "): error "), sink_.lost[0].find('(')) << sink_.lost[0];
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(sink_.lost.size(), 1u);
  const ULONGLONG start = GetTickCount64();
  channel_.Close();
  EXPECT_LT(GetTickCount64() - start, 1000u);
  EXPECT_FALSE(channel_.IsOpen());
  EXPECT_EQ(channel_.AbandonedOperations(), 0);
}

TEST_F(SerialChannelTest, ADeliveryPendingAtCloseIsNeverHandled) {
  Terminal terminal(port_b_);
  ASSERT_TRUE(terminal.ok());
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  ASSERT_TRUE(terminal.Write(Text("pending")));
  // Let the reader deliver while this thread does not pump.
  Sleep(500);
  channel_.Close();
  // Opened again before the old delivery is seen: it belongs to the old
  // opening and must not reach the sink.
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(sink_.deliveries, 0);
  EXPECT_EQ(stale_deliveries_, 1);
}

TEST_F(SerialChannelTest, ForeignOrStaleMessagesAreIgnored) {
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  EXPECT_FALSE(channel_.HandleCatData(0, reinterpret_cast<LPARAM>(&channel_)));
  EXPECT_FALSE(channel_.HandleCatData(12345, 0));
  channel_.Close();
  EXPECT_FALSE(channel_.HandleCatData(0, reinterpret_cast<LPARAM>(&channel_)));
  EXPECT_EQ(sink_.deliveries, 0);
}

TEST_F(SerialChannelTest, OpenIsExclusive) {
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  EXPECT_FALSE(channel_.Open(port_a_, LineSettings{}, sink_)) << "a second Open on an open channel";

  SerialChannel second(window_.Handle());
  RecordingSink other;
  EXPECT_FALSE(second.Open(port_a_, LineSettings{}, other));
  EXPECT_EQ(second.LastError().rfind("CreateFile(" + port_a_ + "): error ", 0), 0u) << second.LastError();
  EXPECT_FALSE(second.IsOpen());

  // One port under another spelling is still the same port.
  std::string other_spelling = port_a_;
  other_spelling.replace(other_spelling.find("COM"), 3, "com");
  EXPECT_FALSE(second.Open(other_spelling, LineSettings{}, other));

  channel_.Close();
  EXPECT_TRUE(second.Open(port_a_, LineSettings{}, other)) << second.LastError();
}

TEST_F(SerialChannelTest, OpenFailuresLeaveNothingOpen) {
  const std::vector<std::string> names = {port_missing_, "\\\\.\\COM255", "C", ""};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(channel_.Open(name, LineSettings{}, sink_));
    EXPECT_FALSE(channel_.IsOpen());
    EXPECT_EQ(channel_.NativeHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(channel_.LastError().rfind("CreateFile(", 0), 0u) << channel_.LastError();
  }
  // The port a failed name did not take is still free.
  EXPECT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_)) << channel_.LastError();
}

TEST_F(SerialChannelTest, SendRefusesWhatItCannotWrite) {
  const Bytes frame = Pattern(16);
  EXPECT_FALSE(channel_.Send(frame)) << "not open";
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  EXPECT_FALSE(channel_.Send(Pattern(SerialChannel::kMaxSendBytes + 1)));
  EXPECT_TRUE(channel_.Send(Pattern(SerialChannel::kMaxSendBytes))) << channel_.LastError();
}

TEST_F(SerialChannelTest, SendToALineThatTakesNoMoreBytesFailsInBoundedTime) {
  ASSERT_TRUE(channel_.Open(port_stall_, LineSettings{}, sink_)) << channel_.LastError();
  channel_.SetWriteWaitMs(300);
  // Nobody reads the other end: the pty's buffer fills and writes stop.
  const Bytes block = Pattern(SerialChannel::kMaxSendBytes);
  bool failed = false;
  for (int i = 0; i < 64 && !failed; ++i) failed = !channel_.Send(block);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(channel_.LastError().empty());
  // A failed send leaves the channel usable for Close.
  channel_.Close();
  EXPECT_FALSE(channel_.IsOpen());
}

TEST_F(SerialChannelTest, WithoutANotifyWindowBytesAreReadAndDropped) {
  SerialChannel silent(nullptr);
  RecordingSink sink;
  Terminal terminal(port_b_);
  ASSERT_TRUE(terminal.ok());
  ASSERT_TRUE(silent.Open(port_a_, LineSettings{}, sink));
  ASSERT_TRUE(terminal.Write(Text("dropped")));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(sink.deliveries, 0);
  silent.Close();
  // Read, not left waiting: the next opening starts with an empty line.
  ASSERT_TRUE(channel_.Open(port_a_, LineSettings{}, sink_));
  ASSERT_TRUE(terminal.Write(Text("fresh")));
  EXPECT_TRUE(PumpUntil([&] { return sink_.received.size() >= 5; }));
  EXPECT_EQ(sink_.received, Text("fresh"));
}

}  // namespace
}  // namespace kavorin
