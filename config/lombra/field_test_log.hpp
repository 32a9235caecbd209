#pragma once
// The LOMBRA PC field-test log: every step of the settings store appends one
// line, so that a technician at the shop can see what the store did.
//
//   DEBUG  :[Mon Dec  7 09:05:03 2026]\t|message|\n
//
// The kind label is seven characters wide; the time is the C library's
// ctime layout without its line end (day of the month padded with a blank,
// as the C standard has it, on both builds). The file is opened for
// appending in text mode for each line and closed again, so a Windows
// build ends lines with CR LF on disk; when it cannot be opened the line is
// lost and nothing else happens.
//
// Where: "c:\LOMBRA_PC_FieldTest.log" on Windows,
// $KAVORIN_CONFIG_DIR/LOMBRA_PC_FieldTest.log on Linux.
#include <string>
#include <string_view>

#include "common/daily_log.hpp"

namespace kavorin {

enum class FieldTestKind { kDebug, kWarning, kError };

// "Mon Dec  7 09:05:03 2026": the weekday follows from the date.
std::string CtimeText(const LocalTime& when);

// One line's bytes. Control bytes inside the message are written as "^M"
// and the like, so no message can start a forged line of its own.
std::string FieldTestLogLine(FieldTestKind kind, const LocalTime& when, std::string_view message);

class FieldTestLog {
 public:
  // An empty path: this platform's place; an empty clock: the local clock.
  explicit FieldTestLog(std::string path = {}, LogClock clock = {});

  void Write(FieldTestKind kind, std::string_view message) const;
  void Debug(std::string_view message) const { Write(FieldTestKind::kDebug, message); }

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  LogClock clock_;
};

// This platform's place for the file (platform part).
std::string DefaultFieldTestLogPath();

}  // namespace kavorin
