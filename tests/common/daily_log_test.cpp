#include "common/daily_log.hpp"
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kavorin {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DailyLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("kavorin-log-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
               std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    SetDailyLogFolder(folder_.string());
    SetDailyLogClock([this] { return now_; });
  }
  void TearDown() override {
    SetDailyLogClock(nullptr);
    SetDailyLogFolder("");
    fs::remove_all(folder_);
  }

  fs::path folder_;
  LocalTime now_{2026, 12, 7, 9, 5, 7};
};

TEST_F(DailyLogTest, WritesTheLineBytesAndCreatesTheFolder) {
  ASSERT_FALSE(fs::exists(folder_ / "catlog"));
  WriteDailyLog("[KAVORIN-StartComPort] COM PORT=[%s]", "COM3");
  EXPECT_EQ(ReadFile(folder_ / "catlog" / "20261207.log"),
            "09:05:07\t[*]\t[KAVORIN-StartComPort] COM PORT=[COM3]|\r\r\n");
}

TEST_F(DailyLogTest, TheDaysFileStaysOpenToTheFoldersGroup) {
  const mode_t before = ::umask(022);
  WriteDailyLog("first");
  ::umask(before);
  const auto perms = fs::status(folder_ / "catlog" / "20261207.log").permissions();
  EXPECT_NE(perms & fs::perms::group_write, fs::perms::none);
  EXPECT_EQ(perms & fs::perms::others_write, fs::perms::none);
}

TEST_F(DailyLogTest, AppendsAndKeepsMessageBytesUnchanged) {
  WriteDailyLog("%s", "\xBD\xC7\xC6\xD0");  // CP949 bytes pass as they are
  now_.second = 8;
  WriteDailyLog("100%% %d", 5);
  EXPECT_EQ(ReadFile(folder_ / "catlog" / "20261207.log"),
            "09:05:07\t[*]\t\xBD\xC7\xC6\xD0|\r\r\n"
            "09:05:08\t[*]\t100% 5|\r\r\n");
}

TEST_F(DailyLogTest, FirstLineAfterMidnightGoesToTheNewDay) {
  now_ = {2026, 12, 31, 23, 59, 59};
  WriteDailyLog("old");
  now_ = {2027, 1, 1, 0, 0, 0};
  WriteDailyLog("new");
  EXPECT_EQ(ReadFile(folder_ / "catlog" / "20261231.log"), "23:59:59\t[*]\told|\r\r\n");
  EXPECT_EQ(ReadFile(folder_ / "catlog" / "20270101.log"), "00:00:00\t[*]\tnew|\r\r\n");
}

TEST_F(DailyLogTest, ControlBytesCannotForgeLinesAndLinesAreBounded) {
  // A port name that tries to end its line and write one of its own.
  WriteDailyLog("[KAVORIN-StartComPort] COM PORT=[%s]", "COM1]|\r\n09:00:00\t[*]\tforged\x7F");
  EXPECT_EQ(ReadFile(folder_ / "catlog" / "20261207.log"),
            "09:05:07\t[*]\t[KAVORIN-StartComPort] COM PORT=[COM1]|^M^J09:00:00^I[*]^Iforged^?]|\r\r\n");

  const std::string full(kDailyLogMessageLimit, 'x');
  const std::string hangul(kDailyLogMessageLimit, '\xB0');  // B0 B0 is one character
  struct Case {
    std::string message;
    std::string carried;
  };
  const Case cases[] = {
      {"a\x01\x1B[2Jb", "a^A^[[2Jb"},
      {"\xB0\n", "\xB0^J"},  // a lead byte does not take the LF after it along
      {full, full},
      {full + "y", std::string(kDailyLogMessageLimit - 3, 'x') + "..."},
      {hangul + "\xB0\xB0", std::string(kDailyLogMessageLimit - 4, '\xB0') + "..."},  // never half a character
      {std::string(kDailyLogMessageLimit, '\n'), [] {
         std::string escaped;
         for (std::size_t i = 0; i < (kDailyLogMessageLimit - 3) / 2; ++i) escaped += "^J";
         return escaped + "...";
       }()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DailyLogLine(now_, c.message), "09:05:07\t[*]\t" + c.carried + "|\r\r\n") << c.message.substr(0, 20);
  }
}

TEST_F(DailyLogTest, AnUnwritableFolderLosesTheLineSilently) {
  // A plain file where the folder should be: neither the folder nor the file
  // can be made, and the caller notices nothing.
  std::ofstream(folder_ / "catlog") << "not a folder";
  WriteDailyLog("lost");
  EXPECT_EQ(ReadFile(folder_ / "catlog"), "not a folder");
}

}  // namespace
}  // namespace kavorin
