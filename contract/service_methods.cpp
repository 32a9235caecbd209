#include "contract/service_methods.hpp"

#include <array>

namespace kavorin {
namespace {

constexpr std::string_view Words(std::string_view spaced) { return spaced.empty() ? spaced : spaced.substr(1); }

constexpr bool IntegerName(std::string_view name) {
  return name.size() > 1 && name[0] == 'i' && name[1] >= 'A' && name[1] <= 'Z';
}

// Integers are told apart by their names on the wire; the catalogue's kinds
// must agree with that rule.
#define KAVORIN_KIND_CHECK(p) KAVORIN_KIND_CHECK_##p
#define KAVORIN_KIND_CHECK_Bstr(name) static_assert(!IntegerName(#name), #name " reads as an integer");
#define KAVORIN_KIND_CHECK_Int(name) static_assert(IntegerName(#name), #name " reads as a text");
#define KAVORIN_METHOD_KINDS(dispid, method, reply, serve, params) \
  KAVORIN_JOIN(KAVORIN_KIND_CHECK, KAVORIN_UNPAREN params)
KAVORIN_HOST_METHODS(KAVORIN_METHOD_KINDS)
#undef KAVORIN_METHOD_KINDS

#define KAVORIN_REPLY(reply) KAVORIN_REPLY_##reply
#define KAVORIN_REPLY_Bool(name) ReplyShape::Bool, #name
#define KAVORIN_REPLY_Int(name) ReplyShape::Int, #name
#define KAVORIN_REPLY_Getter(name) ReplyShape::Getter, #name
#define KAVORIN_METHOD_ROW(dispid, method, reply, serve, params)                                     \
  ServiceMethod{dispid, #method, Words("" KAVORIN_JOIN(KAVORIN_PARAM_WORD, KAVORIN_UNPAREN params)), \
                KAVORIN_REPLY(reply)},
constexpr std::array kMethods = {KAVORIN_HOST_METHODS(KAVORIN_METHOD_ROW)};
#undef KAVORIN_METHOD_ROW

constexpr bool DispidsRunFromOne() {
  for (std::size_t i = 0; i < kMethods.size(); ++i) {
    if (kMethods[i].dispid != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(kMethods.size() == 65 && DispidsRunFromOne(), "one row a dispatch id, 1 to 65 in order");

}  // namespace

std::span<const ServiceMethod> ServiceMethods() { return kMethods; }

const ServiceMethod* FindServiceMethod(int dispid) {
  if (dispid < 1 || dispid > static_cast<int>(kMethods.size())) return nullptr;
  return &kMethods[static_cast<std::size_t>(dispid - 1)];
}

const ServiceMethod* FindServiceMethod(std::string_view name) {
  for (const auto& method : kMethods) {
    if (method.name == name) return &method;
  }
  return nullptr;
}

std::vector<std::string_view> ParameterNames(const ServiceMethod& method) {
  std::vector<std::string_view> names;
  std::string_view rest = method.params;
  while (!rest.empty()) {
    const auto space = rest.find(' ');
    names.push_back(rest.substr(0, space));
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return names;
}

bool IsIntegerParameter(std::string_view name) { return IntegerName(name); }

}  // namespace kavorin
