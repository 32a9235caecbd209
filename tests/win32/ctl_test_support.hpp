#pragma once
// What the tests of KAVORIN_Ctl.dll share: the DLL loaded from an install
// folder of its own and bound by ordinal (as the web control binds it), a
// host object served from the test process itself for the unit tests, and
// an operator on a helper thread that finds the library's windows, reads
// their texts and presses their buttons.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "client/api/win32/ctl_resources.h"
#include "common/text_codec.hpp"
#include "contract/service_call.hpp"
#include "contract/service_methods.hpp"
#include "kavorin_h.h"

namespace kavorin::ctl_test {

namespace fs = std::filesystem;

// Generous: a loaded two-core machine runs these side by side.
constexpr DWORD kWindowWaitMs = 20000;

inline std::string Cp949(const char* utf8) { return Cp949FromUtf8(utf8); }

inline fs::path ProgramFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

inline std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---------------------------------------------------------------------------
// The DLL in a folder of its own: kavorin.ini and catlog\ go there, and no
// host program is beside it unless a test puts one there.
class Installation {
 public:
  explicit Installation(const std::string& name, bool withHost = false) {
    folder_ = fs::temp_directory_path() / ("kavorin-ctl-" + name + "-" + std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    fs::copy_file(ProgramFolder() / "KAVORIN_Ctl.dll", folder_ / "KAVORIN_Ctl.dll");
    if (withHost) {
      // The host and the dialog library it links.
      fs::copy_file(ProgramFolder() / "KAVORIN.exe", folder_ / "KAVORIN.exe");
      fs::copy_file(ProgramFolder() / "Property.dll", folder_ / "Property.dll");
    }
    library_ = LoadLibraryW((folder_ / "KAVORIN_Ctl.dll").wstring().c_str());
    EXPECT_NE(library_, nullptr) << "LoadLibrary: " << GetLastError();
  }
  ~Installation() {
    if (library_ != nullptr) FreeLibrary(library_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  HMODULE library() const { return library_; }
  const fs::path& folder() const { return folder_; }
  // The folder as the library names it in its log lines: "...\".
  std::string FolderText() const { return folder_.string() + "\\"; }

  void WriteIni(const std::string& text) const { std::ofstream(folder_ / "kavorin.ini", std::ios::binary) << text; }
  void WriteIniPort(const std::string& port) const { WriteIni("[General]\r\nCOM_Port=" + port + "\r\n"); }

  std::string DailyLog() const {
    std::string all;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_ / "catlog", error)) all += ReadFileBytes(entry.path());
    return all;
  }

  FARPROC Ordinal(int ordinal) const {
    return GetProcAddress(library_, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(ordinal)));
  }
  template <class F>
  F Bind(int ordinal) const {
    FARPROC procedure = Ordinal(ordinal);
    EXPECT_NE(procedure, nullptr) << "ordinal " << ordinal;
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(procedure));
  }

 private:
  fs::path folder_;
  HMODULE library_ = nullptr;
};

// Function types of the exports, by shape.
using NoArgs = int(WINAPI*)();
using OneText = int(WINAPI*)(const char*);
using Buffer = int(WINAPI*)(char*);

// Calls an export that takes `texts.size()` text arguments.
template <std::size_t>
using TextArg = const char*;
template <std::size_t... I>
int CallWithTexts(FARPROC procedure, const std::vector<std::string>& texts, std::index_sequence<I...>) {
  using Function = int(WINAPI*)(TextArg<I>...);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure))(texts[I].c_str()...);
}
template <std::size_t N>
int CallTextsN(FARPROC procedure, const std::vector<std::string>& texts) {
  return CallWithTexts(procedure, texts, std::make_index_sequence<N>{});
}
template <std::size_t... N>
constexpr auto MakeTextCallers(std::index_sequence<N...>) {
  return std::array<int (*)(FARPROC, const std::vector<std::string>&), sizeof...(N)>{&CallTextsN<N>...};
}
inline int CallTexts(FARPROC procedure, const std::vector<std::string>& texts) {
  static constexpr auto callers = MakeTextCallers(std::make_index_sequence<24>{});
  return callers.at(texts.size())(procedure, texts);
}

