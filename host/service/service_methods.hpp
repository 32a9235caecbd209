#pragma once
// The methods of the terminal service, by dispatch id: one row a method,
// used by every transport. A row names the method and its parameters as the
// COM interface has them, the shape of its reply and how it is served.
#include <span>
#include <string_view>
#include <vector>

#include "host/service/service_call.hpp"

namespace kavorin {

class TerminalService;
struct ServiceMethod;

using ServiceHandler = ServiceReply (*)(TerminalService&, const ServiceMethod&, std::span<const ServiceValue>);

enum class ReplyShape {
  Bool,    // VARIANT_BOOL pbRet: 1 or 0
  Int,     // int piRet
  Getter,  // int piResultCode, BSTR value
};

struct ServiceMethod {
  int dispid;
  std::string_view name;
  // Parameter names in order, separated by spaces; names starting with "i"
  // are 32-bit integers, all others texts.
  std::string_view params;
  ReplyShape reply;
  ServiceHandler handler;
  int detail;  // the TextRequest or ResultField a generic handler serves
};

std::span<const ServiceMethod> ServiceMethods();
const ServiceMethod* FindServiceMethod(int dispid);
const ServiceMethod* FindServiceMethod(std::string_view name);

// The parameter names of a method, in order.
std::vector<std::string_view> ParameterNames(const ServiceMethod& method);
bool IsIntegerParameter(std::string_view name);

}  // namespace kavorin
