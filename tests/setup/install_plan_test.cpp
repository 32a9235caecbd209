#include "setup/install_plan.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "setup/installed_files.hpp"
#include "setup/setup_texts.hpp"
#include "tests/config/fake_registry.hpp"
#include "tests/setup/fake_setup_system.hpp"

namespace kavorin::setup {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr char kSource[] = "Z:\\media\\set";
constexpr char kFolder[] = "C:\\Program Files\\HALVERON\\WEB";

std::string In(std::string_view name) { return PathIn(kFolder, name); }
std::string From(std::string_view name) { return PathIn(kSource, name); }

class InstallPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry.Set(kWindowsVersionKey, kProgramFilesValue, std::string("C:\\Program Files"));
    for (const InstalledFile& file : kInstalledFiles) system.files[From(file.name)] = "new";
    for (std::string_view ini : kIniFiles) system.files[From(ini)] = "delivered";
    system.files[From(kUninstallProgram)] = "new";
  }
  // An installed set from an earlier installation.
  void Installed() {
    for (const InstalledFile& file : kInstalledFiles) system.files[In(file.name)] = "old";
    for (std::string_view ini : kIniFiles) system.files[In(ini)] = "edited";
    system.files[In(kUninstallProgram)] = "old";
  }
  SetupOutcome Setup(int dialogResult = 0) {
    return RunSetup(system, registry, kSource, [&] {
      system.Log("options dialog");
      return dialogResult;
    });
  }
  std::string Message(const std::string& caption, const std::string& text) { return "message " + caption + "|" + text; }

  test::FakeRegistry registry;
  test::FakeSetupSystem system;
};

// The whole run on a clean machine, call by call.
TEST_F(InstallPlanTest, FreshSetupRunsEveryStepInOrder) {
  const SetupOutcome outcome = Setup();
  std::vector<std::string> expected{"close KavSignPad_Interface", "close KAVORIN_Interface", "com on",
                                    "folder C:\\Program Files\\HALVERON", "folder C:\\Program Files\\HALVERON\\WEB"};
  for (int n = 1; n <= 13; ++n) expected.push_back("delete " + In(FileNumber(n).name));
  for (int n : {1, 2, 3, 5, 6, 4, 7, 8, 9, 10, 11, 12, 13}) expected.push_back("copy " + In(FileNumber(n).name));
  for (const char* name : {"KavSignPad.ini", "zelkpay.ini", "KAVORIN.ini", "Uninstall.exe"}) {
    expected.push_back("copy " + In(name));
  }
  for (const char* name : {"KAVORIN_Web.ocx", "ZelkPayWeb.ocx", "ZelkSignWeb.ocx", "SquozenWeb.ocx"}) {
    expected.push_back("DllRegisterServer " + In(name));
  }
  expected.push_back("start \"" + In("KAVORIN.exe") + "\" /RegServer wait 0");
  expected.push_back("start \"" + In("KavSignPad.exe") + "\" /RegServer wait 0");
  expected.push_back("options dialog");
  expected.push_back(Message(SetupResultCaption(), SetupDoneText()));
  expected.push_back("com off");
  EXPECT_THAT(system.calls, ElementsAreArray(expected));

  EXPECT_FALSE(outcome.Failed());
  EXPECT_EQ(system.files[In("KAVORIN.ini")], "delivered");
  EXPECT_EQ(registry.Get(kUninstallKey, "DisplayName"), test::FakeRegistry::Value(std::string("ZELK4Web(Halveron)")));
  EXPECT_EQ(registry.Get(kUninstallKey, "DisplayIcon"), test::FakeRegistry::Value(In("KAVORIN.exe")));
  EXPECT_EQ(registry.Get(kUninstallKey, "DisplayVersion"), test::FakeRegistry::Value(std::string("1.0")));
  EXPECT_EQ(registry.Get(kUninstallKey, "UnInstallString"), test::FakeRegistry::Value(In("UnInstall.exe")));
}

// How the outcome follows from what stands in the way, one row a case.
struct SetupCase {
  const char* name;
  std::vector<std::string> running;   // installed files a program runs from
  std::vector<std::string> unshared;  // installed files held without sharing
  std::vector<std::string> missingSources;
  int dialogResult;
  int failedDeletion;
  bool copied;  // the new set reached the folder
  std::vector<std::string> failedCopies;
  bool failureMessage;
  bool entry;
};

