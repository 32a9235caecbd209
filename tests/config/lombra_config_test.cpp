// The LOMBRA PC settings store, against an in-memory registry (where
// failures can be arranged) and against the Linux file store.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "common/text_codec.hpp"
#include "config/lombra/lombra_config.hpp"
#include "config/lombra/serial_comm_map.hpp"
#include "config/registry/registry_store_posix.hpp"
#include "tests/config/fake_registry.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;
using test::FakeRegistry;

constexpr char kGeneral[] = "SOFTWARE\\TORQ\\LOMBRA\\Communication";
std::string EntryKey(int n) { return "SOFTWARE\\TORQ\\LOMBRA\\LIST" + std::to_string(n); }

std::string Utf8(const std::string& cp949) { return Utf8FromCp949(cp949); }

LocalTime FixedClock() { return {2026, 12, 7, 9, 5, 3}; }

struct Stored {
  std::string port;
  std::uint32_t speed, dataBits, parity, stopBits, active;
};

// Test scaffolding shared by both stores: a temporary folder for the log
// (and for the file store), the store under test, and a config over it.
class StoreTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("lombra-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    if (std::string(GetParam()) == "files") {
      registry_ = std::make_unique<FileRegistryStore>((folder_ / "registry").string());
    } else {
      registry_ = std::make_unique<FakeRegistry>();
    }
  }
  void TearDown() override { fs::remove_all(folder_); }

  CLombraConfig Config() {
    return CLombraConfig(*registry_, FieldTestLog((folder_ / "field.log").string(), &FixedClock),
                         [this](const FieldTestLog& log) { return ReadSerialCommMap(*registry_, log); });
  }
  RegistryStore& registry() { return *registry_; }
  FakeRegistry* fake() { return dynamic_cast<FakeRegistry*>(registry_.get()); }

  void StoreGeneral(const std::string& host, std::uint32_t count, std::uint32_t port, std::uint32_t log) {
    ASSERT_TRUE(registry_->CreateKey(kGeneral));
    registry_->WriteText(kGeneral, "HOST", host);
    registry_->WriteNumber(kGeneral, "PORTCount", count);
    registry_->WriteNumber(kGeneral, "PORT", port);
    registry_->WriteNumber(kGeneral, "LOGHIDE", log);
  }
  void StoreEntry(int n, const Stored& e) {
    const std::string key = EntryKey(n);
    ASSERT_TRUE(registry_->CreateKey(key));
    registry_->WriteText(key, "COMPORT", e.port);
    registry_->WriteNumber(key, "SPEED", e.speed);
    registry_->WriteNumber(key, "DATABIT", e.dataBits);
    registry_->WriteNumber(key, "PARITYBIT", e.parity);
    registry_->WriteNumber(key, "STOPBIT", e.stopBits);
    registry_->WriteNumber(key, "Active", e.active);
  }
  void ExpectEntry(int n, const Stored& e) {
    SCOPED_TRACE("LIST" + std::to_string(n));
    const std::string key = EntryKey(n);
    EXPECT_EQ(registry_->ReadText(key, "COMPORT", 256), e.port);
    EXPECT_EQ(registry_->ReadNumber(key, "SPEED"), e.speed);
    EXPECT_EQ(registry_->ReadNumber(key, "DATABIT"), e.dataBits);
    EXPECT_EQ(registry_->ReadNumber(key, "PARITYBIT"), e.parity);
    EXPECT_EQ(registry_->ReadNumber(key, "STOPBIT"), e.stopBits);
    EXPECT_EQ(registry_->ReadNumber(key, "Active"), e.active);
  }
  std::vector<std::string> Ports(const CLombraConfig& config) {
    std::vector<std::string> ports;
    for (const ComInfo& entry : config.ports()) ports.push_back(entry.regKey + "=" + entry.port);
    return ports;
  }
  std::string LogText() {
    std::ifstream in(folder_ / "field.log", std::ios::binary);
    return Utf8(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  bool Logged(const std::string& utf8) { return LogText().find("|" + utf8 + "|\n") != std::string::npos; }

  fs::path folder_;
  std::unique_ptr<RegistryStore> registry_;
};

using S = Stored;

TEST_P(StoreTest, AMissingStoreIsWrittenWithTheDefaults) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  EXPECT_EQ(registry().ReadText(kGeneral, "HOST", 256), kDefaultServerHost);
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORTCount"), 1u);
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORT"), 9001u);
  EXPECT_EQ(registry().ReadNumber(kGeneral, "LOGHIDE"), 1u);
  ExpectEntry(1, {"COM1", 9600, 8, 0, 0, 1});
  EXPECT_EQ(Ports(config), (std::vector<std::string>{"LIST1=COM1"}));
  EXPECT_EQ(config.serverPort(), 9001);
  EXPECT_EQ(config.logOption(), 1);
  EXPECT_TRUE(Logged("SOFTWARE\\TORQ\\LOMBRA 를 Open 할 수 없습니다."));

  // Read again, the store is what was written.
  CLombraConfig again = Config();
  ASSERT_TRUE(again.ReadConfig());
  EXPECT_EQ(again.lastErrorCode(), kLombraOk);
  EXPECT_EQ(Ports(again), (std::vector<std::string>{"LIST1=COM1"}));
  EXPECT_EQ(again.host(), kDefaultServerHost);
}

