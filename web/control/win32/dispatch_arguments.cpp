#include "web/control/win32/dispatch_arguments.hpp"

#include <oleauto.h>

#include "common/text_codec.hpp"

namespace kavorin::control {
namespace {

std::u16string View(BSTR text) {
  return text == nullptr ? std::u16string()
                         : std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

// One argument as the member's parameter wants it; false on a mismatch.
bool Convert(const VARIANT& in, ParamKind kind, std::string& out) {
  VARIANT plain;
  VariantInit(&plain);
  if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(&in)))) return false;
  bool ok = true;
  if (kind == ParamKind::Text) {
    if (V_VT(&plain) == VT_EMPTY || V_VT(&plain) == VT_NULL) {
      out.clear();
    } else if (SUCCEEDED(VariantChangeType(&plain, &plain, 0, VT_BSTR))) {
      out = Cp949FromUtf16(View(V_BSTR(&plain)));
    } else {
      ok = false;
    }
  } else if (SUCCEEDED(VariantChangeType(&plain, &plain, 0, VT_I4))) {
    out = std::to_string(V_I4(&plain));
  } else {
    ok = false;
  }
  VariantClear(&plain);
  return ok;
}

}  // namespace

HRESULT ArgumentsOf(const Member& member, const DISPPARAMS& params, std::vector<std::string>& args,
                    UINT* argumentError) {
  if (params.cNamedArgs > 0) return DISP_E_NONAMEDARGS;
  const std::vector<Param> wanted = Params(member);
  if (params.cArgs != wanted.size()) return DISP_E_BADPARAMCOUNT;
  args.assign(wanted.size(), std::string());
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const UINT position = params.cArgs - 1 - static_cast<UINT>(i);
    if (!Convert(params.rgvarg[position], wanted[i].kind, args[i])) {
      if (argumentError != nullptr) *argumentError = position;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

HRESULT StoreResult(const MemberResult& result, VARIANT* out) {
  if (out == nullptr) return S_OK;
  VariantInit(out);
  switch (result.kind) {
    case ResultKind::None:
      return S_OK;
    case ResultKind::Long:
      V_VT(out) = VT_I4;
      V_I4(out) = result.number;
      return S_OK;
    case ResultKind::Text:
    case ResultKind::Variant: {
      const std::u16string text = Utf16FromCp949(result.text);
      BSTR value = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
      if (value == nullptr) return E_OUTOFMEMORY;
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = value;
      return S_OK;
    }
  }
  return S_OK;
}

}  // namespace kavorin::control
