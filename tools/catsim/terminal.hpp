#pragma once
// The simulated card terminal: speaks the terminal's side of the link on its
// own thread, over a pty (or a real device), one exchange per ENQ:
//
//   host ENQ      -> ACK
//   host request  -> (LRC bad: NAK, wait for a repeat)
//                    kinds 1-6: response frame; host ACK -> EOT, host NAK ->
//                    the response again (bounded)
//                    kinds 7-14: EOT
//   host DLE DLE DLE (cancel) -> back to idle
//
// Faults come from an ExchangeScript per exchange. Bytes go out paced at the
// baud rate (10 bits a byte) unless pacing is off. Every byte both ways is
// recorded with its time.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/catsim/line.hpp"
#include "tools/catsim/recorder.hpp"
#include "tools/catsim/responses.hpp"
#include "tools/catsim/script.hpp"

namespace catsim {

struct TerminalOptions {
  std::string device;    // speak on this device; empty: a new pty
  std::string linkPath;  // make this a symlink to the pty's slave (e.g. <dir>/dosdevices/com7)
  int baud = 9600;
  bool pacing = true;
  ResponseOptions response;
  ExchangeScript defaultScript;          // exchanges without their own script
  std::map<int, ExchangeScript> scripts; // by exchange number, from 1
  std::chrono::milliseconds processingDelay{0};  // between request and answer
  std::chrono::milliseconds requestTimeout{3000};  // ACK sent, no request yet
  std::chrono::milliseconds answerTimeout{3000};   // response sent, no ACK/NAK yet
  int maxRepeats = 3;                    // NAKed requests or responses before giving up
  std::function<void(const WireEvent&)> onEvent;  // called on the terminal's thread
  bool keepEvents = true;                // keep every event for Events(); off for long runs
  std::string recordPath;                // JSON lines file; empty: none
  std::function<std::tm()> clock;        // local time for the responses; empty: now
};

enum class Outcome {
  Completed,        // EOT sent after the host's ACK, or after a request that needs no response
  EnqRefused,       // the script answered ENQ with silence, NAK, DLE or EOT
  RequestRefused,   // the script answered a good request with silence, NAK, DLE or EOT
  NoRequest,        // ACK sent, no request came (time-out or a new ENQ)
  RequestRejected,  // requests kept failing the LRC check, or an unknown code
  NoAnswer,         // response sent, the host answered neither ACK nor NAK in time
  ResponseRejected, // the host NAKed every repeat
  Cancelled,        // DLE DLE DLE from the host
  HungUp,           // the script hung the line up
  NoEot,            // the script left out the EOT
  Stopped,          // the simulator stopped mid-exchange
};
const char* OutcomeName(Outcome outcome);

struct ExchangeReport {
  int number = 0;
  Outcome outcome = Outcome::Stopped;
  std::string code;          // request code, when a good request came
  std::string request;       // the last request frame received whole
  std::string response;      // the good response frame (also when sent with a bad LRC first)
  std::string fromHost;      // every byte of the exchange, ENQ first
  std::string fromTerminal;
  int naksFromHost = 0;
};

class Terminal {
 public:
  explicit Terminal(TerminalOptions options);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Opens the line (and the link) and starts the thread.
  bool Start(std::string& error);
  void Stop();

  // The path the host opens: the link when there is one, else the slave or
  // device. A hang-up makes a new pty; the link then follows it.
  std::string PortPath() const;
  std::string SlavePath() const;

  // Applies from the next exchange that has not started yet.
  void SetScript(int exchange, ExchangeScript script);
  void SetResponse(ResponseOptions response);

  // Waits until exchange `number` has finished; nothing on time-out.
  std::optional<ExchangeReport> WaitExchange(int number, std::chrono::milliseconds timeout) const;
  std::vector<ExchangeReport> Exchanges() const;
  std::vector<WireEvent> Events() const;
  // Bytes that arrived outside any exchange (stray bytes, the host's cancel).
  std::string IdleBytesFromHost() const;

 private:
  class Session;
  void Run();

  TerminalOptions options_;
  mutable std::mutex mutex_;
  mutable std::condition_variable finished_;
  std::vector<ExchangeReport> reports_;
  std::vector<WireEvent> events_;
  std::string idleBytes_;
  std::string slavePath_;
  std::unique_ptr<Session> session_;
  std::thread thread_;
  int stopPipe_[2] = {-1, -1};
  bool started_ = false;
};

}  // namespace catsim
