#include "common/daily_log.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "common/module_folder.hpp"

namespace kavorin {
namespace {

struct DailyLogSettings {
  std::mutex mutex;
  std::string folder;  // empty: the module's folder
  LogClock clock;
};

DailyLogSettings& Settings() {
  static DailyLogSettings settings;
  return settings;
}

LocalTime ReadLocalClock() { return LocalTimeAt(std::time(nullptr)); }

std::string FormatMessage(const char* format, std::va_list args) {
  std::va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::filesystem::path LogFolder() {
  std::string folder;
  {
    std::lock_guard lock(Settings().mutex);
    folder = Settings().folder;
  }
  if (folder.empty()) folder = ModuleFolder();
  return std::filesystem::path(folder) / "catlog";
}

bool IsControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// The message as a line carries it: control bytes in caret form, cut at the
// limit without splitting a two-byte CP949 character.
}  // namespace

std::string LineSafeText(const std::string& message) {
  constexpr std::size_t kRoom = kDailyLogMessageLimit - (sizeof kDailyLogCutMark - 1);
  std::string safe;
  std::size_t room_end = 0;  // where a cut line ends, before its mark
  for (std::size_t i = 0; i < message.size();) {
    const auto byte = static_cast<unsigned char>(message[i]);
    std::string piece;
    if (IsControlByte(byte)) {
      piece = {'^', static_cast<char>(byte ^ 0x40)};
      i += 1;
    } else {
      // A lead byte takes its trail with it, unless what follows is a
      // control byte: that one is escaped on its own.
      const bool pair = byte >= 0x81 && byte <= 0xFE && i + 1 < message.size() &&
                        !IsControlByte(static_cast<unsigned char>(message[i + 1]));
      const std::size_t width = pair ? 2 : 1;
      piece = message.substr(i, width);
      i += width;
    }
    if (safe.size() + piece.size() > kDailyLogMessageLimit) {
      safe.resize(room_end);
      return safe + kDailyLogCutMark;
    }
    safe += piece;
    if (safe.size() <= kRoom) room_end = safe.size();
  }
  return safe;
}

LocalTime LocalTimeAt(std::time_t moment) {
  // std::localtime shares one buffer per process; the lock keeps two threads
  // of the client library from reading each other's time.
  static std::mutex clock_mutex;
  std::lock_guard lock(clock_mutex);
  const std::tm* tm = std::localtime(&moment);
  if (tm == nullptr) return {};
  return {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
}

std::string DailyLogFolder() { return LogFolder().string(); }

void SetDailyLogFolder(std::string folder) {
  std::lock_guard lock(Settings().mutex);
  Settings().folder = std::move(folder);
}

void SetDailyLogClock(LogClock clock) {
  std::lock_guard lock(Settings().mutex);
  Settings().clock = std::move(clock);
}

std::string DailyLogPath(const LocalTime& when) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d%02d%02d.log", when.year, when.month, when.day);
  return (LogFolder() / name).string();
}

std::string DailyLogLine(const LocalTime& when, const std::string& message) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d\t[*]\t", when.hour, when.minute, when.second);
  return stamp + LineSafeText(message) + "|\r\r\n";
}

void WriteDailyLog(const char* format, ...) {
  LogClock clock;
  {
    std::lock_guard lock(Settings().mutex);
    clock = Settings().clock;
  }
  // One clock reading names the file and stamps the line, so a line written
  // at midnight never lands in the wrong day's file.
  const LocalTime now = clock ? clock() : ReadLocalClock();

  std::va_list args;
  va_start(args, format);
  const std::string message = FormatMessage(format, args);
  va_end(args);

  std::error_code ignored;
  std::filesystem::create_directories(LogFolder(), ignored);
  const std::string line = DailyLogLine(now, message);
  const std::string path = DailyLogPath(now);
  const bool new_file = !std::filesystem::exists(path, ignored);
  // Binary mode: the line already carries the exact bytes on every platform.
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return;
  // The host, the library in each POS program and an administrator's
  // command all write the same day's file: whoever makes it lets the
  // folder's group add to it, or the others' lines for the day are lost.
  if (new_file) {
    std::filesystem::permissions(path, std::filesystem::perms::group_write, std::filesystem::perm_options::add,
                                 ignored);
  }
  std::fwrite(line.data(), 1, line.size(), file);
  std::fflush(file);
  std::fclose(file);
}

}  // namespace kavorin
