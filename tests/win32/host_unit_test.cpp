// The host's parts inside this process: the COM object over a recording
// dispatcher (every vtable method against the type library), its side
// interfaces, the class object, the lock count and its monitor, and the
// service object's window with its tray menu and exit paths. This program
// carries the host's resources (type library, icon, menu).
#include <gtest/gtest.h>
#include <olectl.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "contract/service_methods.hpp"
#include "host/service/win32/class_factory.hpp"
#include "host/service/win32/host_module.hpp"
#include "host/service/win32/kavorin_comm.hpp"
#include "host/service/win32/terminal_host.hpp"

namespace kavorin {
namespace {

constexpr DWORD kWaitMs = 10000;

struct Call {
  int dispid = 0;
  std::vector<ServiceValue> args;
  int count = 0;
};

// Answers every method in its shape: piRet -7, pbRet 1, a getter -2 and a
// Korean text.
ServiceDispatcher Recording(Call& call) {
  return [&call](int dispid, std::span<const ServiceValue> args) -> ServiceReply {
    call.dispid = dispid;
    call.args.assign(args.begin(), args.end());
    ++call.count;
    switch (FindServiceMethod(dispid)->reply) {
      case ReplyShape::Bool:
        return {kDispatched, {std::int32_t{1}}};
      case ReplyShape::Int:
        return {kDispatched, {std::int32_t{-7}}};
      case ReplyShape::Getter:
        return {kDispatched, {std::int32_t{-2}, std::u16string(u"정상승인")}};
    }
    return {kUnknownMethod, {}};
  };
}

ITypeInfo* VtableTypeInfo() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  ITypeLib* library = nullptr;
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) return nullptr;
  ITypeInfo* dispatch = nullptr;
  ITypeInfo* vtable = nullptr;
  HREFTYPE reference = 0;
  if (SUCCEEDED(library->GetTypeInfoOfGuid(IID_IKAVORINComm, &dispatch)) &&
      SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &reference))) {
    dispatch->GetRefTypeInfo(reference, &vtable);
  }
  if (dispatch != nullptr) dispatch->Release();
  library->Release();
  return vtable;
}

class HostObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
  Call call_;
};

// Each method of the type library, called late-bound (ITypeInfo::Invoke runs
// the vtable slot the IDL gives it), must reach the dispatcher with its own
// dispatch id and its arguments in order, and hand the reply back in the
// out-parameters of its shape.
TEST_F(HostObjectTest, EveryVtableMethodForwardsItsDispidAndArguments) {
  KavorinComm object(Recording(call_), nullptr);
  ASSERT_TRUE(object.HasTypeInfo());
  ITypeInfo* info = VtableTypeInfo();
  ASSERT_NE(info, nullptr);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  const WORD functions = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  EXPECT_EQ(functions, 65);

  std::set<int> seen;
  for (UINT index = 0; index < functions; ++index) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(index, &function), S_OK);
    const int dispid = static_cast<int>(function->memid);
    SCOPED_TRACE("dispid " + std::to_string(dispid));
    // The arguments as a caller passes them (last first), with a distinct
    // value each.
    std::vector<VARIANT> arguments;
    std::vector<ServiceValue> expected;
    int out_code = 0;
    for (SHORT p = 0; p < function->cParams; ++p) {
      const ELEMDESC& param = function->lprgelemdescParam[p];
      if ((param.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0) continue;
      VARIANT value;
      VariantInit(&value);
      if ((param.paramdesc.wParamFlags & PARAMFLAG_FOUT) != 0) {
        value.vt = VT_I4 | VT_BYREF;
        value.plVal = reinterpret_cast<LONG*>(&out_code);
      } else if (param.tdesc.vt == VT_BSTR) {
        const std::wstring text = L"p" + std::to_wstring(p) + L"\u00e9";
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text.c_str());
        expected.emplace_back(std::u16string(text.begin(), text.end()));
      } else {
        value.vt = VT_I4;
        value.lVal = 1000 + p;
        expected.emplace_back(std::int32_t{1000 + p});
      }
      arguments.insert(arguments.begin(), value);
    }
    const bool getter = function->cParams == 2 && function->lprgelemdescParam[1].tdesc.vt == VT_PTR &&
                        function->lprgelemdescParam[1].tdesc.lptdesc->vt == VT_BSTR;
    info->ReleaseFuncDesc(function);

    DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    VARIANT result;
    VariantInit(&result);
    call_ = {};
    ASSERT_EQ(object.Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                            nullptr),
              S_OK);
    EXPECT_EQ(call_.count, 1);
    EXPECT_EQ(call_.dispid, dispid);
    EXPECT_EQ(call_.args, expected);
    seen.insert(dispid);

    const ServiceMethod* method = FindServiceMethod(dispid);
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(getter, method->reply == ReplyShape::Getter);
    if (method->reply == ReplyShape::Bool) {
      EXPECT_EQ(result.vt, VT_BOOL);
      EXPECT_EQ(result.boolVal, 1) << "1, not VARIANT_TRUE";
    } else if (method->reply == ReplyShape::Int) {
      ASSERT_EQ(VariantChangeType(&result, &result, 0, VT_I4), S_OK);
      EXPECT_EQ(result.lVal, -7);
    } else {
      EXPECT_EQ(out_code, -2);
      ASSERT_EQ(result.vt, VT_BSTR);
      EXPECT_EQ(std::wstring(result.bstrVal, SysStringLen(result.bstrVal)), L"정상승인");
    }
    VariantClear(&result);
    for (VARIANT& argument : arguments) VariantClear(&argument);
  }
  info->Release();
  EXPECT_EQ(seen.size(), 65u);
  EXPECT_EQ(*seen.begin(), 1);
  EXPECT_EQ(*seen.rbegin(), 65);
}