TEST_P(StoreTest, ReadsInOrderAndSkipsARepeatedPort) {
  StoreGeneral("pay.example", 3, 7000, 0);
  StoreEntry(1, {"COM3", 19200, 7, 1, 1, 1});
  StoreEntry(2, {"COM3", 1200, 8, 0, 0, 0});
  StoreEntry(3, {"COM5", 115200, 8, 2, 2, 0});
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  EXPECT_EQ(config.host(), "pay.example");
  EXPECT_EQ(config.serverPort(), 7000);
  EXPECT_EQ(config.logOption(), 0);
  EXPECT_EQ(config.comPortCount(), 3);
  ASSERT_EQ(Ports(config), (std::vector<std::string>{"LIST1=COM3", "LIST2=COM5"}));
  ComInfo first;
  ASSERT_TRUE(config.GetComInfo(1, first));
  EXPECT_EQ(first.speed, 19200);
  EXPECT_EQ(first.dataBits, 7);
  EXPECT_EQ(first.parity, 1);
  EXPECT_EQ(first.stopBits, 1);
  EXPECT_EQ(config.FindComPort("COM5"), 2);
  EXPECT_EQ(config.FindComPort("COM9"), 0);
}

// A count naming more entries than are stored: the entries read stay under
// their keys, the default COM1 comes after them, unless one of them is
// COM1 already; either way the rebuilt store opens.
TEST_P(StoreTest, ACountBeyondTheStoredEntriesIsRepaired) {
  struct Case {
    const char* first;
    std::vector<std::string> ports;
    std::uint32_t count;
  };
  for (const Case& c : {Case{"COM3", {"LIST1=COM3", "LIST2=COM1"}, 2}, Case{"COM1", {"LIST1=COM1"}, 1}}) {
    SCOPED_TRACE(c.first);
    TearDown();
    SetUp();
    StoreGeneral("pay.example", 2, 7000, 0);
    StoreEntry(1, {c.first, 19200, 8, 0, 0, 1});
    CLombraConfig config = Config();
    EXPECT_TRUE(config.ReadConfig());
    EXPECT_EQ(Ports(config), c.ports);
    EXPECT_EQ(registry().ReadNumber(kGeneral, "PORTCount"), c.count);
    ExpectEntry(1, {c.first, 19200, 8, 0, 0, 1});
    if (c.count == 2) ExpectEntry(2, {"COM1", 9600, 8, 0, 0, 1});
    // The general values are the defaults again.
    EXPECT_EQ(registry().ReadNumber(kGeneral, "PORT"), 9001u);
    EXPECT_TRUE(Logged("SOFTWARE\\TORQ\\LOMBRA\\LIST2\\ 를 Open 할 수 없습니다."));
    CLombraConfig again = Config();
    EXPECT_TRUE(again.ReadConfig());
    EXPECT_EQ(Ports(again), c.ports);
  }
}

