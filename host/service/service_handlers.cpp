#include "host/service/service_handlers.hpp"

#include <array>

#include "host/service/terminal_service.hpp"

namespace kavorin {
namespace {

using Args = std::span<const ServiceValue>;

const std::u16string& TextArg(Args args, std::size_t i) { return std::get<std::u16string>(args[i]); }
std::int32_t IntArg(Args args, std::size_t i) { return std::get<std::int32_t>(args[i]); }

ServiceReply IntReply(int value) { return {kDispatched, {std::int32_t{value}}}; }

ServiceReply ServeStartComPort(TerminalService& service, Args args) {
  return IntReply(service.StartComPort(TextArg(args, 0)) ? 1 : 0);
}
ServiceReply ServeStatusCheck(TerminalService& service, Args) { return IntReply(service.StatusCheck()); }
ServiceReply ServeServiceTerminate(TerminalService& service, Args) { return IntReply(service.ServiceTerminate()); }
ServiceReply ServeInitCAT(TerminalService& service, Args) { return IntReply(service.InitCAT()); }
ServiceReply ServeCashApprovalPrint(TerminalService& service, Args args) {
  return IntReply(service.CashApprovalPrint(TextArg(args, 0), TextArg(args, 1)));
}
ServiceReply ServeFreeStylePrint(TerminalService& service, Args args) {
  return IntReply(service.FreeStylePrint(TextArg(args, 0)));
}
ServiceReply ServeExFreeStylePrint(TerminalService& service, Args args) {
  return IntReply(service.ExFreeStylePrint(TextArg(args, 0), IntArg(args, 1)));
}
ServiceReply ServeUploadImageToCAT(TerminalService& service, Args args) {
  return IntReply(service.UploadImageToCAT(TextArg(args, 0), IntArg(args, 1)));
}
ServiceReply ServeOpenCashPayingMachine(TerminalService& service, Args) {
  return IntReply(service.OpenCashPayingMachine());
}

using ServiceHandler = ServiceReply (*)(TerminalService&, Args);

template <TextRequest Request>
ServiceReply ServeMessage(TerminalService& service, Args args) {
  std::vector<std::u16string> texts;
  texts.reserve(args.size());
  for (const auto& arg : args) texts.push_back(std::get<std::u16string>(arg));
  return IntReply(service.StartTextRequest(Request, texts));
}

template <ResultField Field>
ServiceReply ServeField(TerminalService& service, Args) {
  std::u16string value;
  const int result = service.GetField(Field, value);
  return {kDispatched, {std::int32_t{result}, std::move(value)}};
}

#define KAVORIN_SERVE_Message(method) &ServeMessage<TextRequest::method>
#define KAVORIN_SERVE_Own(method) &Serve##method
#define KAVORIN_SERVE_Field(field) &ServeField<ResultField::field> KAVORIN_SERVE_IGNORE
#define KAVORIN_SERVE_IGNORE(method)
#define KAVORIN_HANDLER(dispid, method, reply, serve, params) KAVORIN_SERVE_##serve(method),
constexpr std::array<ServiceHandler, 65> kHandlers = {KAVORIN_HOST_METHODS(KAVORIN_HANDLER)};
#undef KAVORIN_HANDLER

}  // namespace

ServiceReply Serve(TerminalService& service, const ServiceMethod& method, Args args) {
  return kHandlers.at(static_cast<std::size_t>(method.dispid - 1))(service, args);
}

}  // namespace kavorin
