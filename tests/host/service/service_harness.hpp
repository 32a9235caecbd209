#pragma once
// A TerminalService on a fake port and a virtual clock, called through its
// method table exactly as the transports call it, with the daily log going
// to a temporary folder at a fixed time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include "common/daily_log.hpp"
#include "host/service/terminal_service.hpp"
#include "tests/support/fake_serial_port.hpp"
#include "tests/support/fake_timers.hpp"

namespace kavorin::testing {

class ServiceHarness {
 public:
  explicit ServiceHarness(const std::string& log_name = "service") {
    timers.onExpiry = [this](int id) { service.OnTimer(id); };
    // ctest runs cases side by side in separate processes: each its own folder.
    static int count = 0;
    log_folder = std::filesystem::temp_directory_path() /
                 ("kavorin-" + log_name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
    std::filesystem::remove_all(log_folder);
    SetDailyLogFolder(log_folder.string());
    SetDailyLogClock([] { return LocalTime{2026, 12, 7, 9, 5, 7}; });
  }
  ~ServiceHarness() {
    SetDailyLogClock(nullptr);
    SetDailyLogFolder("");
    std::filesystem::remove_all(log_folder);
  }

  ServiceReply Call(std::string_view method, std::initializer_list<ServiceValue> args = {}) {
    const std::vector<ServiceValue> list(args);
    return service.Invoke(method, list);
  }
  // A method with only text parameters, every text empty but those given.
  int CallTexts(std::string_view method, std::vector<std::u16string> texts = {}) {
    const ServiceMethod* found = FindServiceMethod(method);
    EXPECT_NE(found, nullptr) << method;
    std::vector<ServiceValue> args;
    const auto names = ParameterNames(*found);
    for (std::size_t i = 0; i < names.size(); ++i) {
      args.emplace_back(i < texts.size() ? texts[i] : std::u16string());
    }
    return Result(service.Invoke(method, args));
  }
  static int Result(const ServiceReply& reply) {
    EXPECT_EQ(reply.dispatch, kDispatched);
    return reply.outs.empty() ? -12345 : std::get<std::int32_t>(reply.outs[0]);
  }
  std::pair<int, std::u16string> Get(std::string_view getter) {
    const ServiceReply reply = Call(getter);
    EXPECT_EQ(reply.outs.size(), 2u);
    return {std::get<std::int32_t>(reply.outs[0]), std::get<std::u16string>(reply.outs[1])};
  }

  bool Start(const std::u16string& port_name = u"COM3") { return Result(Call("StartComPort", {port_name})) == 1; }

  // The terminal's side of one exchange: ACK the ENQ, answer with `response`
  // (if any), then EOT. Returns what the host wrote, ENQ included.
  std::string RunExchange(const std::string& response = "") {
    timers.Advance(kStartExchangeMs);
    port.Deliver("\x06");
    if (!response.empty()) port.Deliver(response);
    port.Deliver("\x04");
    return port.TakeWire();
  }

  std::string DailyLog() const {
    std::ifstream in(log_folder / "catlog" / "20261207.log", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  FakeSerialPort port;
  FakeTimers timers;
  TerminalService service{port, timers};
  std::filesystem::path log_folder;
};

}  // namespace kavorin::testing
