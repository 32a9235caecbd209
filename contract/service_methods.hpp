#pragma once
// The host's methods as both sides of the contract see them: dispatch id,
// name, parameters and the shape of the reply, one row each, made from the
// service catalogue. The host adds how it serves each; the client only
// needs the numbers and shapes.
#include <span>
#include <string_view>
#include <vector>

#include "contract/service_catalogue.hpp"

namespace kavorin {

enum class ReplyShape {
  Bool,    // VARIANT_BOOL pbRet: 1 or 0
  Int,     // int piRet
  Getter,  // int piResultCode, BSTR value
};

// The dispatch id of every method by its name: method_dispid::CreditAuth.
namespace method_dispid {
#define KAVORIN_DISPID_ENUMERATOR(dispid, method, ...) method = dispid,
enum : int { Local = 0, KAVORIN_HOST_METHODS(KAVORIN_DISPID_ENUMERATOR) };
#undef KAVORIN_DISPID_ENUMERATOR
}  // namespace method_dispid

struct ServiceMethod {
  int dispid;
  std::string_view name;
  // Parameter names in order, separated by spaces; names starting with "i"
  // and a capital are 32-bit integers, all others texts.
  std::string_view params;
  ReplyShape reply;
  std::string_view result;  // the name of the [out, retval] parameter
};

std::span<const ServiceMethod> ServiceMethods();
const ServiceMethod* FindServiceMethod(int dispid);
const ServiceMethod* FindServiceMethod(std::string_view name);

// The parameter names of a method, in order.
std::vector<std::string_view> ParameterNames(const ServiceMethod& method);
bool IsIntegerParameter(std::string_view name);

}  // namespace kavorin
