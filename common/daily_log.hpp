#pragma once
// The daily log: one file a day in "catlog" beside the program or library,
// one line an event:  HH:MM:SS <TAB> [*] <TAB> message | CR CR LF
//
// The doubled CR is what a text-mode stream on Windows makes of "|\r\n"; the
// host and the client library of both builds write the same bytes, so the
// files stay identical whichever program wrote them and may be shared.
#include <cstddef>
#include <ctime>
#include <functional>
#include <string>

namespace kavorin {

struct LocalTime {
  int year = 1970;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

using LogClock = std::function<LocalTime()>;

// Where the program or library lives; the log goes to <folder>/catlog/.
// Unset, the folder of the running module is used.
void SetDailyLogFolder(std::string folder);
// Replaces the clock (tests); an empty function restores the local clock.
void SetDailyLogClock(LogClock clock);

// Appends one line; the message is printf-formatted and written as the bytes
// it is (CP949 for Korean texts), except that a message cannot start a line
// of its own or run without end (see DailyLogLine). Open, append, close per
// line; failures lose the line silently.
void WriteDailyLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Longest message a line carries, in bytes after escaping. Longer messages
// are cut at a character boundary and end in kDailyLogCutMark.
inline constexpr std::size_t kDailyLogMessageLimit = 4096;
inline constexpr char kDailyLogCutMark[] = "...";

// The folder the daily log goes to (<folder>/catlog), for other logs that
// keep it company.
std::string DailyLogFolder();
// The local time of a moment, read the way the daily log reads its clock
// (one lock around the C library's shared buffer).
LocalTime LocalTimeAt(std::time_t moment);

// The path the next line would go to, and the line's bytes; for tests and
// tools that must agree with the writer. Callers put texts of their own
// callers into messages (a port name, a path), so a control byte inside a
// message is written in caret form ("^M" for CR, "^J" for LF, "^?" for DEL):
// nobody can forge a line, and every line stays one line.
std::string DailyLogPath(const LocalTime& when);
// A message as a line carries it: caret form, cut at kDailyLogMessageLimit.
// Other logs of the system that take callers' texts use it too.
std::string LineSafeText(const std::string& message);
std::string DailyLogLine(const LocalTime& when, const std::string& message);

}  // namespace kavorin