// ---------------------------------------------------------------------------
// A host object served from the test process. Registered for in-process
// activation only, so that no other process can reach it: the library's
// CoCreateInstance on this thread finds it before any registry entry. It
// answers Invoke as the host's dispatcher would, from a script.
struct FakeAnswer {
  HRESULT hr = S_OK;
  int value = 0;            // piRet, pbRet or piResultCode
  std::u16string text;      // a getter's value
};

struct FakeCall {
  int dispid;
  std::vector<ServiceValue> args;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FakeHost final : public IDispatch, public IRunnableObject, public IClassFactory {
 public:
  FakeHost() {
    const HRESULT hr = CoRegisterClassObject(CLSID_KAVORINComm, static_cast<IClassFactory*>(this),
                                             CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    EXPECT_EQ(hr, S_OK) << "CoRegisterClassObject";
  }
  ~FakeHost() {
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
  }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // Script, per method: Answer replaces what the method answers from now
  // on, Then queues a further answer after the ones given; the last one
  // stays.
  void Answer(int dispid, FakeAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_[dispid].assign(1, std::move(answer));
  }
  void Answer(const char* method, FakeAnswer answer) { Answer(FindServiceMethod(method)->dispid, std::move(answer)); }
  void Then(const char* method, FakeAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_[FindServiceMethod(method)->dispid].push_back(std::move(answer));
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    answers_.clear();
    calls_.clear();
    create = S_OK;
    run = S_OK;
    hasInterface = true;
    duringCall = nullptr;
  }
  HRESULT create = S_OK;          // the class factory's answer
  HRESULT run = S_OK;             // IRunnableObject::Run
  bool hasInterface = true;       // IKAVORINComm offered
  // Runs inside each call, on the caller's thread, as COM's wait for an
  // out-of-process answer would: messages sent from other threads are
  // handled there.
  std::function<void(int dispid)> duringCall;

  std::vector<FakeCall> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int CountOf(const char* method) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const auto& call : calls_) count += call.dispid == FindServiceMethod(method)->dispid ? 1 : 0;
    return count;
  }
  void ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }
  long References() const { return references_.load(); }

  // IUnknown. The object lives as long as the test; counts are kept to see
  // that the library lets go of everything it takes.
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (hasInterface && riid == IID_IKAVORINComm)) {
      *object = static_cast<IDispatch*>(this);
    } else if (riid == IID_IRunnableObject) {
      *object = static_cast<IRunnableObject*>(this);
    } else if (riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--references_); }

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object != nullptr) *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (FAILED(create)) return create;
    return QueryInterface(riid, object);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  // IRunnableObject: only Run matters (OleRun calls it).
  STDMETHODIMP GetRunningClass(CLSID* clsid) override {
    *clsid = CLSID_KAVORINComm;
    return S_OK;
  }
  STDMETHODIMP Run(LPBINDCTX) override { return run; }
  BOOL STDMETHODCALLTYPE IsRunning() override { return TRUE; }
  STDMETHODIMP LockRunning(BOOL, BOOL) override { return S_OK; }
  STDMETHODIMP SetContainedObject(BOOL) override { return S_OK; }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    const ServiceMethod* method = FindServiceMethod(static_cast<int>(id));
    if (method == nullptr || flags != DISPATCH_METHOD || params == nullptr || result == nullptr) {
      return DISP_E_MEMBERNOTFOUND;
    }
    const bool getter = method->reply == ReplyShape::Getter;
    const UINT ins = params->cArgs - (getter ? 1 : 0);
    FakeCall call{static_cast<int>(id), {}};
    for (UINT i = 0; i < ins; ++i) {
      const VARIANTARG& arg = params->rgvarg[params->cArgs - 1 - i];
      if (V_VT(&arg) == VT_BSTR) {
        const BSTR text = V_BSTR(&arg);
        call.args.emplace_back(text == nullptr ? std::u16string()
                                               : std::u16string(reinterpret_cast<const char16_t*>(text),
                                                                SysStringLen(text)));
      } else if (V_VT(&arg) == VT_I4) {
        call.args.emplace_back(std::int32_t{V_I4(&arg)});
      } else {
        return DISP_E_TYPEMISMATCH;
      }
    }
    if (duringCall) duringCall(call.dispid);
    FakeAnswer answer;
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(call);
      auto& queue = answers_[call.dispid];
      if (!queue.empty()) {
        answer = queue.front();
        if (queue.size() > 1) queue.pop_front();
      }
    }
    if (FAILED(answer.hr)) return answer.hr;
    if (getter) {
      VARIANTARG& code = params->rgvarg[0];
      if (V_VT(&code) != (VT_I4 | VT_BYREF)) return DISP_E_TYPEMISMATCH;
      *V_I4REF(&code) = answer.value;
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = answer.text.empty() ? nullptr
                                           : SysAllocStringLen(reinterpret_cast<const OLECHAR*>(answer.text.data()),
                                                               static_cast<UINT>(answer.text.size()));
    } else if (method->reply == ReplyShape::Bool) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = static_cast<VARIANT_BOOL>(answer.value);
    } else {
      V_VT(result) = VT_I4;
      V_I4(result) = answer.value;
    }
    return S_OK;
  }

 private:
  DWORD cookie_ = 0;
  std::atomic<long> references_{1};
  mutable std::mutex mutex_;
  std::map<int, std::deque<FakeAnswer>> answers_;
  std::vector<FakeCall> calls_;
};
#pragma GCC diagnostic pop

