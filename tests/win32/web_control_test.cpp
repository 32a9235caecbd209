// KAVORIN_Web.ocx as a container and a registry see it: registration and
// unregistration, the type library against the member table, siting and
// in-place activation, drawing into a memory bitmap, IObjectSafety, the
// dispatch interface's bad calls, persistence of the version stamp, the
// property page, the About box, and the message boxes of a failed
// connection. The control is loaded from an install folder of its own,
// beside the real KAVORIN_Ctl.dll.
#include <objbase.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "common/text_codec.hpp"
#include "tests/win32/control_test_support.hpp"
#include "tests/win32/web_test_support.hpp"
#include "web/control/registry_entries.hpp"
#include "web/kavorin_web/kavorin_web.hpp"

namespace kavorin::web_test {
namespace {

using control::ControlIdentity;

const ControlIdentity& Identity() { return web::KavorinWebIdentity(); }
using control_test::Guid;
using control_test::KeyExists;
using control_test::Ptr;
using control_test::ReadValue;
using control_test::Wide;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// A container's site: a window to be active in, and a record of what the
// control asked of it.
class Site final : public IOleClientSite, public IOleInPlaceSite {
 public:
  explicit Site(HWND window) : window_(window) {}
  std::vector<std::string> calls;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override {
    calls.push_back("CanInPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP OnInPlaceActivate() override {
    calls.push_back("OnInPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override {
    calls.push_back("OnUIActivate");
    return S_OK;
  }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
    *frame = nullptr;
    *document = nullptr;
    *position = {10, 10, 90, 50};
    *clip = *position;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override {
    calls.push_back("OnUIDeactivate");
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivate() override {
    calls.push_back("OnInPlaceDeactivate");
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

 private:
  HWND window_;
};

// A property bag that keeps what is written into it.
class Bag final : public IPropertyBag {
 public:
  std::map<std::wstring, LONG> written;
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
      *object = static_cast<IPropertyBag*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    const auto found = written.find(name);
    if (found == written.end()) return E_INVALIDARG;
    V_VT(value) = VT_I4;
    V_I4(value) = found->second;
    return S_OK;
  }
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
    written[name] = V_VT(value) == VT_I4 ? V_I4(value) : -1;
    return S_OK;
  }
};
#pragma GCC diagnostic pop

class WebControlTest : public ::testing::Test {
 protected:
  WebControlTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name(), false) {
    CoInitialize(nullptr);
    // The control's own folder first: the library it imports comes from
    // there, as COM loads it.
    module_ = LoadLibraryExW(install_.Control().wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_NE(module_, nullptr) << GetLastError();
    window_ = CreateWindowExA(0, "STATIC", "container", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
  }
  ~WebControlTest() override {
    DestroyWindow(window_);
    if (module_ != nullptr) {
      Call("DllUnregisterServer");
      CoUninitialize();
      FreeLibrary(module_);
    } else {
      CoUninitialize();
    }
  }

  HRESULT Call(const char* entry) {
    using Entry = HRESULT(STDAPICALLTYPE*)();
    FARPROC procedure = GetProcAddress(module_, entry);
    EXPECT_NE(procedure, nullptr) << entry;
    return procedure == nullptr ? E_FAIL : reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(procedure))();
  }
  void Register() { ASSERT_EQ(Call("DllRegisterServer"), S_OK); }

  template <class T>
  void Create(Ptr<T>& object, REFIID iid) {
    ASSERT_EQ(CoCreateInstance(Guid(Identity().clsid), nullptr, CLSCTX_INPROC_SERVER, iid, object.out()), S_OK);
  }

  HRESULT Invoke(IDispatch* control, DISPID id, std::vector<VARIANT> args, VARIANT* result, WORD flags = DISPATCH_METHOD,
                 UINT* error = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, error);
  }

  WebInstallation install_;
  HMODULE module_ = nullptr;
  HWND window_ = nullptr;
};

VARIANT Text(const std::wstring& text) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_BSTR;
  V_BSTR(&value) = SysAllocString(text.c_str());
  return value;
}

VARIANT Number(LONG number) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = number;
  return value;
}

std::wstring BstrOf(const VARIANT& value) {
  return V_VT(&value) == VT_BSTR && V_BSTR(&value) != nullptr ? std::wstring(V_BSTR(&value)) : L"<not a text>";
}

TEST_F(WebControlTest, RegistrationWritesEveryEntryAndUnregistrationRemovesThem) {
  EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
  Register();
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module_, path, MAX_PATH);
  control_test::ExpectRegistered(Identity(), path);
  const std::string clsid = "CLSID\\" + std::string(Identity().clsid);
  ITypeLib* library = nullptr;
  {
    Ptr<IDispatch> control;
    Create(control, IID_IDispatch);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE) << "a control is alive";
  }
  EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);

  ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
  for (const std::string& key : {std::string(Identity().progId), clsid, std::string(Identity().pageProgId),
                                 "CLSID\\" + std::string(Identity().pageClsid)}) {
    EXPECT_FALSE(KeyExists(key)) << key;
  }
  EXPECT_NE(LoadRegTypeLib(Guid(Identity().libid), 1, 0, LOCALE_NEUTRAL, &library), S_OK);
  // Unregistering what is not registered still succeeds.
  EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}

