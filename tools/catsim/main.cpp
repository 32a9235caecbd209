// catsim: a card terminal on a pty, for trying the host without hardware.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "common/hex.hpp"
#include "common/text_codec.hpp"
#include "contract/posix/port_names_posix.hpp"
#include "tools/catsim/terminal.hpp"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

constexpr const char* kUsage = R"(usage: catsim [options]

Plays the card terminal's side of the link on a new pty (or a device) and
prints the path the host should open on the first line of standard output.

Line
  --link PATH             make PATH a symlink to the pty, e.g.
                          $KAVORIN_CONFIG_DIR/dosdevices/com7 (the host then
                          opens COM7); it follows a new pty after a hang-up
  --com N                 the same with PATH = $KAVORIN_CONFIG_DIR/dosdevices/comN
                          (default folder /etc/kavorin), where the host looks for COMN
  --device PATH           speak on an existing serial device instead
  --baud N                pace bytes at N baud, 10 bits a byte (default 9600)
  --no-pacing             send as fast as the line takes bytes

Answers
  --response-code CODE    field 1 of transaction responses (default 0000)
  --field N=TEXT          transaction response field N (1-16); UTF-8, sent as CP949
  --read-field N=TEXT     read response field N (1-4): 1 WCC+track, 2 sign pad,
                          3 hash, 4 sign data
  --read-field-hex N=HEX  read response field N as raw bytes
  --message-code CODE     code of response frames (default: the request's)
  --processing-ms N       time between a request and its answer (default 0)
  --request-timeout-ms N  silence after our ACK that ends an exchange (3000)
  --answer-timeout-ms N   wait for the host's ACK/NAK to a response (3000)

Faults
  --fault N:SPEC          faults of exchange N (from 1); N = * for every other
                          exchange. SPEC items, comma separated:
                            silence | nak | dle | eot        instead of the ACK
                            noise-before-ack=HEX
                            request-silence | request-nak | request-dle | request-eot
                            noise-before-response=HEX
                            noise-inside=HEX[@OFFSET]
                            split[=MS][@OFFSET]              response in two writes
                            bad-lrc[=N]                      first N responses
                            slow=MS                          more time between bytes
                            hang-up                          close the line mid-response
                            no-eot                           leave out the final EOT
                            response-code=CODE

Output
  --record FILE           every byte both ways as JSON lines (- for stdout)
  --exchanges N           exit after N exchanges
  --quiet                 no exchange summaries on stderr
  --help                  this text

Example
  catsim --link /tmp/kv/dosdevices/com7 --response-code 0000 --fault 1:bad-lrc
)";

bool SplitNumbered(std::string_view text, int& number, std::string& value) {
  std::size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0) return false;
  char* end = nullptr;
  std::string digits(text.substr(0, eq));
  long n = std::strtol(digits.c_str(), &end, 10);
  if (*end != '\0' || n < 1 || n > 99) return false;
  number = static_cast<int>(n);
  value = std::string(text.substr(eq + 1));
  return true;
}

bool ParseCount(const char* text, long& out) {
  char* end = nullptr;
  out = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && out >= 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "catsim: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  catsim::TerminalOptions options;
  options.keepEvents = false;  // a demo may run for days; the record file keeps them
  long exchanges = 0;
  bool quiet = false;

  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    long n = 0;
    int number = 0;
    std::string text;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--link" && (v = value())) {
      options.linkPath = v;
    } else if (arg == "--com" && (v = value()) && ParseCount(v, n) && n >= 1 && n <= kavorin::kMaxComPortNumber) {
      options.linkPath = kavorin::ConfigDir() + "/dosdevices/com" + std::to_string(n);
    } else if (arg == "--device" && (v = value())) {
      options.device = v;
    } else if (arg == "--baud" && (v = value()) && ParseCount(v, n) && n > 0) {
      options.baud = static_cast<int>(n);
    } else if (arg == "--no-pacing") {
      options.pacing = false;
    } else if (arg == "--response-code" && (v = value())) {
      options.response.responseCode = v;
    } else if (arg == "--field" && (v = value()) && SplitNumbered(v, number, text)) {
      options.response.transaction[number] = kavorin::Cp949FromUtf8(text);
    } else if (arg == "--read-field" && (v = value()) && SplitNumbered(v, number, text)) {
      options.response.read[number] = kavorin::Cp949FromUtf8(text);
    } else if (arg == "--read-field-hex" && (v = value()) && SplitNumbered(v, number, text)) {
      std::vector<std::uint8_t> bytes;
      if (!kavorin::ParseHexStrict(text, bytes)) return Fail("--read-field-hex needs hex bytes");
      options.response.read[number].assign(bytes.begin(), bytes.end());
    } else if (arg == "--message-code" && (v = value())) {
      options.response.messageCode = v;
    } else if (arg == "--processing-ms" && (v = value()) && ParseCount(v, n)) {
      options.processingDelay = std::chrono::milliseconds(n);
    } else if (arg == "--request-timeout-ms" && (v = value()) && ParseCount(v, n)) {
      options.requestTimeout = std::chrono::milliseconds(n);
    } else if (arg == "--answer-timeout-ms" && (v = value()) && ParseCount(v, n)) {
      options.answerTimeout = std::chrono::milliseconds(n);
    } else if (arg == "--fault" && (v = value())) {
      std::string_view spec = v;
      std::size_t colon = spec.find(':');
      if (colon == std::string_view::npos) return Fail("--fault wants N:SPEC");
      std::string error;
      std::optional<catsim::ExchangeScript> script = catsim::ParseScript(spec.substr(colon + 1), error);
      if (!script) return Fail("--fault " + std::string(spec) + ": " + error);
      std::string which(spec.substr(0, colon));
      if (which == "*") {
        options.defaultScript = *script;
      } else if (ParseCount(which.c_str(), n) && n >= 1) {
        options.scripts[static_cast<int>(n)] = *script;
      } else {
        return Fail("--fault " + std::string(spec) + ": N must be an exchange number from 1, or *");
      }
    } else if (arg == "--record" && (v = value())) {
      options.recordPath = v;
    } else if (arg == "--exchanges" && (v = value()) && ParseCount(v, n)) {
      exchanges = n;
    } else if (arg == "--quiet") {
      quiet = true;
    } else {
      return Fail("bad or incomplete option \"" + std::string(arg) + "\" (see --help)");
    }
  }

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  catsim::Terminal terminal(options);
  std::string error;
  if (!terminal.Start(error)) return Fail(error);
  std::printf("%s\n", terminal.PortPath().c_str());
  std::fflush(stdout);
  if (!quiet) std::fprintf(stderr, "catsim: terminal on %s\n", terminal.SlavePath().c_str());

  for (int next = 1; !g_stop && (exchanges == 0 || next <= exchanges);) {
    std::optional<catsim::ExchangeReport> report = terminal.WaitExchange(next, std::chrono::milliseconds(200));
    if (!report) continue;
    if (!quiet) {
      std::fprintf(stderr, "catsim: exchange %d %s %s\n", report->number,
                   report->code.empty() ? "--" : report->code.c_str(), catsim::OutcomeName(report->outcome));
    }
    ++next;
  }
  // The last byte is in the pty; closing it at once would hang the line up
  // before the host has read it.
  if (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(300));
  terminal.Stop();
  return 0;
}