// COM on the test's thread, in the apartment the library's calls join.
class ComApartment {
 public:
  ComApartment() { EXPECT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

// ---------------------------------------------------------------------------
// Windows of this process.
inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

inline std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

inline std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

inline BOOL CALLBACK CollectOwnDialog(HWND window, LPARAM param) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && ClassOf(window) == "#32770") {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  }
  return TRUE;
}

inline std::vector<HWND> OwnDialogs() {
  std::vector<HWND> found;
  EnumWindows(&CollectOwnDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A message box shows its text in the static control 0xFFFF.
constexpr int kMessageBoxText = 0xFFFF;

inline bool IsMessageBox(HWND window) { return GetDlgItem(window, kMessageBoxText) != nullptr; }
// Shown: the dialog has been set up by then.
inline bool IsStatusDialog(HWND window) {
  return GetDlgItem(window, IDC_STATUS_MAIN) != nullptr && GetDlgItem(window, IDC_STATUS_SECOND) != nullptr &&
         !IsMessageBox(window) && IsWindowVisible(window);
}

inline HWND WaitForWindow(const std::function<bool(HWND)>& wanted, DWORD timeoutMs = kWindowWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline) {
    for (HWND window : OwnDialogs()) {
      if (wanted(window)) return window;
    }
    Sleep(10);
  }
  return nullptr;
}

inline void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Message boxes seen by a Dismisser: caption and text in CP949.
struct ShownMessage {
  std::string caption;
  std::string text;
};

// While it lives, a helper thread dismisses every message box of this
// process with its OK button and keeps what it showed.
class MessageBoxDismisser {
 public:
  MessageBoxDismisser()
      : thread_([this] {
          while (!stop_) {
            for (HWND window : OwnDialogs()) {
              if (!IsMessageBox(window) || !IsWindowVisible(window)) continue;
              {
                std::lock_guard lock(mutex_);
                shown_.push_back({TextOf(window), ItemText(window, kMessageBoxText)});
              }
              Click(window, IDOK);
            }
            Sleep(10);
          }
        }) {}
  ~MessageBoxDismisser() {
    stop_ = true;
    thread_.join();
  }
  MessageBoxDismisser(const MessageBoxDismisser&) = delete;
  MessageBoxDismisser& operator=(const MessageBoxDismisser&) = delete;

  std::vector<ShownMessage> Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    shown_.clear();
  }

 private:
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<ShownMessage> shown_;
  std::thread thread_;
};

}  // namespace kavorin::ctl_test
