#pragma once
// TerminalService: everything a client sees of the host. It owns the link,
// the message passage and the free-style mode; it is one object per host
// process, shared by every client, and runs entirely on the loop thread.
//
// A request service never waits for the terminal: it builds the message,
// hands it to the link, arms the 10 ms start timer and answers 0 (or -1 when
// the port is not open). The client then polls StatusCheck and reads the
// result fields with the getters.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/link/cat_link.hpp"
#include "host/link/serial_port.hpp"
#include "host/link/timer_host.hpp"
#include "host/messages/cat_passage.hpp"
#include "contract/service_call.hpp"
#include "contract/service_methods.hpp"

namespace kavorin {

// piRet of the request services.
inline constexpr int kRequestStarted = 0;
inline constexpr int kPortNotOpen = -1;
// The message would not fit one frame (over 8192 bytes), or a size argument
// is negative: nothing is sent, and the request already waiting (if any)
// stays as it was. The client library maps it, like every non-zero result,
// to -2.
inline constexpr int kRequestRefused = -3;

// freeStyleMode values that select a data message for FreeStylePrint; any
// other non-zero value is the byte count of an image.
inline constexpr int kFreeStyleText = 0;
inline constexpr int kFreeStyleHex = 9999;

class TerminalService {
 public:
  TerminalService(SerialPort& port, TimerHost& timers);
  TerminalService(const TerminalService&) = delete;
  TerminalService& operator=(const TerminalService&) = delete;

  // Called when the terminate timer has fired and the port is closed: the
  // host process ends.
  void SetTerminateHandler(std::function<void()> handler) { terminate_ = std::move(handler); }
  // Called at once when ServiceTerminate is accepted: from then on the
  // service refuses every call but ServiceTerminate (kServiceEnding), and the
  // transport should stop taking new clients.
  void SetEndingHandler(std::function<void()> handler) { ending_handler_ = std::move(handler); }
  // Receives a line (UTF-8) whenever the port cannot be opened or the device
  // goes away, with the system's reason: for the host's own diagnostics, not
  // the daily log.
  void SetDiagnostics(std::function<void(const std::string&)> sink) { diagnostics_ = std::move(sink); }

  // The one entry point of every transport.
  ServiceReply Invoke(int dispid, std::span<const ServiceValue> args);
  ServiceReply Invoke(std::string_view method, std::span<const ServiceValue> args);

  // Every timer of the loop (ids 10, 20, 30 of the link, 40 to terminate).
  void OnTimer(int id);

  // Clean-up before the process ends by another path (a signal, the tray).
  void Shutdown();

  // The methods with their own behaviour; the request services and getters
  // are served generically from the method table.
  bool StartComPort(std::u16string_view com);
  int StatusCheck();
  int InitCAT();
  int ServiceTerminate();
  int StartTextRequest(TextRequest request, std::span<const std::u16string> texts);
  int CashApprovalPrint(std::u16string_view amount, std::u16string_view prtOpt);
  int FreeStylePrint(std::u16string_view data);
  int ExFreeStylePrint(std::u16string_view data, int size);
  int UploadImageToCAT(std::u16string_view data, int size);
  int OpenCashPayingMachine();
  int GetField(ResultField field, std::u16string& value) const;

  CatLink& link() { return link_; }
  const CatPassage& passage() const { return passage_; }
  int freeStyleMode() const { return free_style_mode_; }
  int statusLevel() const { return status_level_; }
  const std::string& portName() const { return port_name_; }
  bool ending() const { return ending_; }

 private:
  // Hands a built frame to the link and arms the start timer, or reports
  // why it could not.
  int StartExchange(const std::optional<std::string>& frame, bool binary);

  CatLink link_;
  CatPassage passage_;
  TimerHost& timers_;
  int free_style_mode_ = kFreeStyleText;
  int status_level_ = 0;
  std::string port_name_;
  bool ending_ = false;
  std::function<void()> terminate_;
  std::function<void()> ending_handler_;
  std::function<void(const std::string&)> diagnostics_;
  SerialPort& port_;
};

// Unicode text from a transport → the CP949 bytes the terminal and the logs
// take. A text ends at its first NUL, as the C strings it stands for do.
std::string ToTerminalText(std::u16string_view text);

}  // namespace kavorin
