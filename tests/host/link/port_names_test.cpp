#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "contract/port_names.hpp"
#include "contract/posix/port_names_posix.hpp"

namespace kavorin {
namespace {

TEST(ComPortNumber, AcceptsComNInAnyCaseAndNothingElse) {
  struct Case {
    const char* name;
    int expected;  // 0: refused
  };
  const Case cases[] = {
      {"COM1", 1},   {"com7", 7},   {"cOm12", 12}, {"COM256", 256}, {"COM0", 0},  {"COM257", 0},
      {"COM01", 0},  {"COM", 0},    {"COM1a", 0},  {"COMX", 0},     {"LPT1", 0},  {"COM1000", 0},
      {" COM1", 0},  {"COM-1", 0},
  };
  for (const Case& c : cases) {
    std::optional<int> number = ComPortNumber(c.name);
    if (c.expected == 0) {
      EXPECT_FALSE(number.has_value()) << c.name;
    } else {
      ASSERT_TRUE(number.has_value()) << c.name;
      EXPECT_EQ(*number, c.expected) << c.name;
    }
  }
}

TEST(ResolvePortName, MapsLikeWine) {
  const std::set<std::string> present = {"/cfg/dosdevices/com7"};
  auto exists = [&](const std::string& path) { return present.count(path) != 0; };
  struct Case {
    const char* name;
    const char* configDir;
    const char* path;  // nullptr: refused
  };
  const Case cases[] = {
      {"COM7", "/cfg", "/cfg/dosdevices/com7"},
      {"com7", "/cfg/", "/cfg/dosdevices/com7"},
      {"COM1", "/cfg", "/dev/ttyS0"},
      {"COM12", "/cfg", "/dev/ttyS11"},
      {"/dev/ttyUSB0", "/cfg", "/dev/ttyUSB0"},
      {"/x", "/cfg", "/x"},
      {"", "/cfg", nullptr},
      {"C", "/cfg", nullptr},
      {"/", "/cfg", nullptr},
      {"ttyS0", "/cfg", nullptr},
      {"COM0", "/cfg", nullptr},
  };
  for (const Case& c : cases) {
    PortResolution r = ResolvePortName(c.name, c.configDir, exists);
    if (c.path == nullptr) {
      EXPECT_FALSE(r.ok) << c.name;
      EXPECT_NE(r.error.find('"' + std::string(c.name) + '"'), std::string::npos) << r.error;
    } else {
      EXPECT_TRUE(r.ok) << c.name << ": " << r.error;
      EXPECT_EQ(r.path, c.path) << c.name;
    }
  }
}

TEST(ConfigDir, ComesFromTheEnvironmentWithAFixedDefault) {
  const char* saved = std::getenv("KAVORIN_CONFIG_DIR");
  std::string keep = saved ? saved : "";
  ::unsetenv("KAVORIN_CONFIG_DIR");
  EXPECT_EQ(ConfigDir(), "/etc/kavorin");
  ::setenv("KAVORIN_CONFIG_DIR", "", 1);
  EXPECT_EQ(ConfigDir(), "/etc/kavorin");
  ::setenv("KAVORIN_CONFIG_DIR", "/tmp/somewhere", 1);
  EXPECT_EQ(ConfigDir(), "/tmp/somewhere");
  if (saved) {
    ::setenv("KAVORIN_CONFIG_DIR", keep.c_str(), 1);
  } else {
    ::unsetenv("KAVORIN_CONFIG_DIR");
  }
}

}  // namespace
}  // namespace kavorin