class SetupCases : public InstallPlanTest, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(SetupCases, Outcome) {
  const SetupCase& row = GetParam();
  Installed();
  for (const std::string& name : row.running) system.running.insert(In(name));
  for (const std::string& name : row.unshared) system.unshared.insert(In(name));
  for (const std::string& name : row.missingSources) system.files.erase(From(name));

  const SetupOutcome outcome = Setup(row.dialogResult);

  EXPECT_EQ(outcome.failedDeletion, row.failedDeletion);
  EXPECT_EQ(system.files[In("KAVORIN_Ctl.dll")] == "new", row.copied);
  EXPECT_EQ(system.Matching("copy").empty(), !row.copied);
  EXPECT_EQ(outcome.failedCopies, row.failedCopies);
  // Registration and the dialog run whatever happened to the files.
  EXPECT_EQ(system.Matching("DllRegisterServer").size(), 4u);
  EXPECT_EQ(system.Matching("start").size(), 2u);
  EXPECT_EQ(system.Matching("options dialog").size(), 1u);
  EXPECT_EQ(registry.HasKey(kUninstallKey), row.entry);
  // The ini files of the first installation stay.
  for (std::string_view ini : kIniFiles) EXPECT_EQ(system.files[In(ini)], "edited") << ini;
  EXPECT_TRUE(system.Matching("rename").empty());

  std::string message = row.dialogResult == -1 ? Message(SetupCancelledCaption(), SetupCancelledText())
                        : row.failureMessage ? Message(SetupResultCaption(), SetupFailedText())
                                             : Message(SetupResultCaption(), SetupDoneText());
  EXPECT_THAT(system.Matching("message"), ElementsAre(message));
  EXPECT_EQ(system.calls.back(), "com off");
}

INSTANTIATE_TEST_SUITE_P(
    Setup, SetupCases,
    ::testing::Values(
        SetupCase{"Reinstall", {}, {}, {}, 0, 0, true, {}, false, true},
        SetupCase{"Cancelled", {}, {}, {}, -1, 0, true, {}, false, false},
        SetupCase{"HostRunning", {"KAVORIN.exe"}, {}, {}, 0, 1, false, {}, true, true},
        SetupCase{"LastLockedFileCounts", {"KAVORIN_Web.ocx"}, {"ZelkPayWeb.ocx"}, {}, 0, 9, false, {}, true, true},
        SetupCase{"LockedAndCancelled", {}, {"zelkpay43.dll"}, {}, -1, 6, false, {}, true, false},
        // Property.dll is replaced by setup although Uninstall leaves it.
        SetupCase{"PropertyLocked", {}, {"Property.dll"}, {}, 0, 11, false, {}, true, true},
        SetupCase{"SourceMissing", {}, {}, {"SquozenUtil.dll"}, 0, 0, true, {"SquozenUtil.dll"}, true, true}),
    [](const ::testing::TestParamInfo<SetupCase>& row) { return std::string(row.param.name); });

// A target that a program runs from cannot be overwritten but can step
// aside: it becomes "<name>.bak" (an older one goes first) and the copy is
// tried again. Uninstall.exe is never deleted, so it is the file this
// happens to when the user runs setup from an installed Uninstall.
TEST_F(InstallPlanTest, BusyTargetStepsAsideAsBak) {
  system.files[In("Uninstall.exe")] = "old";
  system.files[In("Uninstall.exe.bak")] = "older";
  system.running.insert(In("Uninstall.exe"));

  const SetupOutcome outcome = Setup();

  EXPECT_THAT(outcome.failedCopies, IsEmpty());
  EXPECT_EQ(system.files[In("Uninstall.exe")], "new");
  EXPECT_EQ(system.files[In("Uninstall.exe.bak")], "old");
  EXPECT_THAT(system.Matching("rename"), ElementsAre("rename " + In("Uninstall.exe") + " -> " + In("Uninstall.exe.bak")));
  // A target that is not there is not renamed: the copy failed for its source.
  system.calls.clear();
  system.files.erase(From("zelkpay.dat"));
  EXPECT_THAT(Setup().failedCopies, ElementsAre("zelkpay.dat"));
  EXPECT_EQ(system.Matching("rename").size(), 0u);
}

