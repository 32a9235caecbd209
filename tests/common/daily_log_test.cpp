#include "common/daily_log.hpp"
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

TEST_F(DailyLogTest, LongMessagesAreNotTruncated) {
  const std::string long_text(20000, 'x');
  WriteDailyLog("%s", long_text.c_str());
  EXPECT_EQ(ReadFile(folder_ / "catlog" / "20261207.log"), "09:05:07\t[*]\t" + long_text + "|\r\r\n");
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
