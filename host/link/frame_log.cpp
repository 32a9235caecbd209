#include "host/link/frame_log.hpp"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/ini_file.hpp"
#include "common/module_folder.hpp"

namespace kavorin {
namespace {

constexpr char kLineEnd[] = "\r\n";

FrameLogTime ReadClock() {
  const auto now = std::chrono::system_clock::now();
  const auto since_epoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  return {LocalTimeAt(seconds), static_cast<int>(since_epoch.count() % 1000)};
}

std::string Stamp(const FrameLogTime& time) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", time.local.hour, time.local.minute, time.local.second,
                time.millisecond);
  return stamp;
}

bool SameDay(const LocalTime& a, const LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Whether a day's file already ends in the line of a full day (a host
// started again on a full day writes nothing more to it).
bool EndsFull(const std::filesystem::path& path, const std::string& fullLine) {
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) return false;
  std::string tail(fullLine.size(), '\0');
  const bool read = std::fseek(file, -static_cast<long>(tail.size()), SEEK_END) == 0 &&
                    std::fread(tail.data(), 1, tail.size(), file) == tail.size();
  std::fclose(file);
  return read && tail == fullLine;
}

}  // namespace

FrameLog::FrameLog(FrameLogOptions options) : options_(std::move(options)) {
  if (!options_.clock) options_.clock = ReadClock;
}

FrameLog::~FrameLog() {
  Flush();
  if (file_ != nullptr) std::fclose(file_);
}

std::string FrameLog::FileName(const LocalTime& day) {
  char name[32];
  std::snprintf(name, sizeof name, "frames-%04d%02d%02d.log", day.year, day.month, day.day);
  return name;
}

std::string FrameLog::FullLine(std::uint64_t dayCap) {
  return "-- frame log full at " + std::to_string(dayCap) + " bytes; nothing more today";
}

void FrameLog::Bytes(WireDirection direction, std::span<const std::uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return;
  (direction == WireDirection::kHostToTerminal ? to_terminal_ : to_host_).Feed(bytes);
}

void FrameLog::EndBatch(WireDirection direction) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return;
  if (auto line = (direction == WireDirection::kHostToTerminal ? to_terminal_ : to_host_).EndBatch()) Write(*line);
}

void FrameLog::Event(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return;
  Write("-- " + LineSafeText(text));
}

void FrameLog::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return;
  if (auto line = to_terminal_.Flush()) Write(*line);
  if (auto line = to_host_.Flush()) Write(*line);
}

void FrameLog::Stop(const std::string& why) {
  stopped_ = true;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (options_.diagnostics) options_.diagnostics("frame log stopped: " + why);
}

bool FrameLog::OpenDay(const LocalTime& day) {
  if (file_ != nullptr && SameDay(day, day_)) return true;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  day_ = day;
  std::error_code error;
  std::filesystem::create_directories(options_.folder, error);
  const std::filesystem::path path = std::filesystem::path(options_.folder) / FileName(day);
  // Binary: every line carries its own CR LF on both systems.
  file_ = std::fopen(path.string().c_str(), "ab");
  if (file_ == nullptr) {
    Stop("cannot open " + path.string() + ": " + std::strerror(errno));
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  size_ = error ? 0 : size;
  day_full_ = EndsFull(path, FullLine(options_.dayCap) + kLineEnd);
  return true;
}

void FrameLog::Write(const std::string& text) {
  const FrameLogTime now = options_.clock();
  if (!OpenDay(now.local) || day_full_) return;
  const std::string stamp = Stamp(now);
  std::string line = stamp + text + kLineEnd;
  // The last line of a full day always has its room: the file never grows
  // past the cap.
  const std::string last = stamp + FullLine(options_.dayCap) + kLineEnd;
  if (size_ + line.size() + last.size() > options_.dayCap) {
    day_full_ = true;
    if (size_ + last.size() > options_.dayCap) return;
    line = last;
  }
  const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0;
  if (!written) {
    Stop("cannot write " + (std::filesystem::path(options_.folder) / FileName(day_)).string() + ": " +
         std::strerror(errno));
    return;
  }
  size_ += line.size();
}

bool FrameLogWanted(const char* environmentValue, const std::string& iniValue) {
  if (environmentValue != nullptr && *environmentValue != '\0') return std::strcmp(environmentValue, "1") == 0;
  return iniValue == "1";
}

std::unique_ptr<FrameLog> OpenFrameLogIfWanted(FrameLogDiagnostics diagnostics) {
  const std::string ini = ReadIniString(ModuleFolder() + kIniFileName, "General", "FrameLog", 8);
  if (!FrameLogWanted(std::getenv("KAVORIN_FRAME_LOG"), ini)) return nullptr;
  FrameLogOptions options;
  options.folder = DailyLogFolder();
  options.diagnostics = std::move(diagnostics);
  return std::make_unique<FrameLog>(std::move(options));
}

}  // namespace kavorin
