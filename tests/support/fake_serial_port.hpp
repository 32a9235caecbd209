#pragma once
// A serial port in memory: records every write, lets a test play the
// terminal by pushing batches, and can be told to fail opens or sends.
#include <cstdint>
#include <string>
#include <vector>

#include "host/link/serial_port.hpp"

namespace kavorin::testing {

class FakeSerialPort : public SerialPort {
 public:
  bool failOpen = false;
  int failNextSends = 0;  // how many of the next sends fail

  bool Open(const std::string& name, const LineSettings& settings, SerialSink& sink) override {
    if (sink_ != nullptr || failOpen) return false;  // FailureText says why
    openedName = name;
    lastSettings = settings;
    sink_ = &sink;
    ++openCount;
    return true;
  }

  bool Send(std::span<const std::uint8_t> data) override {
    if (sink_ == nullptr) return false;
    if (failNextSends > 0) {
      --failNextSends;
      return false;
    }
    sent.emplace_back(data.begin(), data.end());
    wire.append(data.begin(), data.end());
    return true;
  }

  void Close() override {
    if (sink_ != nullptr) ++closeCount;
    sink_ = nullptr;
  }

  bool IsOpen() const override { return sink_ != nullptr; }
  std::string FailureText() const override { return failOpen ? "open(" + openedName + "): refused by the test" : ""; }

  // The terminal's side: one read's worth of bytes, as the real channels
  // deliver them. Returns false when the port is closed or the batch dropped.
  bool Deliver(const std::string& batch) {
    if (sink_ == nullptr) return false;
    const bool queued =
        sink_->QueueReceived({reinterpret_cast<const std::uint8_t*>(batch.data()), batch.size()});
    if (sink_ != nullptr) sink_->DataArrived();
    return queued;
  }

  // The device goes away under the open port (a hang-up); the channel stops
  // reading and says so.
  void LoseDevice(const std::string& reason) {
    if (sink_ != nullptr) sink_->DeviceLost(reason);
  }

  std::string TakeWire() {
    std::string taken;
    taken.swap(wire);
    return taken;
  }

  std::string openedName;
  LineSettings lastSettings;
  std::vector<std::vector<std::uint8_t>> sent;
  std::string wire;  // every byte written, in order
  int openCount = 0;
  int closeCount = 0;

 private:
  SerialSink* sink_ = nullptr;
};

}  // namespace kavorin::testing
