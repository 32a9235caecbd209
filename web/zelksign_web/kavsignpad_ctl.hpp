#pragma once
// KavSignPad_Ctl.dll, the sign-pad, PIN-pad and reader library ZelkSignWeb
// forwards to: it is not part of this system; these are the operations the
// control binds.
#include "web/control/outside_library.hpp"

namespace kavorin::web {

const control::OutsideLibrary& KavSignPadCtl();

}  // namespace kavorin::web
