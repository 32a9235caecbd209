#pragma once
// KAVORINComm, the COM face of the terminal service: the dual interface
// IKAVORINComm, plus the small interfaces script hosts and the client
// library ask for (ISupportErrorInfo, an empty IConnectionPointContainer,
// IObjectSafety).
//
// Every vtable method forwards its dispatch id and arguments to one
// dispatcher (the TerminalService's Invoke in the host) and returns S_OK
// with the results in its out-parameters; a failure never shows in the
// HRESULT. IDispatch goes through the type library embedded in the program
// (TYPELIB 1), so a late-bound call runs the same vtable method.
//
// The object is a singleton owned by the host: it is never deleted through
// Release. Its references count as locks of the HostModule, so that the
// host knows when nobody holds it any more.
#include <windows.h>
#include <objsafe.h>
#include <ocidl.h>
#include <oleauto.h>

#include <array>
#include <atomic>
#include <functional>
#include <span>
#include <string>

#include "contract/service_call.hpp"
#include "contract/service_catalogue.hpp"
#include "host/service/win32/host_module.hpp"
#include "kavorin_h.h"

namespace kavorin {

using ServiceDispatcher = std::function<ServiceReply(int dispid, std::span<const ServiceValue> args)>;

// Safety options every interface of the object supports.
inline constexpr DWORD kSupportedSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

// The vtable methods of IKAVORINComm, made from the service catalogue: each
// takes its parameters as the IDL has them and forwards them with its
// dispatch id. The override fails to compile when a row and the interface
// that widl made from the IDL disagree.
#define KAVORIN_COM_PARAM(p) KAVORIN_PARAM_DECL(p),
#define KAVORIN_COM_ARG(p) , KAVORIN_PARAM_NAME(p)
#define KAVORIN_COM_OUT_Bool(name) VARIANT_BOOL* pbRet
#define KAVORIN_COM_OUT_Int(name) int* piRet
#define KAVORIN_COM_OUT_Getter(name) int* piResultCode, BSTR* pbstrData
#define KAVORIN_COM_CALL_Bool(name) CallBool
#define KAVORIN_COM_CALL_Int(name) CallInt
#define KAVORIN_COM_CALL_Getter(name) CallGetter
#define KAVORIN_COM_RESULTS_Bool(name) pbRet
#define KAVORIN_COM_RESULTS_Int(name) piRet
#define KAVORIN_COM_RESULTS_Getter(name) piResultCode, pbstrData
#define KAVORIN_COM_FORWARDER(dispid, method, reply, serve, params)                                          \
  STDMETHODIMP method(KAVORIN_JOIN(KAVORIN_COM_PARAM, KAVORIN_UNPAREN params) KAVORIN_COM_OUT_##reply) override { \
    return KAVORIN_COM_CALL_##reply(dispid, KAVORIN_COM_RESULTS_##reply KAVORIN_JOIN(KAVORIN_COM_ARG, KAVORIN_UNPAREN params)); \
  }

// COM objects end through Release, never through a pointer to an interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class KavorinComm final : public IKAVORINComm,
                          public ISupportErrorInfo,
                          public IConnectionPointContainer,
                          public IObjectSafety {
 public:
  // `module` may be null (an object outside a host, in tests).
  KavorinComm(ServiceDispatcher dispatch, HostModule* module);
  ~KavorinComm();
  KavorinComm(const KavorinComm&) = delete;
  KavorinComm& operator=(const KavorinComm&) = delete;

  // Whether the type library could be loaded (IDispatch needs it).
  bool HasTypeInfo() const { return interface_info_ != nullptr; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argumentError) override;

  // IKAVORINComm.
  KAVORIN_HOST_METHODS(KAVORIN_COM_FORWARDER)

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  // IConnectionPointContainer: the object fires no events.
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

  // IObjectSafety
  STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
  STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

 private:
  template <class... In>
  HRESULT CallInt(int dispid, int* piRet, In... in);
  template <class... In>
  HRESULT CallBool(int dispid, VARIANT_BOOL* pbRet, In... in);
  HRESULT CallGetter(int dispid, int* piResultCode, BSTR* value);
  bool Answers(REFIID riid);

  ServiceDispatcher dispatch_;
  HostModule* module_;
  std::atomic<long> references_{0};
  DWORD enabled_safety_ = 0;
  // The dispatch view of IKAVORINComm (what callers see) and the interface
  // view whose vtable ITypeInfo::Invoke calls.
  ITypeInfo* dispatch_info_ = nullptr;
  ITypeInfo* interface_info_ = nullptr;
};
#pragma GCC diagnostic pop

#undef KAVORIN_COM_FORWARDER

// Unicode text of a BSTR; a null BSTR is an empty text.
std::u16string TextFromBstr(BSTR text);
// A BSTR for a reply text; an empty text gives a null BSTR.
BSTR BstrFromText(const std::u16string& text);

namespace comm_detail {
inline ServiceValue Argument(BSTR text) { return TextFromBstr(text); }
inline ServiceValue Argument(int value) { return std::int32_t{value}; }
int IntOut(const ServiceReply& reply, std::size_t index);
// The HRESULT of a dispatched call: S_OK, CO_E_SERVER_STOPPING when the host
// is ending (the client goes on to the next host), E_UNEXPECTED otherwise.
HRESULT ResultOf(const ServiceReply& reply);
}  // namespace comm_detail

template <class... In>
HRESULT KavorinComm::CallInt(int dispid, int* piRet, In... in) {
  if (piRet == nullptr) return E_POINTER;
  const std::array<ServiceValue, sizeof...(In)> args = {comm_detail::Argument(in)...};
  const ServiceReply reply = dispatch_(dispid, args);
  *piRet = comm_detail::IntOut(reply, 0);
  return comm_detail::ResultOf(reply);
}

template <class... In>
HRESULT KavorinComm::CallBool(int dispid, VARIANT_BOOL* pbRet, In... in) {
  if (pbRet == nullptr) return E_POINTER;
  int opened = 0;
  const HRESULT result = CallInt(dispid, &opened, in...);
  // 1, not VARIANT_TRUE (-1): callers compare with 1.
  *pbRet = static_cast<VARIANT_BOOL>(opened != 0 ? 1 : 0);
  return result;
}

}  // namespace kavorin
