#pragma once
// Self-registration of a control module: the type library (embedded as
// TYPELIB resource 1), then the control class and its property page.
#include <windows.h>

#include "web/control/control_identity.hpp"

namespace kavorin::control {

// S_OK, SELFREG_E_TYPELIB when the type library fails, SELFREG_E_CLASS when
// a class fails.
HRESULT RegisterControl(const ControlIdentity& identity);
HRESULT UnregisterControl(const ControlIdentity& identity);

}  // namespace kavorin::control