TEST_F(InstallPlanTest, InstallFolderFollowsProgramFilesDir) {
  struct Row {
    std::optional<std::string> programFiles;
    std::string folder;
  };
  const std::vector<Row> rows{
      {std::string("D:\\Apps"), "D:\\Apps\\HALVERON\\WEB"},
      {std::nullopt, "C:\\Program Files\\HALVERON\\WEB"},
      // 99 bytes and its NUL fit the 100-byte buffer; 100 do not.
      {"D:\\" + std::string(96, 'x'), "D:\\" + std::string(96, 'x') + "\\HALVERON\\WEB"},
      {"D:\\" + std::string(97, 'x'), "C:\\Program Files\\HALVERON\\WEB"},
  };
  for (const Row& row : rows) {
    test::FakeRegistry machine;
    if (row.programFiles) machine.Set(kWindowsVersionKey, kProgramFilesValue, *row.programFiles);
    const InstallFolders folders = FindInstallFolders(machine);
    EXPECT_EQ(folders.folder, row.folder);
    EXPECT_EQ(folders.parent + "\\WEB", row.folder);
  }
}

TEST_F(InstallPlanTest, UninstallRemovesAllButPropertyAndSettings) {
  Installed();
  Setup();
  system.calls.clear();

  const UninstallOutcome outcome = RunUninstall(system, registry);

  std::vector<std::string> expected{"close KavSignPad_Interface", "close KAVORIN_Interface", "com on"};
  for (const char* name : {"KAVORIN_Web.ocx", "ZelkPayWeb.ocx", "ZelkSignWeb.ocx", "SquozenWeb.ocx"}) {
    expected.push_back("DllUnregisterServer " + In(name));
  }
  expected.push_back("start \"" + In("KAVORIN.exe") + "\" /UnregServer wait 10000");
  expected.push_back("start \"" + In("KavSignPad.exe") + "\" /UnregServer wait 10000");
  for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13}) expected.push_back("delete " + In(FileNumber(n).name));
  expected.push_back("com off");
  expected.push_back(Message(UninstallResultCaption(), UninstallDoneText()));
  EXPECT_THAT(system.calls, ElementsAreArray(expected));

  EXPECT_TRUE(outcome.entryRemoved);
  EXPECT_FALSE(registry.HasKey(kUninstallKey));
  for (const char* kept : {"Property.dll", "KAVORIN.ini", "zelkpay.ini", "KavSignPad.ini", "Uninstall.exe"}) {
    EXPECT_TRUE(system.files.contains(In(kept))) << kept;
  }
  EXPECT_FALSE(system.files.contains(In("SquozenWeb.ocx")));
}

TEST_F(InstallPlanTest, UninstallWithALockedFileKeepsTheEntry) {
  Installed();
  Setup();
  system.calls.clear();
  system.unshared.insert(In("KavSignPad_Ctl.dll"));
  system.files.erase(In("zelkpay.dat"));  // gone already: not a failure

  const UninstallOutcome outcome = RunUninstall(system, registry);

  EXPECT_EQ(outcome.failedDeletion, 7);
  EXPECT_FALSE(outcome.entryRemoved);
  EXPECT_TRUE(registry.HasKey(kUninstallKey));
  // The rest still goes.
  EXPECT_FALSE(system.files.contains(In("SquozenWeb.ocx")));
  EXPECT_THAT(system.Matching("message"), ElementsAre(Message(UninstallResultCaption(), UninstallFailedText())));
}

TEST_F(InstallPlanTest, OnlyAFailedOleStartIsShown) {
  for (SelfRegisterResult result : {SelfRegisterResult::kDone, SelfRegisterResult::kNotLoaded,
                                    SelfRegisterResult::kNoEntry, SelfRegisterResult::kEntryFailed}) {
    system.calls.clear();
    system.selfRegisterResult = result;
    SelfRegisterFile(system, In("SquozenWeb.ocx"), "DllRegisterServer");
    EXPECT_THAT(system.Matching("message"), IsEmpty());
  }
  system.selfRegisterResult = SelfRegisterResult::kOleFailed;
  Setup();
  EXPECT_EQ(system.Matching("message Error|DLLRegister OleInitialize failed.").size(), 4u);
}

}  // namespace
}  // namespace kavorin::setup
