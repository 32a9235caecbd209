// The Linux registry: one folder a key, one file a value.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/port_setting.hpp"
#include "config/registry/registry_store_posix.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;

class FileRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("registry-test-" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string FileText(const fs::path& path) {
    std::ifstream in(root_ / path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories((root_ / path).parent_path());
    std::ofstream(root_ / path, std::ios::binary) << bytes;
  }
  fs::path root_;
};

TEST_F(FileRegistryTest, ValuesAreFilesUnderTheirKeys) {
  FileRegistryStore store(root_.string());
  EXPECT_FALSE(store.OpenKey("SOFTWARE\\TORQ\\LOMBRA"));
  EXPECT_FALSE(store.WriteText("SOFTWARE\\TORQ\\LOMBRA\\LIST1", "COMPORT", "COM1")) << "the key must exist first";
  ASSERT_TRUE(store.CreateKey("SOFTWARE\\TORQ\\LOMBRA\\LIST1\\"));
  EXPECT_TRUE(store.OpenKey("SOFTWARE\\TORQ\\LOMBRA"));
  EXPECT_TRUE(store.WriteText("SOFTWARE\\TORQ\\LOMBRA\\LIST1\\", "COMPORT", "COM1"));
  EXPECT_TRUE(store.WriteNumber("SOFTWARE\\TORQ\\LOMBRA\\LIST1", "SPEED", 115200));
  EXPECT_EQ(FileText("SOFTWARE/TORQ/LOMBRA/LIST1/COMPORT"), "COM1");
  EXPECT_EQ(FileText("SOFTWARE/TORQ/LOMBRA/LIST1/SPEED"), "115200");
  EXPECT_EQ(store.ValueNames("SOFTWARE\\TORQ\\LOMBRA\\LIST1", 260),
            (std::vector<std::string>{"COMPORT", "SPEED"}));
  EXPECT_EQ(store.ValueNames("SOFTWARE\\TORQ\\NONE", 260), std::nullopt);

  // Deleting: not a key with subkeys, not the root.
  EXPECT_FALSE(store.DeleteKey("SOFTWARE\\TORQ\\LOMBRA"));
  EXPECT_FALSE(store.DeleteKey(""));
  EXPECT_TRUE(store.DeleteKey("SOFTWARE\\TORQ\\LOMBRA\\LIST1"));
  EXPECT_FALSE(fs::exists(root_ / "SOFTWARE/TORQ/LOMBRA/LIST1"));
  EXPECT_FALSE(store.DeleteKey("SOFTWARE\\TORQ\\LOMBRA\\LIST1"));
}

TEST_F(FileRegistryTest, ValuesAreReadWholeOrNotAtAll) {
  FileRegistryStore store(root_.string());
  const std::pair<std::string, std::optional<std::uint32_t>> numbers[] = {
      {"9600", 9600},        {"9600\n", 9600}, {"4294967295", 4294967295u}, {"4294967296", std::nullopt},
      {"", std::nullopt},    {"96 00", std::nullopt}, {"-1", std::nullopt},  {"0x10", std::nullopt},
      {"00000000009600", std::nullopt},
  };
  for (const auto& [bytes, value] : numbers) {
    WriteFile("K/N", bytes);
    EXPECT_EQ(store.ReadNumber("K", "N"), value) << bytes;
  }
  const std::pair<std::string, std::optional<std::string>> texts[] = {
      {"COM1", "COM1"},
      {std::string(255, 'x'), std::string(255, 'x')},
      {std::string(256, 'x'), std::nullopt},
      {std::string("COM2\0junk", 9), "COM2"},
      {"", ""},
  };
  for (const auto& [bytes, value] : texts) {
    WriteFile("K/T", bytes);
    EXPECT_EQ(store.ReadText("K", "T", 256), value) << bytes.size();
  }
  EXPECT_EQ(store.ReadText("K", "missing", 256), std::nullopt);
  EXPECT_FALSE(store.WriteText("K", "T", std::string("a\0b", 3)));
}

TEST_F(FileRegistryTest, NamesCannotLeaveTheTree) {
  FileRegistryStore store(root_.string());
  ASSERT_TRUE(store.CreateKey("K"));
  for (const char* key : {"K\\..", "..\\x", "K\\a/b", "K\\.hidden", "K\\\\L"}) {
    EXPECT_FALSE(store.CreateKey(key)) << key;
    EXPECT_FALSE(store.OpenKey(key)) << key;
  }
  for (const char* name : {"..", "a/b", ".COMPORT.new", ""}) {
    EXPECT_FALSE(store.WriteText("K", name, "x")) << name;
    EXPECT_EQ(store.ReadText("K", name, 256), std::nullopt) << name;
  }
  EXPECT_TRUE(fs::is_empty(root_ / "K"));
}

// The stored terminal port goes through the same store, in the place it
// always had.
TEST_F(FileRegistryTest, TheTerminalPortLivesInTheSameTree) {
  const fs::path config = root_ / "config";
  ::setenv("KAVORIN_CONFIG_DIR", config.c_str(), 1);
  EXPECT_EQ(ReadStoredPort(), std::nullopt);
  ASSERT_EQ(StorePort("COM3"), PortStoreResult::kStored);
  std::ifstream in(config / "registry/HKEY_LOCAL_MACHINE/SOFTWARE/HALVERON/KAVORIN/PORT/Execute");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "COM3");
  EXPECT_EQ(ReadStoredPort(), "COM3");
  EXPECT_EQ(StorePort("com3"), PortStoreResult::kNotAPortName);
  ::unsetenv("KAVORIN_CONFIG_DIR");
}

}  // namespace
}  // namespace kavorin