// Every value that cannot be read stops the read with its own messages.
TEST_P(StoreTest, EachUnreadableValueSaysWhich) {
  struct Case {
    std::string key;
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {kGeneral, "HOST", "Server Address를 읽어 올 수 없습니다."},
      {kGeneral, "PORTCount", "PORT Count를 읽어 올 수 없습니다."},
      {kGeneral, "PORT", "Server Port를 읽어 올 수 없습니다."},
      {kGeneral, "LOGHIDE", "Log Option을 읽어 올 수 없습니다."},
      {EntryKey(1), "COMPORT", "COMPORT를 읽어 올 수 없습니다."},
      {EntryKey(1), "SPEED", "SPEED를 읽어 올 수 없습니다."},
      {EntryKey(1), "DATABIT", "DATABIT를 읽어 올 수 없습니다."},
      {EntryKey(1), "PARITYBIT", "PARITYBIT를 읽어 올 수 없습니다."},
      {EntryKey(1), "STOPBIT", "STOPBIT를 읽어 올 수 없습니다."},
      {EntryKey(1), "Active", "Active를 읽어 올 수 없습니다."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    StoreGeneral("pay.example", 1, 7000, 0);
    StoreEntry(1, {"COM4", 9600, 8, 0, 0, 1});
    // A number where a text belongs (or the reverse) cannot be read either
    // in the registry; the file store has no types, so the value goes.
    if (fake() != nullptr) {
      fake()->Set(c.key, c.name, std::string(c.name) == "HOST" || std::string(c.name) == "COMPORT"
                                     ? FakeRegistry::Value(std::uint32_t{1})
                                     : FakeRegistry::Value(std::string("1")));
    } else {
      std::string key = c.key;
      std::replace(key.begin(), key.end(), '\\', '/');
      ASSERT_TRUE(fs::remove(folder_ / "registry" / key / c.name));
    }
    CLombraConfig config = Config();
    EXPECT_TRUE(config.ReadConfig());
    EXPECT_TRUE(Logged(c.key + "\\ 에 " + c.name + " 값을 읽을 수 없습니다.")) << LogText();
    EXPECT_TRUE(Logged(c.message)) << LogText();
    EXPECT_EQ(config.serverPort(), 9001) << "rebuilt with the defaults";
  }
}

TEST_P(StoreTest, AddingNamesEntriesInListOrderAndRefusesBadPorts) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  ASSERT_TRUE(config.AddComInfo("COM3", 19200, 7, 2, 1, 0, true));
  ASSERT_TRUE(config.AddComInfo("COM4", 4800, 8, 0, 2, 1, false));
  EXPECT_EQ(Ports(config), (std::vector<std::string>{"LIST1=COM1", "LIST2=COM3", "LIST3=COM4"}));
  ExpectEntry(2, {"COM3", 19200, 7, 2, 1, 0});
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORTCount"), 2u) << "the unsaved entry is not counted yet";
  EXPECT_FALSE(registry().OpenKey(EntryKey(3)));

  struct Case {
    std::string port;
    int code;
    const char* message;
  };
  const Case refused[] = {
      {"COM3", kLombraDuplicatePort, "COMPORT 를 추가할 수 없습니다."},
      {"", kLombraNotFound, "추가할 COMPORT를 찾을 수 없습니다."},
      {"COM" + std::string(253, '7'), kLombraEntryNotCreated, "COMPORT를 추가할 수 없습니다."},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.port.substr(0, 8));
    EXPECT_FALSE(config.AddComInfo(c.port, 9600, 8, 0, 0, 1, true));
    EXPECT_EQ(config.lastErrorCode(), c.code);
    EXPECT_EQ(Utf8(config.lastErrorMessage()), c.message);
  }
  EXPECT_EQ(config.ports().size(), 3u);

  // The longest name that fits the readers' 256 bytes is stored and read back.
  const std::string longest = "COM" + std::string(252, '7');
  ASSERT_TRUE(config.AddComInfo(longest, 9600, 8, 0, 0, 1, true));
  ASSERT_TRUE(config.WriteConfigSection(kPortSection));
  ASSERT_TRUE(config.WriteConfigSection(kCommunicationSection));
  CLombraConfig again = Config();
  ASSERT_TRUE(again.ReadConfig());
  EXPECT_EQ(again.FindComPort(longest), 4);
}

TEST_P(StoreTest, LookupsOfAMissingEntrySayWhat) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  ComInfo info;
  std::string text;
  const std::pair<std::function<bool()>, const char*> cases[] = {
      {[&] { return config.GetComInfo(2, info); }, "COMPORT를 찾을 수 없습니다."},
      {[&] { return config.GetComInfo(0, info); }, "COMPORT를 찾을 수 없습니다."},
      {[&] { return config.GetRegKey(2, text); }, "Registry Key를 찾을 수 없습니다."},
      {[&] { return config.GetComPortName(-1, text); }, "COM Port를 찾을 수 없습니다."},
      {[&] { return config.UpdateComInfo(2, "COM2", 9600, 8, 0, 0, 1); }, "Update할 COMPORT를 찾을 수 없습니다."},
      {[&] { return config.DeleteComInfo("COM2"); }, "COMPORT를 삭제 할 수 없습니다."},
  };
  for (const auto& [call, message] : cases) {
    SCOPED_TRACE(message);
    EXPECT_FALSE(call());
    EXPECT_EQ(config.lastErrorCode(), kLombraNotFound);
    EXPECT_EQ(Utf8(config.lastErrorMessage()), message);
    EXPECT_TRUE(Logged(message));
  }
  ASSERT_TRUE(config.GetRegKey(1, text));
  EXPECT_EQ(text, "LIST1");
  ASSERT_TRUE(config.GetComPortName(1, text));
  EXPECT_EQ(text, "COM1");
}

