// The kavorin command line: its names for the exports, the export it calls
// for each, and the demo run as a user runs it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <string>

#include "contract/export_table.hpp"
#include "tools/kavorin/export_caller.hpp"

namespace kavorin::cli {
namespace {

struct CliRun {
  int status;
  std::string output;
};

CliRun RunCli(const std::string& arguments) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((std::string(KAVORIN_CLI_PATH) + " " + arguments + " 2>&1").c_str(), "r"),
                                             ::pclose);
  std::string output;
  char chunk[4096];
  while (std::fgets(chunk, sizeof chunk, pipe.get()) != nullptr) output += chunk;
  const int status = ::pclose(pipe.release());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(KavorinCli, CommandNamesFindTheirExports) {
  const std::pair<const char*, const char*> cases[] = {
      {"credit-auth", "KAVORIN_CreditAuth"},
      {"CreditAuth", "KAVORIN_CreditAuth"},
      {"KAVORIN_CreditAuth", "KAVORIN_CreditAuth"},
      {"com-create", "KAVORIN_COMCreate"},
      {"get-card-number", "KAVORIN_GetCardNumber"},
      {"card-number", "KAVORIN_GetCardNumber"},
      {"sign-pad-model-no", "KAVORIN_SignPADModelno"},
      {"get-free-stype-tran-res-msg", "KAVORIN_GetFreeStypeTranResMsg"},
      {"status-check", "KAVORIN_StatusCheck"},
  };
  for (const auto& [command, name] : cases) {
    const ExportEntry* entry = FindCommand(command);
    ASSERT_NE(entry, nullptr) << command;
    EXPECT_EQ(entry->name, name) << command;
  }
  EXPECT_EQ(FindCommand("no-such-thing"), nullptr);
  EXPECT_EQ(CommandName(ExportByOrdinal(1)), "com-create");
  EXPECT_EQ(CommandName(ExportByOrdinal(62)), "track2-and-sign-w-amount-info");
  EXPECT_EQ(OptionName("prtOpt"), "--prt-opt");
  EXPECT_EQ(OptionName("catID"), "--cat-id");
  // Every command name leads back to its own export, and calls it.
  for (const auto& entry : ExportTable()) {
    EXPECT_EQ(FindCommand(CommandName(entry)), &entry) << entry.name;
    EXPECT_TRUE(CallsTheNamedExport(entry)) << entry.name;
  }
}

TEST(KavorinCli, HelpListsEveryCommand) {
  const CliRun run = RunCli("help");
  EXPECT_EQ(run.status, 0);
  for (const auto& entry : ExportTable()) {
    EXPECT_NE(run.output.find("  " + CommandName(entry)), std::string::npos) << entry.name;
  }
  EXPECT_NE(run.output.find("credit-auth --wcc X --track X --quota X --amount X --prt-opt X"), std::string::npos);
}

TEST(KavorinCli, BadCommandsAndOptionsSayWhy) {
  CliRun run = RunCli("no-such-command");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("no command"), std::string::npos);
  run = RunCli("credit-auth --colour red");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("no option --colour"), std::string::npos);
}

TEST(KavorinCli, LocalExportsWorkFromTheShell) {
  const std::string env = "KAVORIN_CONFIG_DIR=" + ::testing::TempDir() + "kavorin-cli-config ";
  CliRun run = RunCli("set-reg-com-port --port com3");
  EXPECT_EQ(run.status, 255);  // -1: the "COM" prefix is case-sensitive
  const std::string prefix = "env " + env + KAVORIN_CLI_PATH;
  std::unique_ptr<FILE, int (*)(FILE*)> set(::popen((prefix + " set-reg-com-port --port COM3").c_str(), "r"), ::pclose);
  set.reset();
  std::unique_ptr<FILE, int (*)(FILE*)> get(::popen((prefix + " get-reg-com-port").c_str(), "r"), ::pclose);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, get.get()), nullptr);
  EXPECT_STREQ(line, "COM3\n");
}

TEST(KavorinCli, DemoRunsATransactionAndItsVoucher) {
  const CliRun run = RunCli("demo");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("response code                [0000] (0)"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("#1 D1: completed"), std::string::npos);
  EXPECT_NE(run.output.find("#2 P1: completed"), std::string::npos);
  EXPECT_NE(run.output.find("demo completed"), std::string::npos);
}

}  // namespace
}  // namespace kavorin::cli