TEST_F(WebControlTest, TheTypeLibraryListsEveryMemberAsTheTableHasIt) {
  control_test::ExpectTypeLibraryMatches(install_.Control(), Identity(), web::KavorinWebMembers());
}

TEST_F(WebControlTest, ItIsSitedActivatedInPlaceAndDrawsItsFace) {
  Register();
  Ptr<IOleObject> object;
  Create(object, IID_IOleObject);
  DWORD status = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 0x20191u);

  Site site(window_);
  ASSERT_EQ(object->SetClientSite(&site), S_OK);
  RECT area{10, 10, 90, 50};
  ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window_, &area), S_OK);
  Ptr<IOleInPlaceObject> in_place;
  ASSERT_EQ(object->QueryInterface(IID_IOleInPlaceObject, in_place.out()), S_OK);
  HWND child = nullptr;
  ASSERT_EQ(in_place->GetWindow(&child), S_OK);
  EXPECT_EQ(GetParent(child), window_);
  RECT placed{};
  GetWindowRect(child, &placed);
  EXPECT_EQ(placed.right - placed.left, 80);
  EXPECT_EQ(placed.bottom - placed.top, 40);
  EXPECT_EQ(object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, window_, &area), S_OK);
  EXPECT_EQ(in_place->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_THAT(site.calls, ::testing::ElementsAre("CanInPlaceActivate", "OnInPlaceActivate", "OnUIActivate",
                                                 "OnUIDeactivate", "OnInPlaceDeactivate"));

  // Drawn into a memory bitmap: white, with a black ellipse touching the
  // middle of each edge.
  constexpr int kWidth = 80, kHeight = 40;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::fill_n(static_cast<std::uint32_t*>(bits), kWidth * kHeight, 0x00FF0000u);  // blue: not drawn
  Ptr<IViewObject> view;
  ASSERT_EQ(object->QueryInterface(IID_IViewObject, view.out()), S_OK);
  const RECTL bounds{0, 0, kWidth, kHeight};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
  GdiFlush();
  const auto pixel = [&](int x, int y) { return static_cast<std::uint32_t*>(bits)[y * kWidth + x] & 0xFFFFFFu; };
  const auto black_near = [&](int x0, int y0, int dx, int dy) {
    for (int i = 0; i < 3; ++i) {
      if (pixel(x0 + i * dx, y0 + i * dy) == 0) return true;
    }
    return false;
  };
  EXPECT_EQ(pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(pixel(kWidth - 1, kHeight - 1), 0xFFFFFFu);
  EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), 0xFFFFFFu);
  EXPECT_TRUE(black_near(kWidth / 2, 0, 0, 1)) << "top";
  EXPECT_TRUE(black_near(kWidth / 2, kHeight - 1, 0, -1)) << "bottom";
  EXPECT_TRUE(black_near(0, kHeight / 2, 1, 0)) << "left";
  EXPECT_TRUE(black_near(kWidth - 1, kHeight / 2, -1, 0)) << "right";
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);

  EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
}

