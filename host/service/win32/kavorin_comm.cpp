#include "host/service/win32/kavorin_comm.hpp"

#include <olectl.h>

#include <new>
#include <string>

namespace kavorin {
namespace {

// The enumeration of a container without connection points.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class EmptyConnectionPoints final : public IEnumConnectionPoints {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumConnectionPoints) {
      *object = static_cast<IEnumConnectionPoints*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
    if (fetched != nullptr) *fetched = 0;
    if (points == nullptr && count != 0) return E_POINTER;
    return count == 0 ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override { return count == 0 ? S_OK : S_FALSE; }
  STDMETHODIMP Reset() override { return S_OK; }
  STDMETHODIMP Clone(IEnumConnectionPoints** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = new (std::nothrow) EmptyConnectionPoints;
    if (*copy == nullptr) return E_OUTOFMEMORY;
    (*copy)->AddRef();
    return S_OK;
  }

 private:
  std::atomic<long> references_{0};
};
#pragma GCC diagnostic pop

}  // namespace

int comm_detail::IntOut(const ServiceReply& reply, std::size_t index) {
  return index < reply.outs.size() && std::holds_alternative<std::int32_t>(reply.outs[index])
             ? std::get<std::int32_t>(reply.outs[index])
             : 0;
}

HRESULT comm_detail::ResultOf(const ServiceReply& reply) {
  if (reply.dispatch == kDispatched) return S_OK;
  return reply.dispatch == kServiceEnding ? CO_E_SERVER_STOPPING : E_UNEXPECTED;
}

std::u16string TextFromBstr(BSTR text) {
  if (text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR BstrFromText(const std::u16string& text) {
  if (text.empty()) return nullptr;
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

KavorinComm::KavorinComm(ServiceDispatcher dispatch, HostModule* module)
    : dispatch_(std::move(dispatch)), module_(module) {
  // The type library travels inside the program itself (TYPELIB 1), so
  // late binding works whether or not the library is registered.
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  ITypeLib* library = nullptr;
  if (length == 0 || length >= MAX_PATH || FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) return;
  if (SUCCEEDED(library->GetTypeInfoOfGuid(IID_IKAVORINComm, &dispatch_info_))) {
    // For a dual interface this is the dispatch view; Invoke needs the
    // interface view, which describes the vtable.
    HREFTYPE vtable = 0;
    if (SUCCEEDED(dispatch_info_->GetRefTypeOfImplType(-1, &vtable))) {
      dispatch_info_->GetRefTypeInfo(vtable, &interface_info_);
    } else {
      interface_info_ = dispatch_info_;
      interface_info_->AddRef();
    }
  }
  library->Release();
}

KavorinComm::~KavorinComm() {
  if (interface_info_ != nullptr) interface_info_->Release();
  if (dispatch_info_ != nullptr) dispatch_info_->Release();
}

bool KavorinComm::Answers(REFIID riid) {
  return riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKAVORINComm || riid == IID_ISupportErrorInfo ||
         riid == IID_IConnectionPointContainer || riid == IID_IObjectSafety;
}

STDMETHODIMP KavorinComm::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKAVORINComm) {
    *object = static_cast<IKAVORINComm*>(this);
  } else if (riid == IID_ISupportErrorInfo) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else if (riid == IID_IConnectionPointContainer) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else if (riid == IID_IObjectSafety) {
    *object = static_cast<IObjectSafety*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) KavorinComm::AddRef() {
  if (module_ != nullptr) module_->Lock();
  return static_cast<ULONG>(++references_);
}

STDMETHODIMP_(ULONG) KavorinComm::Release() {
  // Never deleted here: the host owns its one object for its whole life.
  const long left = --references_;
  if (module_ != nullptr) module_->Unlock();
  return static_cast<ULONG>(left);
}

STDMETHODIMP KavorinComm::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = dispatch_info_ != nullptr ? 1 : 0;
  return S_OK;
}

STDMETHODIMP KavorinComm::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  if (dispatch_info_ == nullptr) return TYPE_E_CANTLOADLIBRARY;
  dispatch_info_->AddRef();
  *info = dispatch_info_;
  return S_OK;
}

STDMETHODIMP KavorinComm::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (dispatch_info_ == nullptr) return TYPE_E_CANTLOADLIBRARY;
  return DispGetIDsOfNames(dispatch_info_, names, count, ids);
}

STDMETHODIMP KavorinComm::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argumentError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (interface_info_ == nullptr) return TYPE_E_CANTLOADLIBRARY;
  return DispInvoke(static_cast<IKAVORINComm*>(this), interface_info_, id, flags, params, result, exception,
                    argumentError);
}

HRESULT KavorinComm::CallGetter(int dispid, int* piResultCode, BSTR* value) {
  if (piResultCode == nullptr || value == nullptr) return E_POINTER;
  const ServiceReply reply = dispatch_(dispid, {});
  *piResultCode = comm_detail::IntOut(reply, 0);
  *value = reply.outs.size() > 1 && std::holds_alternative<std::u16string>(reply.outs[1])
               ? BstrFromText(std::get<std::u16string>(reply.outs[1]))
               : nullptr;
  return comm_detail::ResultOf(reply);
}

STDMETHODIMP KavorinComm::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IID_IKAVORINComm ? S_OK : S_FALSE;
}

STDMETHODIMP KavorinComm::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points == nullptr) return E_POINTER;
  *points = new (std::nothrow) EmptyConnectionPoints;
  if (*points == nullptr) return E_OUTOFMEMORY;
  (*points)->AddRef();
  return S_OK;
}

STDMETHODIMP KavorinComm::FindConnectionPoint(REFIID, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP KavorinComm::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) {
  if (supported == nullptr || enabled == nullptr) return E_POINTER;
  if (!Answers(riid)) {
    *supported = 0;
    *enabled = 0;
    return E_NOINTERFACE;
  }
  *supported = kSupportedSafety;
  *enabled = enabled_safety_;
  return S_OK;
}

STDMETHODIMP KavorinComm::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
  if (!Answers(riid)) return E_NOINTERFACE;
  if ((mask & ~kSupportedSafety) != 0) return E_FAIL;
  enabled_safety_ = (enabled_safety_ & ~mask) | (enabled & mask);
  return S_OK;
}

}  // namespace kavorin
