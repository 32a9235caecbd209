#pragma once
// IDispatch::Invoke's arguments and results over a member table: VARIANTs
// to the CP949 texts the members take, results back to VARIANTs.
#include <oaidl.h>

#include <string>
#include <vector>

#include "web/control/member_table.hpp"

namespace kavorin::control {

// Reads the positional arguments (DISPPARAMS holds them last first). A Text
// parameter takes anything that converts to a string (empty and null give
// the empty text), a Long parameter anything that converts to a 32-bit
// integer. DISP_E_BADPARAMCOUNT, DISP_E_NONAMEDARGS, or DISP_E_TYPEMISMATCH
// with the position (counted as DISPPARAMS counts) in `argumentError`.
HRESULT ArgumentsOf(const Member& member, const DISPPARAMS& params, std::vector<std::string>& args,
                    UINT* argumentError);

// Writes the member's result: VT_EMPTY, VT_I4, or VT_BSTR (Text, and the
// string a Variant member holds).
HRESULT StoreResult(const MemberResult& result, VARIANT* out);

}  // namespace kavorin::control