TEST_P(StoreTest, UpdateWritesTheEntryUnderItsKey) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  ASSERT_TRUE(config.AddComInfo("COM3", 9600, 8, 0, 0, 1, true));
  ASSERT_TRUE(config.UpdateComInfo(1, "COM2", 57600, 7, 1, 2, 0));
  ExpectEntry(1, {"COM2", 57600, 7, 1, 2, 0});
  ASSERT_TRUE(config.UpdateComInfo(1, "COM2", 1200, 7, 1, 2, 0)) << "its own port is no repeat";
  EXPECT_FALSE(config.UpdateComInfo(1, "COM3", 9600, 8, 0, 0, 1));
  EXPECT_EQ(config.lastErrorCode(), kLombraDuplicatePort);
  EXPECT_FALSE(config.UpdateComInfo(2, "", 9600, 8, 0, 0, 1));
  EXPECT_EQ(config.lastErrorCode(), kLombraSectionNotSaved);
  ExpectEntry(2, {"COM3", 9600, 8, 0, 0, 1});
}

TEST_P(StoreTest, DeletingTheMiddleEntryMovesTheLastOneDown) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  ASSERT_TRUE(config.AddComInfo("COM3", 19200, 7, 1, 1, 0, true));
  ASSERT_TRUE(config.AddComInfo("COM4", 4800, 6, 2, 2, 1, true));
  ASSERT_TRUE(config.DeleteComInfo("COM3"));
  EXPECT_EQ(Ports(config), (std::vector<std::string>{"LIST1=COM1", "LIST2=COM4"}));
  ExpectEntry(1, {"COM1", 9600, 8, 0, 0, 1});
  ExpectEntry(2, {"COM4", 4800, 6, 2, 2, 1});
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORTCount"), 2u);
  EXPECT_FALSE(registry().OpenKey(EntryKey(3)));
  EXPECT_EQ(config.comPortCount(), 2);
}

TEST_P(StoreTest, ServerValuesAreWrittenWhenSaved) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  ASSERT_TRUE(config.SetHost("10.1.2.3", true));
  ASSERT_TRUE(config.SetServerPort(8080, true));
  ASSERT_TRUE(config.SetLogOption(0, true));
  ASSERT_TRUE(config.SetHost("unsaved", false));
  EXPECT_EQ(registry().ReadText(kGeneral, "HOST", 256), "10.1.2.3");
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORT"), 8080u);
  EXPECT_EQ(registry().ReadNumber(kGeneral, "LOGHIDE"), 0u);

  // An address the readers could not take back whole is refused.
  EXPECT_TRUE(config.SetHost(std::string(255, 'h'), true));
  EXPECT_FALSE(config.SetHost(std::string(256, 'h'), true));
  EXPECT_EQ(config.lastErrorCode(), kLombraSettingNotWritten);
  EXPECT_EQ(Utf8(config.lastErrorMessage()), "Server Address를 저장할 수 없습니다.");
  EXPECT_EQ(config.host(), std::string(255, 'h'));

  config.Reset();
  EXPECT_EQ(config.host(), "");
  EXPECT_EQ(config.serverPort(), 0);
  EXPECT_EQ(config.logOption(), 0);
  EXPECT_EQ(config.comPortCount(), 0);
  EXPECT_TRUE(config.ports().empty());
  EXPECT_EQ(config.lastErrorCode(), kLombraOk);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, ::testing::Values("fake", "files"));

// ---------------------------------------------------------------------------
// Failures only the fake can arrange.
class FailingStoreTest : public StoreTest {};

