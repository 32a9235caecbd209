#pragma once
// Every byte on the wire, both ways, with its time: one JSON object a line.
//   {"t_us":1042,"from":"host","hex":"05"}
//   {"t_us":1990,"from":"terminal","hex":"06"}
//   {"t_us":2100,"event":"exchange","exchange":1,"outcome":"completed"}
// t_us counts microseconds from the simulator's start. "exchange" is the
// exchange under way when the bytes were read or written; the ENQ that opens
// an exchange is read before it starts and carries none (the "enq" event
// right after it does).
#include <cstdint>
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

}  // namespace catsim
