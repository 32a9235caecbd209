// ZelkSignWeb.ocx: the ZelkSignWeb control on the control frame, bound to
// KavSignPad_Ctl.dll through the imports the loader filled by ordinal.
#include <memory>

#include "web/control/win32/control_module.hpp"
#include "web/zelksign_web/zelksign_web.hpp"

int KavSignPadCall(const kavorin::control::LibraryOperation& operation,
                   std::span<const kavorin::control::CallArg> args);

namespace kavorin::control {
namespace {

std::unique_ptr<ControlObject> CreateZelkSignWeb() { return std::make_unique<web::ZelkSignWeb>(&KavSignPadCall); }

}  // namespace

const ControlDefinition& ThisControl() {
  static const ControlDefinition definition{web::ZelkSignWebIdentity(), web::ZelkSignWebMembers(), &CreateZelkSignWeb};
  return definition;
}

}  // namespace kavorin::control
