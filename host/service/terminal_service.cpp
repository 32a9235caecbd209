#include "host/service/terminal_service.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "common/daily_log.hpp"
#include "common/text_codec.hpp"
#include "host/link/status_check.hpp"
#include "host/service/service_handlers.hpp"

namespace kavorin {
namespace {

// The C library's decimal conversion: leading white space and a sign, 0
// without digits; values beyond int are clamped rather than undefined.
int LeadingInteger(const std::string& text) {
  errno = 0;
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void LogStartComPort(const char* utf8_message) {
  WriteDailyLog("%s", Cp949FromUtf8(utf8_message).c_str());
}

}  // namespace

std::string ToTerminalText(std::u16string_view text) { return Cp949FromUtf16(text.substr(0, text.find(u'\0'))); }

TerminalService::TerminalService(SerialPort& port, TimerHost& timers)
    : link_(port, timers), timers_(timers), port_(port) {
  link_.ResetLink();
  link_.SetDeviceLostNotice([this](const std::string& reason) {
    if (diagnostics_) diagnostics_("the terminal's port went away: " + reason);
  });
}

ServiceReply TerminalService::Invoke(int dispid, std::span<const ServiceValue> args) {
  const ServiceMethod* method = FindServiceMethod(dispid);
  if (method == nullptr) return {kUnknownMethod, {}};
  // A host that is ending takes no new work: a client that reached it must
  // go to the next host, not get answers from this one.
  if (ending_ && method->name != "ServiceTerminate") return {kServiceEnding, {}};
  const auto names = ParameterNames(*method);
  if (args.size() != names.size()) return {kBadArguments, {}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool want_int = IsIntegerParameter(names[i]);
    if (want_int != std::holds_alternative<std::int32_t>(args[i])) return {kBadArguments, {}};
  }
  // Refused before conversion: no message can hold such a text, and
  // converting it first would only cost the one thread every client shares.
  for (const ServiceValue& arg : args) {
    const auto* text = std::get_if<std::u16string>(&arg);
    if (text == nullptr || text->size() <= kMaxTextArgument) continue;
    if (method->reply == ReplyShape::Bool) return {kDispatched, {std::int32_t{0}}};
    return {kDispatched, {std::int32_t{kRequestRefused}}};
  }
  return Serve(*this, *method, args);
}

ServiceReply TerminalService::Invoke(std::string_view name, std::span<const ServiceValue> args) {
  const ServiceMethod* method = FindServiceMethod(name);
  if (method == nullptr) return {kUnknownMethod, {}};
  return Invoke(method->dispid, args);
}

void TerminalService::OnTimer(int id) {
  if (link_.OnTimer(id)) return;
  if (id == kTimerTerminate) {
    timers_.KillTimer(kTimerTerminate);
    Shutdown();
    if (terminate_) terminate_();
  }
}

void TerminalService::Shutdown() {
  passage_.ResetPassage();
  link_.ResetLink();
}

bool TerminalService::StartComPort(std::u16string_view com) {
  port_name_ = ToTerminalText(com);
  WriteDailyLog("[KAVORIN-StartComPort] COM PORT=[%s]", port_name_.c_str());
  if (port_name_.empty()) {
    LogStartComPort("[KAVORIN-StartComPort] 단말기와의 통신을 위한 Serial Port 정보가 존재하지 않음");
    // Refused, yet the previous exchange would still look fresh: StatusCheck
    // would answer its final 0 and the getters its fields, another sale's
    // approval for a request that never went out.
    link_.ResetLink();
    passage_.ResetPassage();
    return false;
  }
  link_.ResetLink();
  passage_.ResetPassage();
  link_.SetNotifyTarget(true);
  link_.SetPortName(port_name_);
  if (link_.OpenComPort() == kOpenOk) {
    LogStartComPort("[KAVORIN-StartComPort] 단말기와의 통신을 위한 Serial Port Open 성공 함");
    return true;
  }
  LogStartComPort("[KAVORIN-StartComPort] 단말기와의 통신을 위한 Serial Port Open 실패 함");
  if (diagnostics_) diagnostics_("StartComPort(" + Utf8FromCp949(port_name_) + ") failed: " + port_.FailureText());
  return false;
}

int TerminalService::StatusCheck() { return kavorin::StatusCheck(link_, passage_, status_level_); }

int TerminalService::InitCAT() {
  link_.SendDleReset();
  return 0;
}

int TerminalService::ServiceTerminate() {
  if (ending_) return 0;  // already on its way: the first call's timer stands
  ending_ = true;
  // The delay lets this call's answer reach the client before the process ends.
  timers_.ArmTimer(kTimerTerminate, kTerminateMs);
  if (ending_handler_) ending_handler_();
  return 0;
}

int TerminalService::StartExchange(const std::optional<std::string>& frame, bool binary) {
  if (!frame) return kRequestRefused;
  if (link_.portOpen() != 1) return kPortNotOpen;
  const bool stored =
      binary ? link_.SetRequestBytes({reinterpret_cast<const std::uint8_t*>(frame->data()), frame->size()})
             : link_.SetRequest(*frame);
  if (!stored) return kRequestRefused;
  status_level_ = 1;
  timers_.ArmTimer(kTimerStartExchange, kStartExchangeMs);
  return kRequestStarted;
}

int TerminalService::StartTextRequest(TextRequest request, std::span<const std::u16string> texts) {
  std::vector<std::string> converted;
  converted.reserve(texts.size());
  for (const auto& text : texts) converted.push_back(ToTerminalText(text));
  if (!KeepsPreviousResponse(request)) passage_.ResetPassage();
  return StartExchange(passage_.BuildText(request, converted), false);
}

int TerminalService::CashApprovalPrint(std::u16string_view amount, std::u16string_view prtOpt) {
  const std::string amount_text = ToTerminalText(amount);
  const std::string option_text = ToTerminalText(prtOpt);
  // "EXFREE" only selects the data message of the FreeStylePrint that
  // follows. Sent as a C1 voucher, it would go out on its own whenever the
  // FreeStylePrint came more than 10 ms later, and collide with it.
  if (amount_text.compare(0, 6, "EXFREE") == 0) {
    free_style_mode_ = LeadingInteger(option_text);
    return kRequestStarted;
  }
  const std::u16string texts[] = {std::u16string(amount), std::u16string(prtOpt)};
  return StartTextRequest(TextRequest::CashApprovalPrint, texts);
}

int TerminalService::FreeStylePrint(std::u16string_view data) {
  const std::string text = ToTerminalText(data);
  const int mode = free_style_mode_;
  free_style_mode_ = kFreeStyleText;
  passage_.ResetPassage();
  if (mode == kFreeStyleText) return StartExchange(passage_.BuildF1(text), true);
  if (mode == kFreeStyleHex) return StartExchange(passage_.BuildF3(text, static_cast<int>(text.size())), true);
  return StartExchange(passage_.BuildIU(text, mode), true);
}

int TerminalService::ExFreeStylePrint(std::u16string_view data, int size) {
  const std::string text = ToTerminalText(data);
  passage_.ResetPassage();
  return StartExchange(passage_.BuildF3(text, size), true);
}

int TerminalService::UploadImageToCAT(std::u16string_view data, int size) {
  const std::string text = ToTerminalText(data);
  passage_.ResetPassage();
  return StartExchange(passage_.BuildIU(text, size), true);
}

int TerminalService::OpenCashPayingMachine() {
  passage_.ResetPassage();
  return StartExchange(passage_.BuildMB(), false);
}

int TerminalService::GetField(ResultField field, std::u16string& value) const {
  std::string text;
  const int result = passage_.GetField(field, text);
  value = result == kFieldFound ? Utf16FromCp949(text) : std::u16string();
  return result;
}

}  // namespace kavorin
