#pragma once
// What every export of a stand-in does: appends the call to the log beside
// the stand-in DLL (<stem>.log, one line a call) and answers from the script
// beside it (<stem>.script, one answer a line), both in the forms of
// tests/support/library_script.hpp. The script is read afresh at every
// call, so a test may change it between two calls.
#include <span>
#include <string_view>

#include "web/control/outside_library.hpp"

namespace kavorin::standin {

int Record(std::string_view key, std::span<const control::CallArg> args);

}  // namespace kavorin::standin
