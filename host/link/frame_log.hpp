#pragma once
// The raw-frame log: an opt-in record of every byte on the terminal's wire,
// with its direction and time, for the call about a till that misbehaved in
// the night. One file a day beside the daily log, "frames-YYYYMMDD.log",
// bounded in size; it never holds up or fails an exchange. The lines are
// built by FrameLineBuilder; docs/frame-log.md shows them.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "common/daily_log.hpp"
#include "host/link/frame_log_lines.hpp"

namespace kavorin {

struct FrameLogTime {
  LocalTime local;
  int millisecond = 0;
};
using FrameLogClock = std::function<FrameLogTime()>;
using FrameLogDiagnostics = std::function<void(const std::string&)>;

// The most a day's file grows to, its last line included.
inline constexpr std::uint64_t kFrameLogDayCap = 4u * 1024 * 1024;

struct FrameLogOptions {
  std::string folder;  // where the files go; created when missing
  std::uint64_t dayCap = kFrameLogDayCap;
  FrameLogClock clock;              // empty: the local clock
  FrameLogDiagnostics diagnostics;  // hears why the log stopped
};

// Safe to call from several threads: the port's reader hands over what the
// terminal sent while the link writes to it.
class FrameLog {
 public:
  explicit FrameLog(FrameLogOptions options);
  ~FrameLog();
  FrameLog(const FrameLog&) = delete;
  FrameLog& operator=(const FrameLog&) = delete;

  // Bytes of one batch in one direction, then the end of the batch.
  void Bytes(WireDirection direction, std::span<const std::uint8_t> bytes);
  void EndBatch(WireDirection direction);
  // An event of the port ("open COM3", "close"): a line of its own, after
  // whatever the wire had completed. Control bytes are written in caret form.
  void Event(const std::string& text);
  // Writes what both directions still hold (the port closed).
  void Flush();

  // Once stopped (a write failed), the log writes nothing more.
  bool Stopped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
  }

  // The file of a day, and the last line of a full day.
  static std::string FileName(const LocalTime& day);
  static std::string FullLine(std::uint64_t dayCap);

 private:
  void Write(const std::string& text);
  bool OpenDay(const LocalTime& day);
  void Stop(const std::string& why);

  mutable std::mutex mutex_;
  FrameLogOptions options_;
  FrameLineBuilder to_terminal_{WireDirection::kHostToTerminal};
  FrameLineBuilder to_host_{WireDirection::kTerminalToHost};
  std::FILE* file_ = nullptr;
  LocalTime day_{};  // of the open file
  std::uint64_t size_ = 0;
  bool day_full_ = false;
  bool stopped_ = false;
};

// The switch: KAVORIN_FRAME_LOG in the environment decides when it is set
// ("1" on, anything else off); otherwise FrameLog in the [General] section
// of the ini file ("1" on).
bool FrameLogWanted(const char* environmentValue, const std::string& iniValue);

// The host's frame log, when the switch beside the host is on: the ini file
// in the host's folder, the files in the daily log's folder. Null when off.
std::unique_ptr<FrameLog> OpenFrameLogIfWanted(FrameLogDiagnostics diagnostics);

}  // namespace kavorin