TEST_F(HostObjectTest, NullAndEmptyTextsAndMissingOutPointers) {
  std::u16string reply_text;
  KavorinComm object(
      [&](int dispid, std::span<const ServiceValue> args) -> ServiceReply {
        call_.dispid = dispid;
        call_.args.assign(args.begin(), args.end());
        ++call_.count;
        return {kDispatched, {std::int32_t{0}, reply_text}};
      },
      nullptr);

  // A null BSTR is an empty text.
  int result = 5;
  ASSERT_EQ(object.CashApprovalPrint(nullptr, nullptr, &result), S_OK);
  EXPECT_EQ(call_.args, (std::vector<ServiceValue>{std::u16string(), std::u16string()}));

  // An empty value comes back as a null BSTR, a value as its text.
  BSTR value = SysAllocString(L"stale");
  SysFreeString(value);
  int code = 9;
  ASSERT_EQ(object.GetNotice(&code, &value), S_OK);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(value, nullptr);
  reply_text = u"0000";
  ASSERT_EQ(object.GetResponseCode(&code, &value), S_OK);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(std::wstring(value), L"0000");
  SysFreeString(value);

  // A caller in this process that passes no out-pointer gets E_POINTER, and
  // nothing runs.
  call_.count = 0;
  EXPECT_EQ(object.StatusCheck(nullptr), E_POINTER);
  EXPECT_EQ(object.StartComPort(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(object.GetCardNumber(&code, nullptr), E_POINTER);
  EXPECT_EQ(call_.count, 0);
}

TEST_F(HostObjectTest, SideInterfacesAnswerAsAScriptHostExpects) {
  KavorinComm object(Recording(call_), nullptr);

  ISupportErrorInfo* errors = nullptr;
  ASSERT_EQ(object.QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errors)), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IKAVORINComm), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  errors->Release();

  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(object.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  IEnumConnectionPoints* points = nullptr;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* point = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(points->Next(1, &point, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(point, nullptr);
  IEnumConnectionPoints* copy = nullptr;
  ASSERT_EQ(points->Clone(&copy), S_OK);
  EXPECT_EQ(copy->Next(1, &point, nullptr), S_FALSE);
  copy->Release();
  points->Release();
  point = reinterpret_cast<IConnectionPoint*>(1);
  EXPECT_EQ(container->FindConnectionPoint(DIID__IKAVORINCommEvents, &point), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point, nullptr);
  container->Release();

  IObjectSafety* safety = nullptr;
  ASSERT_EQ(object.QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
  for (const IID* answered : {&IID_IUnknown, &IID_IDispatch, &IID_IKAVORINComm, &IID_ISupportErrorInfo,
                              &IID_IConnectionPointContainer, &IID_IObjectSafety}) {
    DWORD supported = 0;
    DWORD enabled = 9;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(*answered, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(enabled, 0u);
  }
  DWORD supported = 0;
  DWORD enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersist, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersist, 1, 1), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 0xFF), S_OK);
  safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled);
  EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER));
  // Options outside the mask are refused and change nothing.
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0x7, 0x7), E_FAIL);
  safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled);
  EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER));
  safety->Release();
}

TEST_F(HostObjectTest, TheClassObjectHandsOutTheOneObjectAndCountsItsReferences) {
  HostModule module;
  KavorinComm object(Recording(call_), &module);
  SingletonClassFactory factory(*static_cast<IKAVORINComm*>(&object), module);

  IUnknown* first = nullptr;
  IKAVORINComm* second = nullptr;
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&first)), S_OK);
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_IKAVORINComm, reinterpret_cast<void**>(&second)), S_OK);
  EXPECT_EQ(first, static_cast<IUnknown*>(second));
  EXPECT_EQ(module.LockCount(), 2);
  factory.LockServer(TRUE);
  EXPECT_EQ(module.LockCount(), 3);

  // Any outer at all is refused.
  void* aggregated = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory.CreateInstance(first, IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(aggregated, nullptr);
  EXPECT_EQ(module.LockCount(), 3);

  first->Release();
  second->Release();
  factory.LockServer(FALSE);
  EXPECT_EQ(module.LockCount(), 0);
}

// WM_QUIT for this thread within `timeoutMs`; other messages are dispatched.
bool QuitArrives(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      DispatchMessageA(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                              QS_ALLINPUT);
  }
}

