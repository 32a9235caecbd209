// The Windows way to the host: COM. Every export activates the host's class
// anew on the caller's thread and lets go of it before returning; the host's
// class object hands out its one shared service object, which keeps the
// port and the last answer between calls.
//
// Calls go through IDispatch::Invoke by dispatch id, with the arguments and
// reply shape of the method table, so one path serves every method and
// nothing here is written per method. The interface is dual: Invoke reaches
// the same methods as the vtable.
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "client/api/host_channel.hpp"
#include "contract/service_methods.hpp"
#include "kavorin_h.h"

namespace kavorin {
namespace {

// In-process server, in-process handler or local server: whatever the
// registry offers, the host program in practice.
constexpr DWORD kHostContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// What an activation gets while one host goes and the next comes: the
// registration of a host that has just gone still names it (the server is
// unavailable, or the call to it fails or is cut), it is ending, or the
// program COM started ended at once because the old one still held the
// single-instance lock (the server failed to start).
bool IsHostComingOrGoing(HRESULT hr) {
  const auto from_win32 = [](DWORD error) {
    return static_cast<HRESULT>((error & 0xFFFF) | (FACILITY_WIN32 << 16) | 0x80000000u);
  };
  const HRESULT transient[] = {from_win32(RPC_S_SERVER_UNAVAILABLE), from_win32(RPC_S_CALL_FAILED),
                               RPC_E_DISCONNECTED, RPC_E_SERVER_DIED, RPC_E_SERVER_DIED_DNE, CO_E_SERVER_STOPPING,
                               CO_E_SERVER_EXEC_FAILURE};
  return std::find(std::begin(transient), std::end(transient), hr) != std::end(transient);
}

std::u16string TextOf(BSTR text) {
  if (text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

// The in-arguments as Invoke takes them (last argument first), plus the
// [out] result code of a getter in the last position.
class Arguments {
 public:
  Arguments(const std::vector<ServiceValue>& args, bool withResultCode) {
    const std::size_t count = args.size() + (withResultCode ? 1 : 0);
    variants_.resize(count);
    for (VARIANTARG& variant : variants_) VariantInit(&variant);
    std::size_t slot = count;
    for (const ServiceValue& arg : args) {
      VARIANTARG& variant = variants_[--slot];
      if (const auto* number = std::get_if<std::int32_t>(&arg)) {
        V_VT(&variant) = VT_I4;
        V_I4(&variant) = *number;
      } else {
        const std::u16string& text = std::get<std::u16string>(arg);
        V_VT(&variant) = VT_BSTR;
        V_BSTR(&variant) =
            SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
        if (V_BSTR(&variant) == nullptr) complete_ = false;
      }
    }
    if (withResultCode) {
      // An [out] int: a reference to a 4-byte integer. Wine's type-library
      // marshaller and dispatcher take VT_I4 | VT_BYREF for it.
      V_VT(&variants_[0]) = VT_I4 | VT_BYREF;
      V_I4REF(&variants_[0]) = &result_code_;
    }
  }
  ~Arguments() {
    for (VARIANTARG& variant : variants_) {
      if (!(V_VT(&variant) & VT_BYREF)) VariantClear(&variant);
    }
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  bool complete() const { return complete_; }
  DISPPARAMS Params() {
    return {variants_.empty() ? nullptr : variants_.data(), nullptr, static_cast<UINT>(variants_.size()), 0};
  }
  std::int32_t resultCode() const { return static_cast<std::int32_t>(result_code_); }

 private:
  std::vector<VARIANTARG> variants_;
  LONG result_code_ = 0;
  bool complete_ = true;
};

class ComHostChannel : public HostChannel {
 public:
  // COM for this thread, in the apartment model. A thread that already runs
  // in the multithreaded apartment gets RPC_E_CHANGED_MODE: COM works there
  // as it is, and its initialisation is not ours to end.
  ComHostChannel() : initialized_(CoInitialize(nullptr)) {}

  ~ComHostChannel() override {
    if (comm_ != nullptr) comm_->Release();
    if (SUCCEEDED(initialized_)) CoUninitialize();
  }

  ComHostChannel(const ComHostChannel&) = delete;
  ComHostChannel& operator=(const ComHostChannel&) = delete;

  HostStatus Activate() override {
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_KAVORINComm, nullptr, kHostContext, IID_IUnknown,
                                  reinterpret_cast<void**>(&unknown));
    if (FAILED(hr)) return ActivationFailed("CoCreateInstance", hr);
    hr = OleRun(unknown);
    if (FAILED(hr)) {
      unknown->Release();
      return ActivationFailed("OleRun", hr);
    }
    hr = unknown->QueryInterface(IID_IKAVORINComm, reinterpret_cast<void**>(&comm_));
    unknown->Release();
    if (FAILED(hr)) {
      comm_ = nullptr;
      return ActivationFailed("QueryInterface(IKAVORINComm)", hr);
    }
    return HostStatus::kOk;
  }

  HostStatus Call(int dispid, const std::vector<ServiceValue>& args, ServiceReply& reply) override {
    const ServiceMethod* method = FindServiceMethod(dispid);
    if (method == nullptr) return Failed("Invoke(" + std::to_string(dispid) + ")", DISP_E_MEMBERNOTFOUND);
    const std::string step = "Invoke(" + std::string(method->name) + ")";
    // Without the interface there is nothing to call: as with a null
    // interface pointer, that is a COM failure.
    if (comm_ == nullptr) return Failed(step, E_POINTER);

    const bool getter = method->reply == ReplyShape::Getter;
    Arguments arguments(args, getter);
    if (!arguments.complete()) return Failed(step, E_OUTOFMEMORY);
    DISPPARAMS params = arguments.Params();
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    const HRESULT hr =
        comm_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception, &bad_argument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) {
      VariantClear(&result);
      // The host is ending (another client called ServiceTerminate): it
      // took nothing, and the frame goes on to the host that follows. The
      // type library's dispatcher reports a method's failure as an
      // exception carrying it.
      const HRESULT reported = hr == DISP_E_EXCEPTION ? exception.scode : hr;
      if (reported == CO_E_SERVER_STOPPING) {
        error_ = step + ": the host is ending";
        return HostStatus::kEnding;
      }
      return Failed(step, hr);
    }

    reply = ServiceReply{};
    if (getter) {
      reply.outs.emplace_back(arguments.resultCode());
      if (V_VT(&result) == VT_BSTR) {
        reply.outs.emplace_back(TextOf(V_BSTR(&result)));
      } else if (V_VT(&result) == VT_EMPTY || V_VT(&result) == VT_NULL) {
        reply.outs.emplace_back(std::u16string());  // a null BSTR is an empty value
      }
    } else if (V_VT(&result) == VT_BOOL) {
      // StartComPort's VARIANT_BOOL, read as the 16-bit integer it is: the
      // host answers 1, and VARIANT_TRUE (-1) must stay -1.
      reply.outs.emplace_back(std::int32_t{V_BOOL(&result)});
    } else if (SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) {
      reply.outs.emplace_back(std::int32_t{V_I4(&result)});
    }
    VariantClear(&result);  // frees a returned BSTR
    return HostStatus::kOk;
  }

  std::string LastError() const override { return error_; }
  bool FailureIsTransient() const override { return transient_; }

 private:
  // Every failure of a call is a COM error.
  HostStatus Failed(const std::string& step, HRESULT hr) {
    error_ = step + " failed: " + Hex(hr);
    OutputDebugStringA(("KAVORIN_Ctl: " + error_ + "\n").c_str());
    return HostStatus::kFailure;
  }
  // Of the activation steps, E_NOINTERFACE only leaves the interface empty
  // (the export then skips its call).
  HostStatus ActivationFailed(const std::string& step, HRESULT hr) {
    Failed(step, hr);
    transient_ = IsHostComingOrGoing(hr);
    return hr == E_NOINTERFACE ? HostStatus::kNoInterface : HostStatus::kFailure;
  }

  HRESULT initialized_;
  IKAVORINComm* comm_ = nullptr;
  bool transient_ = false;
  std::string error_;
};

}  // namespace

std::unique_ptr<HostChannel> MakePlatformHostChannel() { return std::make_unique<ComHostChannel>(); }

}  // namespace kavorin
