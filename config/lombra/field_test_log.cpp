#include "config/lombra/field_test_log.hpp"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace kavorin {
namespace {

// 0 = Sunday, for any date of the Gregorian calendar.
int Weekday(int year, int month, int day) {
  static constexpr int kMonthOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 1 || month > 12) return 0;
  if (month < 3) --year;
  const int weekday = (year + year / 4 - year / 100 + year / 400 + kMonthOffset[month - 1] + day) % 7;
  return weekday < 0 ? weekday + 7 : weekday;
}

LocalTime LocalClockNow() {
  static std::mutex mutex;  // std::localtime shares one buffer
  const std::time_t now = std::time(nullptr);
  std::lock_guard lock(mutex);
  const std::tm* tm = std::localtime(&now);
  if (tm == nullptr) return {};
  return {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
}

constexpr std::size_t kMaxMessageBytes = 2048;

}  // namespace

std::string CtimeText(const LocalTime& when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int month = when.month >= 1 && when.month <= 12 ? when.month : 1;
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[Weekday(when.year, month, when.day)],
                kMonths[month - 1], when.day, when.hour, when.minute, when.second, when.year);
  return text;
}

std::string FieldTestLogLine(FieldTestKind kind, const LocalTime& when, std::string_view message) {
  const char* label = kind == FieldTestKind::kDebug     ? "DEBUG  "
                      : kind == FieldTestKind::kWarning ? "WARNING"
                                                        : "ERROR  ";
  std::string line = std::string(label) + ":[" + CtimeText(when) + "]\t|";
  for (const char c : message.substr(0, kMaxMessageBytes)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      line += '^';
      line += static_cast<char>(byte ^ 0x40);
    } else {
      line += c;
    }
  }
  return line + "|\n";
}

FieldTestLog::FieldTestLog(std::string path, LogClock clock)
    : path_(path.empty() ? DefaultFieldTestLogPath() : std::move(path)), clock_(std::move(clock)) {}

void FieldTestLog::Write(FieldTestKind kind, std::string_view message) const {
  const std::string line = FieldTestLogLine(kind, clock_ ? clock_() : LocalClockNow(), message);
  // Text mode, as the file has always been written: CR LF on Windows.
  std::FILE* file = std::fopen(path_.c_str(), "a");
  if (file == nullptr) return;
  std::fputs(line.c_str(), file);
  std::fclose(file);
}

}  // namespace kavorin
