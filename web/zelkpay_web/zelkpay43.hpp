#pragma once
// zelkpay43.dll, the payment library ZelkPayWeb forwards to: it is not part
// of this system; these are the operations the control binds.
#include "web/control/outside_library.hpp"

namespace kavorin::web {

const control::OutsideLibrary& ZelkPay43();

}  // namespace kavorin::web
