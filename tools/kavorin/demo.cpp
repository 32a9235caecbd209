#include "tools/kavorin/demo.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "client/api/include/KAVORIN_Ctl.h"
#include "common/text_codec.hpp"
#include "tools/catsim/terminal.hpp"

namespace kavorin::cli {
namespace {

namespace fs = std::filesystem;

struct Field {
  const char* label;
  int (*getter)(char*);
};

constexpr Field kFields[] = {
    {"response code", KAVORIN_GetResponseCode},
    {"card number", KAVORIN_GetCardNumber},
    {"installment", KAVORIN_GetInstallmentData},
    {"auth time", KAVORIN_GetAuthTime},
    {"before auth date", KAVORIN_GetBeforeAuthDate},
    {"auth amount", KAVORIN_GetAuthAmount},
    {"auth number", KAVORIN_GetAuthNumber},
    {"issuer code", KAVORIN_GetIssuerCode},
    {"member number", KAVORIN_GetMemberNumber},
    {"DDC flag", KAVORIN_GetDDCFlag},
    {"notice", KAVORIN_GetNotice},
    {"acquirer code", KAVORIN_GetAcquireCode},
    {"display data", KAVORIN_GetDisplayData},
    {"announce data", KAVORIN_GetAnnounceData},
    {"cash receipt auth number", KAVORIN_GetCashReceiptAuthNumber},
    {"cash receipt announce data", KAVORIN_GetCashReceiptAnnounceData},
};

std::string Read(int (*getter)(char*), int* result = nullptr) {
  char buffer[8192] = {};
  const int code = getter(buffer);
  if (result != nullptr) *result = code;
  return buffer;
}

bool Step(const char* what, int result, int wanted = 0) {
  std::printf("%-34s %d\n", what, result);
  std::fflush(stdout);
  if (result != wanted) std::fprintf(stderr, "kavorin demo: %s answered %d, expected %d\n", what, result, wanted);
  return result == wanted;
}

}  // namespace

int RunDemo(int argc, char** argv) {
  bool keep = false;
  for (int i = 0; i < argc; ++i) keep = keep || std::strcmp(argv[i], "--keep") == 0;

  // A private world: its own configuration (the port setting, the COM port
  // map) and its own host, whatever else runs on this machine.
  const fs::path root = fs::temp_directory_path() / ("kavorin-demo-" + std::to_string(::getpid()));
  fs::create_directories(root / "config" / "dosdevices");
  ::setenv("KAVORIN_CONFIG_DIR", (root / "config").c_str(), 1);
  ::setenv("KAVORIN_RUNTIME_DIR", (root / "run").c_str(), 1);

  catsim::TerminalOptions options;
  options.linkPath = (root / "config" / "dosdevices" / "com7").string();
  options.response.transaction[13] = Cp949FromUtf8("정상승인");
  catsim::Terminal terminal(options);
  std::string error;
  if (!terminal.Start(error)) {
    std::fprintf(stderr, "kavorin demo: the simulator did not start: %s\n", error.c_str());
    return 1;
  }
  std::printf("terminal simulator on %s, reached as COM7\n", terminal.SlavePath().c_str());

  bool ok = Step("KAVORIN_SetRegCOMPort(COM7)", KAVORIN_SetRegCOMPort("COM7"));
  ok = ok && Step("KAVORIN_COMCreate", KAVORIN_COMCreate());
  ok = ok && Step("KAVORIN_CreditAuth(amount 1004)", KAVORIN_CreditAuth("", "9410123412341234=2812", "00", "1004", "0"));
  ok = ok && Step("KAVORIN_COMStatus", KAVORIN_COMStatus());

  std::string values[std::size(kFields)];
  if (ok) {
    std::printf("\nresult fields:\n");
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
      int result = 0;
      values[i] = Read(kFields[i].getter, &result);
      std::printf("  %-28s [%s] (%d)\n", kFields[i].label, Utf8FromCp949(values[i]).c_str(), result);
    }
    std::printf("\n");
    // The voucher, from the approval's own fields; a new exchange needs the
    // port opened again.
    ok = Step("KAVORIN_COMCreate", KAVORIN_COMCreate());
    ok = ok && Step("KAVORIN_CreditAuthResultPrint",
                    KAVORIN_CreditAuthResultPrint(values[0].c_str(), values[1].c_str(), values[2].c_str(),
                                                  values[3].c_str(), values[5].c_str(), "", "", values[6].c_str(),
                                                  values[7].c_str(), values[8].c_str(), values[10].c_str(),
                                                  values[11].c_str(), values[13].c_str(), "", ""));
    ok = ok && Step("KAVORIN_COMStatus", KAVORIN_COMStatus());
  }

  std::printf("\nexchanges on the wire:\n");
  for (const auto& report : terminal.Exchanges()) {
    std::printf("  #%d %s: %s, %zu bytes from the host, %zu from the terminal\n", report.number,
                report.code.c_str(), catsim::OutcomeName(report.outcome), report.fromHost.size(),
                report.fromTerminal.size());
  }
  Step("KAVORIN_ServiceTerminate", KAVORIN_ServiceTerminate());
  // The host ends half a second after it answers; let it close the port first.
  const fs::path lock = root / "run" / "host.lock";
  for (int i = 0; i < 200 && fs::exists(lock); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  terminal.Stop();

  if (keep) {
    std::printf("kept %s\n", root.c_str());
  } else {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  std::printf(ok ? "demo completed\n" : "demo FAILED\n");
  return ok ? 0 : 1;
}

}  // namespace kavorin::cli
