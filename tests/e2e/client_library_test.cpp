// The client library's exports end to end, from an install folder, through
// the real host, to the simulator on a real pty.
#include <elf.h>
#include <sys/stat.h>

#include <fstream>
#include <regex>

#include "contract/export_table.hpp"
#include "tests/e2e/client_installation.hpp"

namespace kavorin::testing {
namespace {

using ClientLibraryTest = ClientLibraryFixture;

TEST_F(ClientLibraryTest, CreditApprovalThenVoucherPrint) {
  catsim::TerminalOptions options;
  options.response.transaction[2] = "9410123412341234=2812";
  options.response.transaction[7] = "30001234";
  Start(options);

  ASSERT_EQ(ComCreate(), 0);
  using CreditAuth = int (*)(const char*, const char*, const char*, const char*, const char*);
  ASSERT_EQ(install_->Get<CreditAuth>("KAVORIN_CreditAuth")("", "9410123412341234=2812", "00", "15000", "0"), 0);
  EXPECT_EQ(ComStatus(), 0);

  int result = 99;
  EXPECT_EQ(install_->Text("KAVORIN_GetResponseCode", &result).substr(0, 4), "0000");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(install_->Text("KAVORIN_GetCardNumber"), "9410123412******");
  EXPECT_EQ(install_->Text("KAVORIN_GetAuthAmount"), "15000");
  EXPECT_EQ(install_->Text("KAVORIN_GetAuthNumber"), "30001234");
  install_->Text("KAVORIN_GetWCC", &result);
  EXPECT_EQ(result, -2);  // not a field of a credit answer

  const auto approval = rig_->Wait(1);
  ASSERT_TRUE(approval);
  EXPECT_EQ(approval->code, "D1");
  EXPECT_NE(approval->request.find("\x1C" "15000\x1C"), std::string::npos);

  // The voucher: the port must be opened again, since every exchange closes it.
  ASSERT_EQ(ComCreate(), 0);
  using ResultPrint = int (*)(const char*, const char*, const char*, const char*, const char*, const char*,
                              const char*, const char*, const char*, const char*, const char*, const char*,
                              const char*, const char*, const char*);
  ASSERT_EQ(install_->Get<ResultPrint>("KAVORIN_CreditAuthResultPrint")("0000", "9410123412******", "00",
                                                                        "261207120000", "15000", "", "", "30001234",
                                                                        "01", "99887766", "", "02", "", "", ""),
            0);
  EXPECT_EQ(ComStatus(), 0);
  const auto print = rig_->Wait(2);
  ASSERT_TRUE(print);
  EXPECT_EQ(print->code, "P1");
  EXPECT_EQ(print->fromTerminal, "\x06\x04");
}

TEST_F(ClientLibraryTest, ComCreateWritesItsLogLines) {
  Start();
  ASSERT_EQ(ComCreate(), 0);
  const std::string folder = (rig_->root / "install").string() + "/";
  const std::string stamp = "[0-9]{2}:[0-9]{2}:[0-9]{2}\t\\[\\*\\]\t";
  const std::regex expected(
      stamp + "\\[KAVORIN_COMCreate\\]=========================================\\|\r\r\n" +  //
      stamp + "\\[KAVORIN_COMCreate\\]Start=\\[" + folder + "KAVORIN\\]\\|\r\r\n" +             //
      stamp + "\\[KAVORIN_COMCreate\\]INI Path=\\[" + folder + "kavorin.ini\\]\\|\r\r\n" +      //
      stamp + "\\[KAVORIN_COMCreate\\]COM PORT=\\[COM7\\]\\|\r\r\n" +                           //
      // the host's own lines, from the same folder
      stamp + "\\[KAVORIN-StartComPort\\] COM PORT=\\[COM7\\]\\|\r\r\n" + stamp +
      "\\[KAVORIN-StartComPort\\] [^|]+\\|\r\r\n");
  EXPECT_TRUE(std::regex_match(install_->DailyLog(), expected)) << install_->DailyLog();
}

TEST_F(ClientLibraryTest, NoPortSettingAnywhere) {
  Start({}, "");
  EXPECT_EQ(ComCreate(), -1);
  EXPECT_NE(install_->DailyLog().find("[KAVORIN_COMCreate]GetComPort() \xBD\xC7\xC6\xD0|\r\r\n"), std::string::npos);
}

TEST_F(ClientLibraryTest, RegistryPortServesWhenTheIniNamesNone) {
  Start({}, "");
  using SetPort = int (*)(const char*);
  EXPECT_EQ(install_->Get<SetPort>("KAVORIN_SetRegCOMPort")("COM7"), 0);
  EXPECT_EQ(ComCreate(), 0);
  // With the host holding the port, a second ComCreate still reaches it.
  EXPECT_EQ(ComCreate(), 0);
}

// The ini's port fails the open test while the host holds it, so the
// registry's is taken; naming the same port, it reaches StartComPort again.
TEST_F(ClientLibraryTest, APortTheHostHoldsFallsBackToTheRegistry) {
  Start({}, "COM7");
  using SetPort = int (*)(const char*);
  ASSERT_EQ(install_->Get<SetPort>("KAVORIN_SetRegCOMPort")("COM7"), 0);
  ASSERT_EQ(ComCreate(), 0);
  EXPECT_EQ(ComCreate(), 0);
  // With no registry value the second lookup finds no usable port: the host
  // is handed an empty name and refuses it.
  fs::remove_all(rig_->root / "config" / "registry");
  EXPECT_EQ(ComCreate(), -2);
  EXPECT_NE(install_->DailyLog().find("[KAVORIN-StartComPort] COM PORT=[]|"), std::string::npos);
}

TEST_F(ClientLibraryTest, FailuresReachTheCaller) {
  catsim::TerminalOptions options;
  std::string error;
  options.scripts[1] = *catsim::ParseScript("silence", error);
  options.scripts[2] = *catsim::ParseScript("response-code=8001", error);
  Start(options);
  using Track = int (*)();
  // Port not open: the host refuses.
  EXPECT_EQ(install_->Get<Track>("KAVORIN_Track2Read")(), -2);
  EXPECT_EQ(install_->Get<NoArgs>("KAVORIN_StatusCheck")(), -2);
  EXPECT_EQ(ComStatus(), -1);

  // No ACK from the terminal.
  ASSERT_EQ(ComCreate(), 0);
  EXPECT_EQ(install_->Get<Track>("KAVORIN_Track2AndIDRead")(), 0);
  EXPECT_EQ(ComStatus(), -1);
  EXPECT_EQ(install_->Get<NoArgs>("KAVORIN_StatusCheck")(), -3);

  // The terminal answers with a failure code: fields stay readable.
  ASSERT_EQ(ComCreate(), 0);
  using CreditAuth = int (*)(const char*, const char*, const char*, const char*, const char*);
  ASSERT_EQ(install_->Get<CreditAuth>("KAVORIN_CreditAuth")("", "", "00", "100", "0"), 0);
  EXPECT_EQ(ComStatus(), -1);
  EXPECT_EQ(install_->Get<NoArgs>("KAVORIN_StatusCheck")(), -1000);
  EXPECT_EQ(install_->Text("KAVORIN_GetResponseCode").substr(0, 4), "8001");
}

TEST_F(ClientLibraryTest, TrackAndSignatureRead) {
  catsim::TerminalOptions options;
  options.response.read[1] = "A9410123412341234=2812";
  options.response.read[2] = "1AB123V1C2";
  options.response.read[4] = std::string("\x01\x02" "SIGN\xFF", 7);
  Start(options);
  ASSERT_EQ(ComCreate(), 0);
  using Sign = int (*)(const char*, const char*);
  ASSERT_EQ(install_->Get<Sign>("KAVORIN_Track2AndSign")("12345678", "001"), 0);
  EXPECT_EQ(ComStatus(), 0);
  EXPECT_EQ(install_->Text("KAVORIN_GetWCC"), "A");
  EXPECT_EQ(install_->Text("KAVORIN_GetTrackData"), "9410123412341234=2812");
  EXPECT_EQ(install_->Text("KAVORIN_SignPADModelno"), "123");
  char bytes[64] = {};
  EXPECT_EQ(install_->Get<Buffer>("KAVORIN_SignPADSignData")(bytes), 0);
  EXPECT_EQ(std::string(bytes, 8), std::string("\x01\x02" "SIGN\xFF\0", 8));
  char hex[64] = {};
  EXPECT_EQ(install_->Get<Buffer>("KAVORIN_SignPADAsciiSignData")(hex), 0);
  EXPECT_STREQ(hex, "01025349474EFF");
  const auto report = rig_->Wait(1);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->code, "RS");
  EXPECT_EQ(report->request.substr(1, 14), "RS\x1C" "12345678001");
}

// A terminal that approves and never sends its EOT: the approval stands a
// few seconds after the host ACKed it, its fields readable, and the port is
// free for the voucher.
TEST_F(ClientLibraryTest, AnApprovalWithoutItsEotStands) {
  catsim::TerminalOptions options;
  options.response.transaction[7] = "30001234";
  std::string error;
  options.scripts[1] = *catsim::ParseScript("no-eot", error);
  Start(options);
  ASSERT_EQ(ComCreate(), 0);
  using CreditAuth = int (*)(const char*, const char*, const char*, const char*, const char*);
  ASSERT_EQ(install_->Get<CreditAuth>("KAVORIN_CreditAuth")("", "9410123412341234=2812", "00", "15000", "0"), 0);
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(ComStatus(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 20s);
  EXPECT_EQ(install_->Text("KAVORIN_GetAuthNumber"), "30001234");
  EXPECT_EQ(ComCreate(), 0);
}

// A refused start must not leave the last sale looking like the answer to
// the next request: after one good exchange the terminal goes away, the
// port cannot be opened, and the request is refused.
TEST_F(ClientLibraryTest, ARefusedStartLeavesNoStaleSuccess) {
  catsim::TerminalOptions options;
  options.response.transaction[7] = "30001234";
  Start(options);
  using CreditAuth = int (*)(const char*, const char*, const char*, const char*, const char*);
  const auto credit_auth = install_->Get<CreditAuth>("KAVORIN_CreditAuth");
  ASSERT_EQ(ComCreate(), 0);
  ASSERT_EQ(credit_auth("", "9410123412341234=2812", "00", "15000", "0"), 0);
  ASSERT_EQ(ComStatus(), 0);
  ASSERT_EQ(install_->Text("KAVORIN_GetAuthNumber"), "30001234");

  rig_->terminal->Stop();
  EXPECT_EQ(ComCreate(), -2);
  EXPECT_EQ(credit_auth("", "9410123412341234=2812", "00", "15000", "0"), -2);
  EXPECT_EQ(install_->Get<NoArgs>("KAVORIN_StatusCheck")(), -2);
  EXPECT_EQ(ComStatus(), -1);
  int result = 0;
  EXPECT_EQ(install_->Text("KAVORIN_GetAuthNumber", &result), "");
  EXPECT_EQ(result, -1);
}

// Texts no frame can carry are refused by the library itself (-2), not by a
// connection the host drops half-way (-10000 and a message box).
TEST_F(ClientLibraryTest, OversizeTextsAreRefusedBeforeSending) {
  Start();
  ASSERT_EQ(ComCreate(), 0);
  const std::string huge(300 * 1024, '1');
  using CreditAuth = int (*)(const char*, const char*, const char*, const char*, const char*);
  EXPECT_EQ(install_->Get<CreditAuth>("KAVORIN_CreditAuth")("", huge.c_str(), "00", "100", "0"), -2);
  using FreeStyle = int (*)(const char*);
  EXPECT_EQ(install_->Get<FreeStyle>("KAVORIN_FreeStylePrint")(huge.c_str()), -2);
  // The host never saw them and serves on.
  EXPECT_EQ(install_->Get<NoArgs>("KAVORIN_StatusCheck")(), 100);
}

// A ComCreate in the half second after another client ended the host goes
// to a new host, not to the one about to vanish with the port it opened.
TEST_F(ClientLibraryTest, ComCreateRightAfterServiceTerminateReachesTheNextHost) {
  Start();
  using SetPort = int (*)(const char*);
  // The ending host still holds the port for the ini's open test: the
  // registry names it too, as an installation with the port chooser does.
  ASSERT_EQ(install_->Get<SetPort>("KAVORIN_SetRegCOMPort")("COM7"), 0);
  ASSERT_EQ(ComCreate(), 0);
  pid_t first = 0;
  std::ifstream(DefaultRuntimePaths().lock) >> first;
  ASSERT_GT(first, 0);
  ASSERT_EQ(install_->Get<NoArgs>("KAVORIN_ServiceTerminate")(), 0);

  EXPECT_EQ(ComCreate(), 0);
  pid_t second = 0;
  std::ifstream(DefaultRuntimePaths().lock) >> second;
  EXPECT_NE(second, first);
  using Track = int (*)();
  EXPECT_EQ(install_->Get<Track>("KAVORIN_Track2Read")(), 0);
  EXPECT_EQ(ComStatus(), 0);
}

// The library talks to nobody through a runtime folder that is not the
// caller's own and private: a clear line on stderr, its own result code, and
// not a byte sent.
TEST_F(ClientLibraryTest, AnUnsafeRuntimeFolderIsRefused) {
  Start();
  const fs::path open_folder = rig_->root / "open";
  fs::create_directories(open_folder);
  ::chmod(open_folder.c_str(), 0777);
  ::setenv("KAVORIN_RUNTIME_DIR", open_folder.c_str(), 1);
  char buffer[8192] = "untouched";
  EXPECT_EQ(ComCreate(), -10001);
  EXPECT_EQ(install_->Get<Buffer>("KAVORIN_GetCardNumber")(buffer), -10001);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(ComStatus(), -2);
  EXPECT_TRUE(fs::is_empty(open_folder));
  struct stat info {};
  ::stat(open_folder.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0777u);
  ::setenv("KAVORIN_RUNTIME_DIR", (rig_->root / "run").c_str(), 1);
}

TEST_F(ClientLibraryTest, EveryExportOfTheTableIsThere) {
  Start();
  for (const auto& entry : ExportTable()) {
    EXPECT_NE(::dlsym(install_->handle(), std::string(entry.name).c_str()), nullptr) << entry.name;
  }
}

// POS programs load and unload the library; thread storage of an unloaded
// library leaves each thread that used it a dangling block (LeakSanitizer's
// exit walk crashed on one), so the library must carry none.
TEST(ClientLibraryFile, CarriesNoThreadStorage) {
  std::ifstream file(KAVORIN_CTL_PATH, std::ios::binary);
  ASSERT_TRUE(file) << KAVORIN_CTL_PATH;
  Elf64_Ehdr header{};
  ASSERT_TRUE(file.read(reinterpret_cast<char*>(&header), sizeof header));
  ASSERT_EQ(header.e_ident[EI_CLASS], ELFCLASS64);
  ASSERT_GT(header.e_phnum, 0);
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr program{};
    file.seekg(static_cast<std::streamoff>(header.e_phoff + static_cast<Elf64_Off>(i) * header.e_phentsize));
    ASSERT_TRUE(file.read(reinterpret_cast<char*>(&program), sizeof program));
    EXPECT_NE(program.p_type, static_cast<Elf64_Word>(PT_TLS)) << "a thread_local in the library";
  }
}

}  // namespace
}  // namespace kavorin::testing
