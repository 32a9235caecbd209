// The field-test log's bytes, with a fixed clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/lombra/field_test_log.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;

TEST(FieldTestLog, TimesInTheCtimeLayout) {
  const std::pair<LocalTime, const char*> cases[] = {
      {{2026, 12, 7, 9, 5, 3}, "Mon Dec  7 09:05:03 2026"},
      {{2026, 12, 17, 23, 59, 59}, "Thu Dec 17 23:59:59 2026"},
      {{2000, 2, 29, 0, 0, 0}, "Tue Feb 29 00:00:00 2000"},
      {{1999, 12, 31, 12, 30, 0}, "Fri Dec 31 12:30:00 1999"},
      {{2027, 1, 1, 0, 0, 1}, "Fri Jan  1 00:00:01 2027"},
      {{2024, 3, 1, 7, 8, 9}, "Fri Mar  1 07:08:09 2024"},
  };
  for (const auto& [when, text] : cases) EXPECT_EQ(CtimeText(when), text);
}

TEST(FieldTestLog, LinesAreAppendedOneAtATime) {
  const fs::path path = fs::temp_directory_path() / ("field-test-" + std::to_string(::getpid()) + ".log");
  fs::remove(path);
  LocalTime now{2026, 12, 7, 9, 5, 3};
  const FieldTestLog log(path.string(), [&] { return now; });
  log.Debug("ReadConfig");
  now.second = 4;
  log.Write(FieldTestKind::kWarning, "\xC6\xF7\xC6\xAE");  // CP949 passes as it is
  log.Write(FieldTestKind::kError, "two\r\nlines\x7F");
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes,
            "DEBUG  :[Mon Dec  7 09:05:03 2026]\t|ReadConfig|\n"
            "WARNING:[Mon Dec  7 09:05:04 2026]\t|\xC6\xF7\xC6\xAE|\n"
            "ERROR  :[Mon Dec  7 09:05:04 2026]\t|two^M^Jlines^?|\n");
  fs::remove(path);

  // A file that cannot be opened loses the line and nothing else happens.
  const FieldTestLog nowhere("/nonexistent-folder/x.log", [&] { return now; });
  nowhere.Debug("lost");
  EXPECT_FALSE(fs::exists("/nonexistent-folder/x.log"));
}

TEST(FieldTestLog, ItsPlaceIsInTheConfigurationFolder) {
  ::setenv("KAVORIN_CONFIG_DIR", "/tmp/somewhere", 1);
  EXPECT_EQ(DefaultFieldTestLogPath(), "/tmp/somewhere/LOMBRA_PC_FieldTest.log");
  EXPECT_EQ(FieldTestLog().path(), "/tmp/somewhere/LOMBRA_PC_FieldTest.log");
  ::unsetenv("KAVORIN_CONFIG_DIR");
}

}  // namespace
}  // namespace kavorin