TEST_F(WebControlTest, ObjectSafetyReportsBothOptionsAndRefusesSwitchingOff) {
  Register();
  Ptr<IObjectSafety> safety;
  Create(safety, IID_IObjectSafety);
  control_test::ExpectScriptSafety(safety.get());
}

TEST_F(WebControlTest, DispatchFindsEitherNameAndRefusesBadCalls) {
  Register();
  Ptr<IDispatch> control;
  Create(control, IID_IDispatch);
  const std::pair<const wchar_t*, DISPID> names[] = {
      {L"FreeStylePrint", 69}, {L"ExFreeStylePrint", 69}, {L"desencryptbase64", 51},
      {L"AboutBox", DISPID_ABOUTBOX}, {L"CreditCancelAndSignPrint", 77},
  };
  for (const auto& [name, dispid] : names) {
    LPOLESTR text = const_cast<LPOLESTR>(name);
    DISPID found = 0;
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &found), S_OK);
    EXPECT_EQ(found, dispid);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID found = 0;
  EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &found), DISP_E_UNKNOWNNAME);

  // Korean text goes in as CP949 and comes back as the same Unicode.
  const std::wstring korean = L"\uCE74\uB4DC\uC2B9\uC778 1004\uC6D0";  // 카드승인 1004원
  VARIANT result;
  ASSERT_EQ(Invoke(control.get(), 51, {Text(korean)}, &result), S_OK);
  EXPECT_EQ(BstrOf(result), L"H6FfwQPFpG6my0eBq4eZ4Q==");
  VARIANT decrypted;
  ASSERT_EQ(Invoke(control.get(), 52, {result}, &decrypted), S_OK);
  EXPECT_EQ(BstrOf(decrypted), korean);
  VariantClear(&result);
  VariantClear(&decrypted);
  // A number where a text is wanted is taken as its decimal text.
  ASSERT_EQ(Invoke(control.get(), 51, {Number(12345678)}, &result), S_OK);
  EXPECT_EQ(BstrOf(result), L"EIFE5/jWHWCBHoVXpqBSbg==");
  VariantClear(&result);
  // A member without parameters can be read like a property.
  ASSERT_EQ(Invoke(control.get(), 67, {}, &result, DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(BstrOf(result), L"test");
  VariantClear(&result);

  EXPECT_EQ(Invoke(control.get(), 51, {}, &result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(control.get(), 999, {}, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(control.get(), 67, {}, &result, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);
  VARIANT object;
  VariantInit(&object);
  V_VT(&object) = VT_DISPATCH;
  V_DISPATCH(&object) = control.get();
  UINT error = 99;
  EXPECT_EQ(Invoke(control.get(), 10, {object}, &result, DISPATCH_METHOD, &error), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(error, 0u);
}

TEST_F(WebControlTest, ClassInfoEventSourceAndTheVersionStampItPersists) {
  Register();
  Ptr<IProvideClassInfo2> info;
  Create(info, IID_IProvideClassInfo2);
  GUID events{};
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_TRUE(IsEqualGUID(events, Guid(Identity().eventsIid)));
  Ptr<ITypeInfo> coclass;
  ASSERT_EQ(info->GetClassInfo(reinterpret_cast<ITypeInfo**>(coclass.out())), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, Guid(Identity().clsid)));
  coclass->ReleaseTypeAttr(attributes);

  Ptr<IConnectionPointContainer> container;
  ASSERT_EQ(info->QueryInterface(IID_IConnectionPointContainer, container.out()), S_OK);
  Ptr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(events, reinterpret_cast<IConnectionPoint**>(point.out())), S_OK);
  IID connected{};
  EXPECT_EQ(point->GetConnectionInterface(&connected), S_OK);
  EXPECT_TRUE(IsEqualIID(connected, events));
  Ptr<IDispatch> sink;
  Create(sink, IID_IDispatch);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(sink.get(), &cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  IConnectionPoint* none = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &none), CONNECT_E_NOCONNECTION);

  Ptr<IPersistStreamInit> persist;
  ASSERT_EQ(info->QueryInterface(IID_IPersistStreamInit, persist.out()), S_OK);
  EXPECT_EQ(persist->InitNew(), S_OK);
  Ptr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(stream.out())), S_OK);
  ASSERT_EQ(persist->Save(stream.get(), TRUE), S_OK);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, 4u);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  std::uint8_t saved[4] = {};
  stream->Read(saved, 4, nullptr);
  EXPECT_THAT(saved, ::testing::ElementsAre(0x00, 0x00, 0x01, 0x00));
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(persist->Load(stream.get()), S_OK);

  Ptr<IPersistPropertyBag> bag_persist;
  ASSERT_EQ(info->QueryInterface(IID_IPersistPropertyBag, bag_persist.out()), S_OK);
  Bag bag;
  EXPECT_EQ(bag_persist->Load(&bag, nullptr), S_OK) << "an empty bag loads as a new control";
  EXPECT_EQ(bag_persist->Save(&bag, TRUE, TRUE), S_OK);
  EXPECT_EQ(bag.written, (std::map<std::wstring, LONG>{{L"_Version", 0x10000}}));

  Ptr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(info->QueryInterface(IID_ISpecifyPropertyPages, pages.out()), S_OK);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_TRUE(IsEqualGUID(list.pElems[0], Guid(Identity().pageClsid)));
  CoTaskMemFree(list.pElems);
}

