// ZelkPayWeb.ocx: the ZelkPayWeb control on the control frame, bound to
// zelkpay43.dll through the imports the loader filled by ordinal (and
// ZELK_GetSequenceNumber by name).
#include <memory>

#include "web/control/win32/control_module.hpp"
#include "web/zelkpay_web/zelkpay_web.hpp"

int ZelkPay43Call(const kavorin::control::LibraryOperation& operation,
                  std::span<const kavorin::control::CallArg> args);

namespace kavorin::control {
namespace {

std::unique_ptr<ControlObject> CreateZelkPayWeb() { return std::make_unique<web::ZelkPayWeb>(&ZelkPay43Call); }

}  // namespace

const ControlDefinition& ThisControl() {
  static const ControlDefinition definition{web::ZelkPayWebIdentity(), web::ZelkPayWebMembers(), &CreateZelkPayWeb};
  return definition;
}

}  // namespace kavorin::control