TEST(HostModuleTest, TheMonitorEndsTheLoopOnlyAfterAQuietPeriodAtZero) {
  MSG msg{};
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue
  HostModule module(200);
  ASSERT_TRUE(module.StartMonitor());

  // Taken again before the period is over: the loop goes on.
  module.Lock();
  module.Unlock();
  module.Lock();
  EXPECT_FALSE(QuitArrives(1500));

  module.Unlock();
  EXPECT_TRUE(QuitArrives(kWaitMs));
}

std::u16string PortFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  const std::string text = value != nullptr ? value : "";
  return std::u16string(text.begin(), text.end());
}

class TerminalHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host_.Window(), nullptr);
    host_.SetExitHandler([this] { ++exits_; });
    host_.SetPortChooser([this] { ++choosers_; });
    ASSERT_TRUE(host_.Service().StartComPort(PortFromEnvironment("KAVORIN_TEST_COM_A")));
  }
  TerminalHost host_{GetModuleHandleA(nullptr)};
  int exits_ = 0;
  int choosers_ = 0;
};

// "종료", WM_DESTROY (what installers send) and ServiceTerminate (through
// timer 40) each close the port, take the icon away and end the host.
TEST_F(TerminalHostTest, EveryExitPathClosesThePortAndTakesTheIconAway) {
  struct ExitPath {
    const char* name;
    void (*act)(TerminalHost&);
  };
  const ExitPath paths[] = {
      {"tray exit", [](TerminalHost& h) { PostMessageA(h.Window(), WM_COMMAND, kTrayExitCommand, 0); }},
      {"WM_DESTROY", [](TerminalHost& h) { SendMessageA(h.Window(), WM_DESTROY, 0, 0); }},
      {"ServiceTerminate", [](TerminalHost& h) { EXPECT_EQ(h.Service().ServiceTerminate(), 0); }},
  };
  for (const ExitPath& path : paths) {
    SCOPED_TRACE(path.name);
    ASSERT_TRUE(host_.Service().StartComPort(PortFromEnvironment("KAVORIN_TEST_COM_A")));
    host_.Tray().Add(host_.Window(), GetModuleHandleA(nullptr), kTrayIconId, kTrayMenuId, kTrayTooltip);
    ASSERT_EQ(host_.Service().link().portOpen(), 1);
    exits_ = 0;
    path.act(host_);
    ASSERT_TRUE(PumpMessagesUntil([this] { return exits_ > 0; }, kWaitMs));
    EXPECT_EQ(exits_, 1);
    EXPECT_EQ(host_.Service().link().portOpen(), 0);
    EXPECT_FALSE(host_.Tray().Added());
  }
  EXPECT_EQ(choosers_, 0);
}

TEST_F(TerminalHostTest, ThePortCommandOpensTheChooserAndEndsNothing) {
  PostMessageA(host_.Window(), WM_COMMAND, kTrayPortCommand, 0);
  ASSERT_TRUE(PumpMessagesUntil([this] { return choosers_ > 0; }, kWaitMs));
  EXPECT_EQ(exits_, 0);
  EXPECT_EQ(host_.Service().link().portOpen(), 1);
}

// Watches the window for the popup menu and closes it again as soon as its
// loop waits for input.
struct MenuWatch {
  static inline WNDPROC original = nullptr;
  static inline int opened = 0;
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITMENUPOPUP) ++opened;
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) EndMenu();
    return CallWindowProcA(original, window, message, wParam, lParam);
  }
  static void CALLBACK Fallback(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }
};

TEST_F(TerminalHostTest, TheTrayMenuOpensOnRightReleaseAndLeftDoubleClickOnly) {
  const HWND window = host_.Window();
  MenuWatch::original =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuWatch::Procedure)));
  // Should the idle notice not come, the menu still closes.
  const UINT_PTR fallback = SetTimer(nullptr, 0, 2000, &MenuWatch::Fallback);
  const WPARAM icon = static_cast<WPARAM>(static_cast<UINT>(reinterpret_cast<UINT_PTR>(host_.Tray().Popup())));
  struct Case {
    WPARAM id;
    UINT mouse;
    int opens;
  };
  const Case cases[] = {
      {icon, WM_RBUTTONUP, 1},   {icon, WM_LBUTTONDBLCLK, 1}, {icon, WM_LBUTTONDOWN, 0},
      {icon, WM_LBUTTONUP, 0},   {icon, WM_RBUTTONDOWN, 0},   {icon + 1, WM_RBUTTONUP, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mouse) + (c.id == icon ? "" : " for another icon"));
    MenuWatch::opened = 0;
    SendMessageA(window, kWmTrayNotify, c.id, MAKELPARAM(c.mouse, 0));
    EXPECT_EQ(MenuWatch::opened, c.opens);
  }
  KillTimer(nullptr, fallback);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuWatch::original));
  EXPECT_EQ(exits_, 0);
}

}  // namespace
}  // namespace kavorin
