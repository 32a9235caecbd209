#pragma once
// A link on the host's real loop pieces (asio thread, termios channel, loop
// timers), driven from a test or benchmark thread. The link is reached only
// through the loop, as the host's own calls reach it.
#include <asio.hpp>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "host/link/cat_link.hpp"
#include "host/link/loop_timers_posix.hpp"
#include "host/link/serial_posix.hpp"
#include "host/link/status_check.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin::testing {

class LoopHost {
 public:
  LoopHost() : work_(asio::make_work_guard(loop_)), thread_([this] { loop_.run(); }) {}

  template <class F>
  auto Run(F f) {
    std::packaged_task<decltype(f())()> task(std::move(f));
    auto result = task.get_future();
    asio::post(loop_, [&task] { task(); });
    return result.get();
  }

  ~LoopHost() {
    Run([this] { link.ResetLink(); });
    work_.reset();
    loop_.stop();
    thread_.join();
  }

  bool Open(const std::string& name) {
    return Run([&] {
      link.ResetLink();
      passage.ResetPassage();
      link.SetNotifyTarget(true);
      link.SetPortName(name);
      return link.OpenComPort() == kOpenOk;
    });
  }

  void Request(TextRequest request, std::vector<std::string> texts) {
    Run([&] {
      passage.ResetPassage();
      link.SetRequest(*passage.BuildText(request, texts));
      status_level = 1;
      timers.ArmTimer(kTimerStartExchange, kStartExchangeMs);
    });
  }

  int Status() {
    return Run([&] { return StatusCheck(link, passage, status_level); });
  }

  // Polls StatusCheck as a client does, until it is final.
  int WaitFinal(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = Status();
    while (status > 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      status = Status();
    }
    return status;
  }

  std::string Field(ResultField field) {
    return Run([&] {
      std::string value;
      passage.GetField(field, value);
      return value;
    });
  }

 private:
  asio::io_context loop_;
  asio::executor_work_guard<asio::io_context::executor_type> work_;

 public:
  SerialChannel channel{loop_};
  LoopTimers timers{loop_, [this](int id) { link.OnTimer(id); }};
  CatLink link{channel, timers};
  CatPassage passage;
  int status_level = 0;

 private:
  std::thread thread_;
};

}  // namespace kavorin::testing
