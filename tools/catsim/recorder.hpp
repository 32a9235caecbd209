#pragma once
// Every byte on the wire, both ways, with its time: one JSON object a line.
//   {"t_us":1042,"from":"host","hex":"05"}
//   {"t_us":1990,"from":"terminal","hex":"06"}
//   {"t_us":2100,"event":"exchange","exchange":1,"outcome":"completed"}
// t_us counts microseconds from the simulator's start. "exchange" is the
// exchange under way when the bytes were read or written; the ENQ that opens
// an exchange is read before it starts and carries none (the "enq" event
// right after it does).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace catsim {

struct WireEvent {
  enum class Kind { FromHost, FromTerminal, Note };
  std::int64_t microseconds = 0;
  Kind kind = Kind::Note;
  int exchange = 0;   // 0 outside an exchange
  std::string bytes;  // FromHost, FromTerminal
  std::string note;   // Note: what happened ("exchange", "cancel", "hang-up", ...)
  std::string detail; // Note: outcome or explanation
};

std::string ToJsonLine(const WireEvent& event);

// Where the events of a terminal go: stamped with their time and exchange,
// written to the record file (when there is one) and handed to `publish`.
class EventRecorder {
 public:
  explicit EventRecorder(std::function<void(const WireEvent&)> publish);
  ~EventRecorder();
  EventRecorder(const EventRecorder&) = delete;
  EventRecorder& operator=(const EventRecorder&) = delete;

  // "-" records to standard output; empty records nowhere.
  bool Open(const std::string& path, std::string& error);

  void Bytes(int exchange, WireEvent::Kind kind, std::string bytes);
  void Note(int exchange, std::string note, std::string detail);

 private:
  void Publish(WireEvent event, int exchange);

  std::function<void(const WireEvent&)> publish_;
  const std::chrono::steady_clock::time_point start_;
  std::FILE* record_ = nullptr;
};

}  // namespace catsim
