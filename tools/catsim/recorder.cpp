#include "tools/catsim/recorder.hpp"

#include <unistd.h>

#include "tools/catsim/wire.hpp"

namespace catsim {

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b >= 0x7F) {
      // Notes are ASCII; anything else is escaped rather than guessed at.
      static constexpr char kDigits[] = "0123456789abcdef";
      out += "\\u00";
      out += kDigits[b >> 4];
      out += kDigits[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ToJsonLine(const WireEvent& event) {
  std::string line = "{\"t_us\":" + std::to_string(event.microseconds);
  switch (event.kind) {
    case WireEvent::Kind::FromHost: line += ",\"from\":\"host\",\"hex\":\"" + Hex(event.bytes) + "\""; break;
    case WireEvent::Kind::FromTerminal: line += ",\"from\":\"terminal\",\"hex\":\"" + Hex(event.bytes) + "\""; break;
    case WireEvent::Kind::Note:
      line += ",\"event\":" + Quoted(event.note);
      if (!event.detail.empty()) line += ",\"detail\":" + Quoted(event.detail);
      break;
  }
  if (event.exchange > 0) line += ",\"exchange\":" + std::to_string(event.exchange);
  return line + "}";
}

EventRecorder::EventRecorder(std::function<void(const WireEvent&)> publish)
    : publish_(std::move(publish)), start_(std::chrono::steady_clock::now()) {}

EventRecorder::~EventRecorder() {
  if (record_ != nullptr) std::fclose(record_);
}

bool EventRecorder::Open(const std::string& path, std::string& error) {
  if (path.empty()) return true;
  record_ = path == "-" ? fdopen(::dup(STDOUT_FILENO), "w") : std::fopen(path.c_str(), "w");
  if (record_ == nullptr) {
    error = "cannot write " + path;
    return false;
  }
  std::setvbuf(record_, nullptr, _IOLBF, 0);
  return true;
}

void EventRecorder::Bytes(int exchange, WireEvent::Kind kind, std::string bytes) {
  WireEvent event;
  event.kind = kind;
  event.bytes = std::move(bytes);
  Publish(std::move(event), exchange);
}

void EventRecorder::Note(int exchange, std::string note, std::string detail) {
  WireEvent event;
  event.kind = WireEvent::Kind::Note;
  event.note = std::move(note);
  event.detail = std::move(detail);
  Publish(std::move(event), exchange);
}

void EventRecorder::Publish(WireEvent event, int exchange) {
  event.microseconds =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
  event.exchange = exchange;
  if (record_ != nullptr) std::fprintf(record_, "%s\n", ToJsonLine(event).c_str());
  publish_(event);
}

}  // namespace catsim