TEST_P(FailingStoreTest, WriteFailuresGiveTheirCodesAndChangeNothing) {
  struct Case {
    std::string unwritable;  // key|name
    std::function<bool(CLombraConfig&)> call;
    int code;
    std::string message;
  };
  const std::string general = std::string(kGeneral) + "\\";
  const Case cases[] = {
      {std::string(kGeneral) + "|HOST", [](CLombraConfig& c) { return c.SetHost("h", true); },
       kLombraSettingNotWritten, "Server Address를 저장할 수 없습니다."},
      {std::string(kGeneral) + "|PORT", [](CLombraConfig& c) { return c.SetServerPort(1, true); },
       kLombraSettingNotWritten, "Server Port를 저장할 수 없습니다."},
      {std::string(kGeneral) + "|LOGHIDE", [](CLombraConfig& c) { return c.SetLogOption(0, true); },
       kLombraValueNotWritten, general + " 에 LOGHIDE = 0 값을 추가 할 수 없습니다."},
      {std::string(kGeneral) + "|PORTCount", [](CLombraConfig& c) { return c.SetPortCount(5, true); },
       kLombraValueNotWritten, general + " 에 PORTCount = 1 값을 추가 할 수 없습니다."},
      {std::string(kGeneral) + "|LOGHIDE",
       [](CLombraConfig& c) { return c.WriteConfigSection(kCommunicationSection); }, kLombraSectionNotSaved,
       "COMMUNICATION 정보를 저장 할 수 없습니다."},
      {EntryKey(1) + "|SPEED", [](CLombraConfig& c) { return c.UpdateComInfo(1, "COM1", 1200, 8, 0, 0, 1); },
       kLombraSettingNotWritten, "SPEED를 추가할 수 없습니다."},
      {EntryKey(1) + "|DATABIT", [](CLombraConfig& c) { return c.UpdateComInfo(1, "COM1", 1200, 8, 0, 0, 1); },
       kLombraSettingNotWritten, "DATABIT를 추가할 수 없습니다."},
      {EntryKey(1) + "|PARITYBIT", [](CLombraConfig& c) { return c.UpdateComInfo(1, "COM1", 1200, 8, 0, 0, 1); },
       kLombraSettingNotWritten, "PARITYBIT를 추가할 수 없습니다."},
      {EntryKey(1) + "|STOPBIT", [](CLombraConfig& c) { return c.UpdateComInfo(1, "COM1", 1200, 8, 0, 0, 1); },
       kLombraSettingNotWritten, "STOPBIT를 추가할 수 없습니다."},
      {EntryKey(1) + "|Active", [](CLombraConfig& c) { return c.UpdateComInfo(1, "COM1", 1200, 8, 0, 0, 1); },
       kLombraSettingNotWritten, "Active 를 추가할 수 없습니다."},
      {EntryKey(1) + "|COMPORT", [](CLombraConfig& c) { return c.UpdateComInfo(1, "COM1", 1200, 8, 0, 0, 1); },
       kLombraEntryNotCreated, "COMPORT를 추가할 수 없습니다."},
      {EntryKey(1) + "|COMPORT", [](CLombraConfig& c) { return c.WriteConfigSection(kPortSection); },
       kLombraSectionNotSaved, "COMPORT를 저장할 수 없습니다."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unwritable);
    TearDown();
    SetUp();
    CLombraConfig config = Config();
    ASSERT_TRUE(config.ReadConfig());
    fake()->unwritable.insert(c.unwritable);
    EXPECT_FALSE(c.call(config));
    EXPECT_EQ(config.lastErrorCode(), c.code);
    EXPECT_EQ(Utf8(config.lastErrorMessage()), c.message);
    EXPECT_EQ(config.host(), kDefaultServerHost);
    EXPECT_EQ(config.serverPort(), 9001);
    EXPECT_EQ(config.logOption(), 1);
    EXPECT_EQ(config.ports().at(0).speed, 9600);
  }
  // The generic message comes first and is logged too.
  EXPECT_TRUE(Logged(EntryKey(1) + "\\ 에 COMPORT = COM1 값을 추가 할 수 없습니다."));
}

TEST_P(FailingStoreTest, AnEntryThatCannotBeSavedIsNotAdded) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  fake()->uncreatable.insert(EntryKey(2));
  EXPECT_FALSE(config.AddComInfo("COM3", 9600, 8, 0, 0, 1, true));
  EXPECT_EQ(config.lastErrorCode(), kLombraEntryNotCreated);
  EXPECT_EQ(Utf8(config.lastErrorMessage()), EntryKey(2) + "\\ 를 Create 할 수 없습니다.");
  EXPECT_EQ(config.ports().size(), 1u);
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORTCount"), 1u);
}

