// KAVORIN_Web.ocx: the KAVORIN_Web control on the control frame, bound to
// KAVORIN_Ctl.dll through the import table the loader filled by ordinal.
#include <memory>

#include "web/control/win32/control_module.hpp"
#include "web/kavorin_web/kavorin_web.hpp"

using KavorinCtlImport = void (*)();
extern const KavorinCtlImport kKavorinCtlImports[];

namespace kavorin::control {
namespace {

web::LibraryBinding ImportedBinding() {
  return web::BindLibrary([](const ExportEntry& entry) { return kKavorinCtlImports[entry.ordinal]; });
}

std::unique_ptr<ControlObject> CreateKavorinWeb() { return std::make_unique<web::KavorinWeb>(ImportedBinding()); }

}  // namespace

const ControlDefinition& ThisControl() {
  static const ControlDefinition definition{web::KavorinWebIdentity(), web::KavorinWebMembers(), &CreateKavorinWeb};
  return definition;
}

}  // namespace kavorin::control
