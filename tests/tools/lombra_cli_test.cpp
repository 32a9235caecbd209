// kavorin lombra: the LOMBRA PC settings from the shell, run as a script
// would run it, against a configuration folder of its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

struct CliOutcome {
  int status;
  std::string out;  // stdout, then stderr
};

class LombraCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = fs::temp_directory_path() / ("lombra-cli-" + std::to_string(::getpid()));
    fs::remove_all(config_);
    fs::create_directories(config_);
  }
  void TearDown() override { fs::remove_all(config_); }

  CliOutcome Lombra(const std::string& arguments) {
    const std::string command = "KAVORIN_CONFIG_DIR='" + config_.string() + "' " + KAVORIN_CLI_PATH + " lombra " +
                                arguments + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, pipe.get()) != nullptr) output += chunk;
    const int status = ::pclose(pipe.release());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
  }
  std::string Value(const std::string& key, const std::string& name) {
    std::ifstream in(config_ / "registry/HKEY_LOCAL_MACHINE/SOFTWARE/TORQ/LOMBRA" / key / name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path config_;
};

constexpr char kRestart[] = "[LOMBRA PC 알림] 변경된 값을 적용 하기 위해서는 서비스를 재 시작 하셔야 합니다.";

TEST_F(LombraCliTest, AScriptManagesTheEntriesWithTheDialogsChecks) {
  struct Step {
    const char* arguments;
    int status;
    const char* says;  // part of the output; "" for none expected
  };
  const Step steps[] = {
      {"list", 0, "COM1\t9600\t8\t없음\t1\t예\n"},
      {"add COM3 --speed 19200 --parity even --stop-bits 1.5 --active no", 0, kRestart},
      {"add COM3", 1, "[LOMBRA PC 알림] 변경할 COM3 포트가 리스트에 존재 하여 적용 할 수 없습니다."},
      {"add COM4 --data-bits ''", 1, "[LOMBRA PC 알림] 작성되지 않은 항목이 존재하여 적용 할 수 없습니다."},
      {"add ''", 1, "작성되지 않은 항목이 존재하여 적용 할 수 없습니다."},
      {"add COM4 --speed 300", 2, "--speed 300 is not one of"},
      {"add COM4 --colour red", 2, "no option --colour"},
      {"add COM4 --parity 홀수 --data-bits 7", 0, kRestart},
      {"update COM3 --port COM1", 1, "변경할 COM1 포트가 리스트에 존재 하여 적용 할 수 없습니다."},
      {"update COM9 --speed 1200", 1, "COMPORT를 찾을 수 없습니다."},
      {"update COM3 --speed 57600 --active yes", 0, kRestart},
      {"delete COM9 --yes", 1, "삭제할 항목을 리스트에서 선택하여 주시기 바랍니다."},
      {"delete COM1", 1, "COM1 포트를 정말로 삭제 하시겠습니까?"},
      {"delete COM3 --yes", 0, kRestart},
      {"list", 0, "COM1\t9600\t8\t없음\t1\t예\nCOM4\t9600\t7\t홀수\t1\t예\n"},
      {"server --port 123456", 2, "up to five digits"},
      {"server --host 10.1.2.3 --port 7000", 0, kRestart},
      {"server --port 7000", 0, ""},
      {"log-option off", 0, kRestart},
      {"log-option off", 0, ""},
      {"server", 0, "10.1.2.3\t7000\n"},
      {"list", 0, "서버 주소\t10.1.2.3\n포트\t7000\n로그기록\t아니오\n"},
      {"no-such", 2, "no command no-such"},
  };
  for (const Step& step : steps) {
    const CliOutcome run = Lombra(step.arguments);
    EXPECT_EQ(run.status, step.status) << step.arguments << "\n" << run.out;
    if (*step.says != '\0') {
      EXPECT_NE(run.out.find(step.says), std::string::npos) << step.arguments << "\n" << run.out;
    } else {
      EXPECT_EQ(run.out, "") << step.arguments;
    }
  }
  // What the service reads.
  EXPECT_EQ(Value("Communication", "PORTCount"), "2");
  EXPECT_EQ(Value("LIST2", "COMPORT"), "COM4");
  EXPECT_EQ(Value("LIST2", "PARITYBIT"), "2");
  EXPECT_EQ(Value("Communication", "LOGHIDE"), "0");
  EXPECT_FALSE(fs::exists(config_ / "registry/HKEY_LOCAL_MACHINE/SOFTWARE/TORQ/LOMBRA/LIST3"));
  // Every store step went to the field-test log.
  std::ifstream log(config_ / "LOMBRA_PC_FieldTest.log");
  const std::string lines((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(lines.find("]\t|DeleteComInfo(COM3)|\n"), std::string::npos);
}

TEST_F(LombraCliTest, AStoreThatCannotBeWrittenExitsThree) {
  // A file where the registry's folder belongs: no key can be made.
  std::ofstream(config_ / "registry") << "not a folder";
  const CliOutcome run = Lombra("list");
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.out.find("kavorin lombra: -10 COMPORT를 저장할 수 없습니다."), std::string::npos)
      << run.out;
}

TEST_F(LombraCliTest, PortsListsTheMappedPorts) {
  fs::create_directories(config_ / "dosdevices");
  fs::create_symlink("/dev/null", config_ / "dosdevices/com42");
  const CliOutcome run = Lombra("ports");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("COM42\n"), std::string::npos) << run.out;
}

}  // namespace
