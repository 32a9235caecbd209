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

#include "host/service/service_call.hpp"
#include "host/service/win32/host_module.hpp"
#include "kavorin_h.h"

namespace kavorin {

using ServiceDispatcher = std::function<ServiceReply(int dispid, std::span<const ServiceValue> args)>;

// Safety options every interface of the object supports.
inline constexpr DWORD kSupportedSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

// The parameter lists of the methods below, by count of BSTR arguments.
// clang-format off
#define KAVORIN_BSTRS_0
#define KAVORIN_BSTRS_1 BSTR t1,
#define KAVORIN_BSTRS_2 KAVORIN_BSTRS_1 BSTR t2,
#define KAVORIN_BSTRS_3 KAVORIN_BSTRS_2 BSTR t3,
#define KAVORIN_BSTRS_4 KAVORIN_BSTRS_3 BSTR t4,
#define KAVORIN_BSTRS_5 KAVORIN_BSTRS_4 BSTR t5,
#define KAVORIN_BSTRS_6 KAVORIN_BSTRS_5 BSTR t6,
#define KAVORIN_BSTRS_7 KAVORIN_BSTRS_6 BSTR t7,
#define KAVORIN_BSTRS_8 KAVORIN_BSTRS_7 BSTR t8,
#define KAVORIN_BSTRS_9 KAVORIN_BSTRS_8 BSTR t9,
#define KAVORIN_BSTRS_10 KAVORIN_BSTRS_9 BSTR t10,
#define KAVORIN_BSTRS_11 KAVORIN_BSTRS_10 BSTR t11,
#define KAVORIN_BSTRS_12 KAVORIN_BSTRS_11 BSTR t12,
#define KAVORIN_BSTRS_13 KAVORIN_BSTRS_12 BSTR t13,
#define KAVORIN_BSTRS_14 KAVORIN_BSTRS_13 BSTR t14,
#define KAVORIN_BSTRS_15 KAVORIN_BSTRS_14 BSTR t15,
#define KAVORIN_BSTRS_16 KAVORIN_BSTRS_15 BSTR t16,
#define KAVORIN_BSTRS_17 KAVORIN_BSTRS_16 BSTR t17,
#define KAVORIN_BSTRS_18 KAVORIN_BSTRS_17 BSTR t18,
#define KAVORIN_BSTRS_19 KAVORIN_BSTRS_18 BSTR t19,
#define KAVORIN_BSTRS_20 KAVORIN_BSTRS_19 BSTR t20,
#define KAVORIN_BSTRS_21 KAVORIN_BSTRS_20 BSTR t21,
#define KAVORIN_BSTRS_22 KAVORIN_BSTRS_21 BSTR t22,
#define KAVORIN_BSTRS_23 KAVORIN_BSTRS_22 BSTR t23,
#define KAVORIN_ARGS_0
#define KAVORIN_ARGS_1 , t1
#define KAVORIN_ARGS_2 KAVORIN_ARGS_1, t2
#define KAVORIN_ARGS_3 KAVORIN_ARGS_2, t3
#define KAVORIN_ARGS_4 KAVORIN_ARGS_3, t4
#define KAVORIN_ARGS_5 KAVORIN_ARGS_4, t5
#define KAVORIN_ARGS_6 KAVORIN_ARGS_5, t6
#define KAVORIN_ARGS_7 KAVORIN_ARGS_6, t7
#define KAVORIN_ARGS_8 KAVORIN_ARGS_7, t8
#define KAVORIN_ARGS_9 KAVORIN_ARGS_8, t9
#define KAVORIN_ARGS_10 KAVORIN_ARGS_9, t10
#define KAVORIN_ARGS_11 KAVORIN_ARGS_10, t11
#define KAVORIN_ARGS_12 KAVORIN_ARGS_11, t12
#define KAVORIN_ARGS_13 KAVORIN_ARGS_12, t13
#define KAVORIN_ARGS_14 KAVORIN_ARGS_13, t14
#define KAVORIN_ARGS_15 KAVORIN_ARGS_14, t15
#define KAVORIN_ARGS_16 KAVORIN_ARGS_15, t16
#define KAVORIN_ARGS_17 KAVORIN_ARGS_16, t17
#define KAVORIN_ARGS_18 KAVORIN_ARGS_17, t18
#define KAVORIN_ARGS_19 KAVORIN_ARGS_18, t19
#define KAVORIN_ARGS_20 KAVORIN_ARGS_19, t20
#define KAVORIN_ARGS_21 KAVORIN_ARGS_20, t21
#define KAVORIN_ARGS_22 KAVORIN_ARGS_21, t22
#define KAVORIN_ARGS_23 KAVORIN_ARGS_22, t23
// A method taking `count` texts and answering piRet.
#define KAVORIN_INT_METHOD(name, dispid, count) \
  STDMETHODIMP name(KAVORIN_BSTRS_##count int* piRet) override { return CallInt(dispid, piRet KAVORIN_ARGS_##count); }
// A getter: piResultCode and the text.
#define KAVORIN_GETTER(name, dispid) \
  STDMETHODIMP name(int* piResultCode, BSTR* pbstrData) override { return CallGetter(dispid, piResultCode, pbstrData); }
// clang-format on

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

  // IKAVORINComm, in vtable order; the numbers are the dispatch ids.
  STDMETHODIMP StartComPort(BSTR bstrCom, VARIANT_BOOL* pbRet) override;
  KAVORIN_INT_METHOD(CreditAuth, 2, 5)
  KAVORIN_INT_METHOD(StatusCheck, 3, 0)
  KAVORIN_INT_METHOD(ServiceTerminate, 4, 0)
  KAVORIN_INT_METHOD(CashApprovalPrint, 5, 2)
  KAVORIN_INT_METHOD(CashReceiptAuth, 6, 5)
  KAVORIN_INT_METHOD(CreditCancel, 7, 7)
  KAVORIN_INT_METHOD(CashReceiptCancel, 8, 7)
  KAVORIN_INT_METHOD(Track2Read, 9, 0)
  KAVORIN_INT_METHOD(Track3Read, 10, 0)
  KAVORIN_INT_METHOD(CashCancelPrint, 11, 3)
  KAVORIN_INT_METHOD(CreditAuthResultPrint, 12, 15)
  KAVORIN_INT_METHOD(CreditCancelResultPrint, 13, 16)
  KAVORIN_INT_METHOD(CashReceiptAuthResultPrint, 14, 15)
  KAVORIN_INT_METHOD(CashReceiptCancelResultPrint, 15, 16)
  KAVORIN_INT_METHOD(FreeStylePrint, 16, 1)
  KAVORIN_GETTER(GetResponseCode, 17)
  KAVORIN_GETTER(GetCardNumber, 18)
  KAVORIN_GETTER(GetInstallmentData, 19)
  KAVORIN_GETTER(GetCashReceiptType, 20)
  KAVORIN_GETTER(GetAuthTime, 21)
  KAVORIN_GETTER(GetBeforeAuthDate, 22)
  KAVORIN_GETTER(GetAuthAmount, 23)
  KAVORIN_GETTER(GetAuthNumber, 24)
  KAVORIN_GETTER(GetIssueCode, 25)
  KAVORIN_GETTER(GetDDCFlag, 26)
  KAVORIN_GETTER(GetMemberNumber, 27)
  KAVORIN_GETTER(GetAcquireCode, 28)
  KAVORIN_GETTER(GetNotice, 29)
  KAVORIN_GETTER(GetDisplayData, 30)
  KAVORIN_GETTER(GetAnnounceData, 31)
  KAVORIN_GETTER(GetCashReceiptAuthNumber, 32)
  KAVORIN_GETTER(GetCashReceiptAnnounceData, 33)
  KAVORIN_GETTER(GetWCC, 34)
  KAVORIN_GETTER(GetTrackData, 35)
  KAVORIN_INT_METHOD(CashReceiptAuthPrint, 36, 20)
  KAVORIN_INT_METHOD(CashReceiptCancelPrint, 37, 21)
  KAVORIN_INT_METHOD(Track2AndSign, 38, 2)
  KAVORIN_INT_METHOD(CreditAuthAndSignPrint, 39, 17)
  KAVORIN_INT_METHOD(CreditCancelAndSignPrint, 40, 18)
  KAVORIN_GETTER(GetSignPADLCDType, 41)
  KAVORIN_GETTER(GetSignPADDefineFunction, 42)
  KAVORIN_GETTER(GetSignPADModelNumber, 43)
  KAVORIN_GETTER(GetSignPADSWVersion, 44)
  KAVORIN_GETTER(GetSignPADCompressMethod, 45)
  KAVORIN_GETTER(GetSignPADHashData, 46)
  KAVORIN_GETTER(GetSignPADSignData, 47)
  KAVORIN_INT_METHOD(CreditAuth2, 48, 6)
  KAVORIN_INT_METHOD(CashReceiptAuth2, 49, 6)
  KAVORIN_INT_METHOD(CreditCancel2, 50, 8)
  KAVORIN_INT_METHOD(CashReceiptCancel2, 51, 8)
  KAVORIN_INT_METHOD(OpenCashPayingMachine, 52, 0)
  STDMETHODIMP ExFreeStylePrint(BSTR bstrData, int iSize, int* piRet) override { return CallInt(53, piRet, bstrData, iSize); }
  STDMETHODIMP UploadImageToCAT(BSTR bstrData, int iSize, int* piRet) override { return CallInt(54, piRet, bstrData, iSize); }
  KAVORIN_INT_METHOD(InitCAT, 55, 0)
  KAVORIN_INT_METHOD(Track2AndIDRead, 56, 0)
  KAVORIN_INT_METHOD(SignRead, 57, 3)
  KAVORIN_INT_METHOD(FreeStyleTran, 58, 2)
  KAVORIN_GETTER(GetFreeStyleTranResult, 59)
  KAVORIN_GETTER(GetFreeStyleTranResMsg, 60)
  KAVORIN_INT_METHOD(Track2AndSignWAmountInfo, 61, 4)
  KAVORIN_INT_METHOD(CreditAuthAndSignPrintFull, 62, 22)
  KAVORIN_INT_METHOD(CreditCancelAndSignPrintFull, 63, 23)
  KAVORIN_INT_METHOD(CashReceiptAuthPrintFull, 64, 21)
  KAVORIN_INT_METHOD(CashReceiptCancelPrintFull, 65, 22)

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

#undef KAVORIN_INT_METHOD
#undef KAVORIN_GETTER

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

}  // namespace kavorin