TEST_F(WebControlTest, ThePropertyPageAndTheAboutBox) {
  Register();
  Ptr<IPropertyPage> page;
  ASSERT_EQ(CoCreateInstance(Guid(Identity().pageClsid), nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                             page.out()),
            S_OK);
  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(std::wstring(info.pszTitle), L"General");
  EXPECT_GT(info.size.cx, 0);
  CoTaskMemFree(info.pszTitle);
  RECT area{0, 0, 200, 80};
  ASSERT_EQ(page->Activate(window_, &area, TRUE), S_OK);
  HWND shown = GetWindow(window_, GW_CHILD);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(GetWindow(shown, GW_CHILD), nullptr) << "the page has no controls";
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(GetWindow(window_, GW_CHILD), nullptr);

  Ptr<IDispatch> control;
  Create(control, IID_IDispatch);
  std::string caption, text;
  DialogWatcher watcher(GetCurrentProcessId(), [&](HWND dialog) {
    caption = TextOf(dialog);
    text = ItemText(dialog, 100);
    Click(dialog, IDOK);
  });
  VARIANT result;
  EXPECT_EQ(Invoke(control.get(), DISPID_ABOUTBOX, {}, &result), S_OK);
  watcher.Stop();
  EXPECT_EQ(caption, "About KAVORIN_Web Control");
  EXPECT_EQ(text, "KAVORIN_Web Control, Version 1.0");
  EXPECT_TRUE(watcher.MessageBoxes().empty());
}

// No port anywhere: the library refuses the connection, and the control
// says so in its own words.
TEST_F(WebControlTest, AFailedConnectionShowsTheConnectionMessage) {
  Register();
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\HALVERON\\KAVORIN\\PORT");
  Ptr<IDispatch> control;
  Create(control, IID_IDispatch);
  DialogWatcher watcher;
  VARIANT result;
  ASSERT_EQ(Invoke(control.get(), 1, {Text(L""), Text(L"9410"), Text(L"00"), Text(L"1004"), Text(L"0")}, &result),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_I4);
  EXPECT_EQ(V_I4(&result), -1);
  ASSERT_EQ(Invoke(control.get(), 9, {}, &result), S_OK);
  EXPECT_EQ(V_I4(&result), -1) << "the connection comes before the voucher check";
  watcher.Stop();
  const std::vector<SeenDialog> shown = watcher.MessageBoxes();
  ASSERT_EQ(shown.size(), 2u);
  for (const SeenDialog& box : shown) {
    EXPECT_EQ(box.caption, Cp949FromUtf8("KAVORIN 통신포트 설정 에러"));
    EXPECT_EQ(box.text, Cp949FromUtf8("단말기와 통신할 통신포트를 설정하여 주시기 바랍니다."));
  }
}

}  // namespace
}  // namespace kavorin::web_test