// However far a delete gets, the remaining entries stay stored: a store
// read afterwards holds every one of them with its own settings.
TEST_P(FailingStoreTest, ADeleteStoppedPartWayLosesNoRemainingEntry) {
  const Stored a{"COM1", 9600, 8, 0, 0, 1}, b{"COM3", 19200, 7, 1, 1, 0}, c{"COM4", 4800, 6, 2, 2, 1};
  for (int writes = 0; writes <= 14; ++writes) {
    SCOPED_TRACE("writes before the failure: " + std::to_string(writes));
    TearDown();
    SetUp();
    StoreGeneral("pay.example", 3, 7000, 1);
    StoreEntry(1, a);
    StoreEntry(2, b);
    StoreEntry(3, c);
    CLombraConfig config = Config();
    ASSERT_TRUE(config.ReadConfig());
    fake()->writesLeft = writes;
    const bool deleted = config.DeleteComInfo("COM1");
    // 6 values an entry, two entries, then the count: 13 writes.
    EXPECT_EQ(deleted, writes >= 13);
    EXPECT_EQ(config.ports().size(), deleted ? 2u : 3u);
    fake()->writesLeft = -1;
    CLombraConfig after = Config();
    ASSERT_TRUE(after.ReadConfig());
    ComInfo entry;
    for (const Stored& kept : {b, c}) {
      const int index = after.FindComPort(kept.port);
      ASSERT_NE(index, 0) << kept.port;
      ASSERT_TRUE(after.GetComInfo(index, entry));
      EXPECT_EQ(entry.speed, static_cast<int>(kept.speed)) << kept.port;
      EXPECT_EQ(entry.dataBits, static_cast<int>(kept.dataBits)) << kept.port;
      EXPECT_EQ(entry.stopBits, static_cast<int>(kept.stopBits)) << kept.port;
    }
    if (deleted) {
      EXPECT_EQ(after.FindComPort("COM1"), 0);
    }
  }
}

TEST_P(FailingStoreTest, AKeyThatWillNotGoIsLoggedAndTheDeleteStands) {
  CLombraConfig config = Config();
  ASSERT_TRUE(config.ReadConfig());
  ASSERT_TRUE(config.AddComInfo("COM3", 9600, 8, 0, 0, 1, true));
  fake()->undeletable.insert(EntryKey(2));
  EXPECT_TRUE(config.DeleteComInfo("COM1"));
  EXPECT_TRUE(Logged(EntryKey(2) + "\\ 를 Delete 할 수 없습니다."));
  EXPECT_EQ(registry().ReadNumber(kGeneral, "PORTCount"), 1u);
  CLombraConfig after = Config();
  ASSERT_TRUE(after.ReadConfig());
  EXPECT_EQ(Ports(after), (std::vector<std::string>{"LIST1=COM3"}));
}

TEST_P(FailingStoreTest, ARootThatCannotBeWrittenFailsTheRead) {
  fake()->uncreatable.insert(kGeneral);
  CLombraConfig config = Config();
  EXPECT_FALSE(config.ReadConfig());
  EXPECT_EQ(config.lastErrorCode(), kLombraSectionNotSaved);
  EXPECT_TRUE(Logged(std::string(kGeneral) + "\\ 를 Create 할 수 없습니다."));
}

TEST_P(FailingStoreTest, TheDeviceMapListsTheReadablePorts) {
  fake()->Set(kSerialCommMapKey, "\\Device\\Serial0", std::string("COM1"));
  fake()->Set(kSerialCommMapKey, "\\Device\\Serial1", std::uint32_t{3});
  fake()->Set(kSerialCommMapKey, "\\Device\\VCP0", std::string("COM7"));
  fake()->Set(kSerialCommMapKey, std::string(260, 'n'), std::string("COM9"));
  CLombraConfig config = Config();
  config.EnumInstalledPorts();
  EXPECT_EQ(config.installedPorts(), (std::vector<std::string>{"COM1", "COM7"}));
  EXPECT_TRUE(Logged("설치된 COM 포트 읽어 오기 실패."));
  fake()->unopenable.insert(kSerialCommMapKey);
  FakeRegistry empty;
  CLombraConfig none(empty, FieldTestLog((folder_ / "field.log").string(), &FixedClock),
                     [&](const FieldTestLog& log) { return ReadSerialCommMap(empty, log); });
  none.EnumInstalledPorts();
  EXPECT_TRUE(none.installedPorts().empty());
}

INSTANTIATE_TEST_SUITE_P(Fake, FailingStoreTest, ::testing::Values("fake"));

}  // namespace
}  // namespace kavorin
