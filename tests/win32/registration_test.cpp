// Self-registration and the type library, in a real registry under Wine.
// This program carries the host's resources, so it registers itself as the
// server exactly as the host does for /RegServer.
#include "host/service/win32/registration.hpp"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "host/service/win32/tray_icon.hpp"
#include "kavorin_h.h"
#include "tests/win32/registry_support.hpp"

namespace kavorin {
namespace {

using test::KeyExists;
using test::ReadValue;

using test::kClassKey;

using Expected = test::RegistryEntry;

std::vector<Expected> ExpectedEntries(const std::string& server) { return test::ClassRegistrationEntries(server); }

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override {
    UnregisterServer(GetModuleHandleA(nullptr));
    CoUninitialize();
  }
};

TEST_F(RegistrationTest, RegisterWritesEveryEntryAndUnregisterRemovesThem) {
  HMODULE self = GetModuleHandleA(nullptr);
  const std::string server = LocalServerPath(self);
  ASSERT_FALSE(server.empty());
  EXPECT_EQ(server.find(' '), std::string::npos) << "an 8.3 path: " << server;

  ASSERT_EQ(RegisterServer(self), S_OK);
  for (const Expected& entry : ExpectedEntries(server)) {
    SCOPED_TRACE(entry.key + " " + (entry.name ? entry.name : "(default)"));
    EXPECT_EQ(ReadValue(entry.key, entry.name), entry.data);
  }
  EXPECT_TRUE(KeyExists(kClassKey + "\\Programmable"));

  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_KAVORINLib, 1, 0, LOCALE_NEUTRAL, &library), S_OK);
  library->Release();

  ASSERT_EQ(UnregisterServer(self), S_OK);
  for (const Expected& entry : ExpectedEntries(server)) {
    SCOPED_TRACE(entry.key);
    EXPECT_FALSE(KeyExists(entry.key));
  }
  // The roots are shared with every other program.
  EXPECT_TRUE(KeyExists("AppID"));
  EXPECT_TRUE(KeyExists("CLSID"));
  EXPECT_NE(LoadRegTypeLib(LIBID_KAVORINLib, 1, 0, LOCALE_NEUTRAL, &library), S_OK);
}

TEST_F(RegistrationTest, RegisteringAgainClearsStaleClassSubkeysAndIsIdempotent) {
  HMODULE self = GetModuleHandleA(nullptr);
  ASSERT_EQ(RegisterServer(self), S_OK);
  HKEY stale = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (kClassKey + "\\InprocServer32").c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &stale, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(stale);
  ASSERT_EQ(RegisterServer(self), S_OK);
  EXPECT_FALSE(KeyExists(kClassKey + "\\InprocServer32"));
  EXPECT_EQ(ReadValue(kClassKey + "\\LocalServer32", nullptr), LocalServerPath(self));
}

TEST_F(RegistrationTest, UnregisterWithNothingRegisteredSucceedsOnTheRegistry) {
  HMODULE self = GetModuleHandleA(nullptr);
  UnregisterServer(self);
  // Keys that are not there are no failure; the type library step may
  // report that there was nothing to unregister (its code differs between
  // Windows and Wine), and the shared roots stay.
  UnregisterServer(self);
  EXPECT_TRUE(KeyExists("AppID"));
  EXPECT_TRUE(KeyExists("CLSID"));
  EXPECT_FALSE(KeyExists(kClassKey));
}

// The interface as clients bind to it: DISPIDs, names and parameters.
enum Result { kBool, kInt, kGetter };
struct Method {
  int dispid;
  const char* name;
  Result result;
  std::vector<const char*> in;
};

const std::vector<Method> kMethods = {
    {1, "StartComPort", kBool, {"bstrCom"}},
    {2, "CreditAuth", kInt, {"bstrWcc","bstrTrack","bstrQuota","bstrAmount","bstrPrtOpt"}},
    {3, "StatusCheck", kInt, {}},
    {4, "ServiceTerminate", kInt, {}},
    {5, "CashApprovalPrint", kInt, {"bstrAmount","bstrPrtOpt"}},
    {6, "CashReceiptAuth", kInt, {"bstrWcc","bstrTrack","bstrTranType","bstrAmount","bstrPrtOpt"}},
    {7, "CreditCancel", kInt, {"bstrWcc","bstrTrack","bstrQuota","bstrTranAmount","bstrTranNumber","bstrTranDate","bstrPrtOpt"}},
    {8, "CashReceiptCancel", kInt, {"bstrWcc","bstrTrack","bstrTranType","bstrTranAmount","bstrTranNumber","bstrTranDate","bstrPrtOpt"}},
    {9, "Track2Read", kInt, {}},
    {10, "Track3Read", kInt, {}},
    {11, "CashCancelPrint", kInt, {"bstrTranAmount","bstrTranDate","bstrPrtOpt"}},
    {12, "CreditAuthResultPrint", kInt, {"bstrResCode","bstrCard","bstrQuota","bstrAuthTime","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {13, "CreditCancelResultPrint", kInt, {"bstrResCode","bstrCard","bstrQuota","bstrAuthTime","bstrAuthDate","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {14, "CashReceiptAuthResultPrint", kInt, {"bstrResCode","bstrCard","bstrQuota","bstrAuthTime","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {15, "CashReceiptCancelResultPrint", kInt, {"bstrResCode","bstrCard","bstrQuota","bstrAuthTime","bstrAuthDate","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {16, "FreeStylePrint", kInt, {"bstrData"}},
    {17, "GetResponseCode", kGetter, {}},
    {18, "GetCardNumber", kGetter, {}},
    {19, "GetInstallmentData", kGetter, {}},
    {20, "GetCashReceiptType", kGetter, {}},
    {21, "GetAuthTime", kGetter, {}},
    {22, "GetBeforeAuthDate", kGetter, {}},
    {23, "GetAuthAmount", kGetter, {}},
    {24, "GetAuthNumber", kGetter, {}},
    {25, "GetIssueCode", kGetter, {}},
    {26, "GetDDCFlag", kGetter, {}},
    {27, "GetMemberNumber", kGetter, {}},
    {28, "GetAcquireCode", kGetter, {}},
    {29, "GetNotice", kGetter, {}},
    {30, "GetDisplayData", kGetter, {}},
    {31, "GetAnnounceData", kGetter, {}},
    {32, "GetCashReceiptAuthNumber", kGetter, {}},
    {33, "GetCashReceiptAnnounceData", kGetter, {}},
    {34, "GetWCC", kGetter, {}},
    {35, "GetTrackData", kGetter, {}},
    {36, "CashReceiptAuthPrint", kInt, {"bstrResCode","bstrCard","bstrQuota","bstrAuthTime","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNumber","bstrIssuerName","bstrMemberNumber","bstrBizNumber","bstrBossName","bstrBizName","bstrBizAddr","bstrBizTel","bstrNotice","bstrAcquirerName","bstrBroad","bstrCashNumber","bstrCashBroad"}},
    {37, "CashReceiptCancelPrint", kInt, {"bstrResCode","bstrCard","bstrQuota","bstrAuthTime","bstrBeforeAuthDate","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNumber","bstrIssuerName","bstrMemberNumber","bstrBizNumber","bstrBossName","bstrBizName","bstrBizAddr","bstrBizTel","bstrNotice","bstrAcquirerName","bstrBroad","bstrCashNumber","bstrCashBroad"}},
    {38, "Track2AndSign", kInt, {"bstrCatID","bstrSeqNumber"}},
    {39, "CreditAuthAndSignPrint", kInt, {"bstrResCode","bstrCatID","bstrSeqNumber","bstrCard","bstrQuota","bstrAuthTime","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {40, "CreditCancelAndSignPrint", kInt, {"bstrResCode","bstrCatID","bstrSeqNumber","bstrCard","bstrQuota","bstrAuthTime","bstrAuthDate","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {41, "GetSignPADLCDType", kGetter, {}},
    {42, "GetSignPADDefineFunction", kGetter, {}},
    {43, "GetSignPADModelNumber", kGetter, {}},
    {44, "GetSignPADSWVersion", kGetter, {}},
    {45, "GetSignPADCompressMethod", kGetter, {}},
    {46, "GetSignPADHashData", kGetter, {}},
    {47, "GetSignPADSignData", kGetter, {}},
    {48, "CreditAuth2", kInt, {"bstrWcc","bstrTrack","bstrQuota","bstrAmount","bstrPrtOpt","bstrUserData"}},
    {49, "CashReceiptAuth2", kInt, {"bstrWcc","bstrTrack","bstrTranType","bstrAmount","bstrPrtOpt","bstrUserData"}},
    {50, "CreditCancel2", kInt, {"bstrWcc","bstrTrack","bstrQuota","bstrTranAmount","bstrTranNumber","bstrTranDate","bstrPrtOpt","bstrUserData"}},
    {51, "CashReceiptCancel2", kInt, {"bstrWcc","bstrTrack","bstrTranType","bstrTranAmount","bstrTranNumber","bstrTranDate","bstrPrtOpt","bstrUserData"}},
    {52, "OpenCashPayingMachine", kInt, {}},
    {53, "ExFreeStylePrint", kInt, {"bstrData","iSize"}},
    {54, "UploadImageToCAT", kInt, {"bstrData","iSize"}},
    {55, "InitCAT", kInt, {}},
    {56, "Track2AndIDRead", kInt, {}},
    {57, "SignRead", kInt, {"bstrCatID","bstrSeqNumber","bstrCardNum"}},
    {58, "FreeStyleTran", kInt, {"bstrCommType","bstrUserData"}},
    {59, "GetFreeStyleTranResult", kGetter, {}},
    {60, "GetFreeStyleTranResMsg", kGetter, {}},
    {61, "Track2AndSignWAmountInfo", kInt, {"bstrCatID","bstrSeqNumber","bstrAmount","bstrInst"}},
    {62, "CreditAuthAndSignPrintFull", kInt, {"bstrResCode","bstrCatID","bstrSeqNumber","bstrCard","bstrQuota","bstrAuthTime","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrBusinessNum","bstrRepName","bstrRetailName","bstrRetailAddr","bstrRetailPhone","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {63, "CreditCancelAndSignPrintFull", kInt, {"bstrResCode","bstrCatID","bstrSeqNumber","bstrCard","bstrQuota","bstrAuthTime","bstrAuthDate","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNum","bstrIssueName","bstrMemberNum","bstrBusinessNum","bstrRepName","bstrRetailName","bstrRetailAddr","bstrRetailPhone","bstrNotice","bstrPurchase","bstrBroad","bstrCashAuthNum","bstrCashBroad"}},
    {64, "CashReceiptAuthPrintFull", kInt, {"bstrResCode","bstrCatID","bstrCard","bstrQuota","bstrAuthTime","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNumber","bstrIssuerName","bstrMemberNumber","bstrBizNumber","bstrBossName","bstrBizName","bstrBizAddr","bstrBizTel","bstrNotice","bstrAcquirerName","bstrBroad","bstrCashNumber","bstrCashBroad"}},
    {65, "CashReceiptCancelPrintFull", kInt, {"bstrResCode","bstrCatID","bstrCard","bstrQuota","bstrAuthTime","bstrBeforeAuthDate","bstrAuthAmount","bstrServiceAmount","bstrTaxAmount","bstrAuthNumber","bstrIssuerName","bstrMemberNumber","bstrBizNumber","bstrBossName","bstrBizName","bstrBizAddr","bstrBizTel","bstrNotice","bstrAcquirerName","bstrBroad","bstrCashNumber","bstrCashBroad"}},
};

class TypeLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library_), S_OK);
    // The vtable half of the dual interface (the dispatch half lists the
    // IUnknown and IDispatch methods as well).
    ITypeInfo* dispatch = nullptr;
    ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IKAVORINComm, &dispatch), S_OK);
    HREFTYPE vtable = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(vtable, &dual_), S_OK);
    dispatch->Release();
  }
  void TearDown() override {
    if (dual_ != nullptr) dual_->Release();
    if (library_ != nullptr) library_->Release();
  }
  ITypeLib* library_ = nullptr;
  ITypeInfo* dual_ = nullptr;
};

std::string Narrow(BSTR text) {
  std::string out;
  for (const wchar_t* p = text; p != nullptr && *p != 0; ++p) out.push_back(static_cast<char>(*p));
  return out;
}

TEST_F(TypeLibraryTest, LibraryIdentityMatchesTheBuild) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_KAVORINLib));
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  // A type library of the wrong bitness registers where clients of this
  // build do not look.
  EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  library_->ReleaseTLibAttr(attributes);

  BSTR name = nullptr;
  BSTR help = nullptr;
  ASSERT_EQ(library_->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(Narrow(name), "KAVORINLib");
  EXPECT_EQ(Narrow(help), "KAVORIN 1.0 Type Library");
  SysFreeString(name);
  SysFreeString(help);
}

TEST_F(TypeLibraryTest, ClassAndEventInterfaceAreDescribed) {
  ITypeInfo* info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_KAVORINComm, &info), S_OK);
  BSTR help = nullptr;
  info->GetDocumentation(MEMBERID_NIL, nullptr, &help, nullptr, nullptr);
  EXPECT_EQ(Narrow(help), "KAVORINComm Class");
  SysFreeString(help);
  info->Release();

  ASSERT_EQ(library_->GetTypeInfoOfGuid(DIID__IKAVORINCommEvents, &info), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attributes->cFuncs, 0);
  info->ReleaseTypeAttr(attributes);
  info->Release();
}

TEST_F(TypeLibraryTest, DualInterfaceHasEveryMethodWithItsDispidAndParameters) {
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(dual_->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  const int functions = attributes->cFuncs;
  dual_->ReleaseTypeAttr(attributes);
  ASSERT_EQ(functions, static_cast<int>(kMethods.size()));

  for (int index = 0; index < functions; ++index) {
    const Method& expected = kMethods[static_cast<std::size_t>(index)];
    SCOPED_TRACE(expected.name);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(dual_->GetFuncDesc(static_cast<UINT>(index), &function), S_OK);
    // Vtable order follows the DISPIDs; IUnknown and IDispatch come first.
    EXPECT_EQ(function->memid, expected.dispid);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + index) * static_cast<int>(sizeof(void*))));
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);

    const std::size_t outs = expected.result == kGetter ? 2 : 1;
    ASSERT_EQ(static_cast<std::size_t>(function->cParams), expected.in.size() + outs);
    BSTR names[32] = {};
    UINT count = 0;
    ASSERT_EQ(dual_->GetNames(function->memid, names, 32, &count), S_OK);
    ASSERT_EQ(count, static_cast<UINT>(function->cParams) + 1);
    EXPECT_EQ(Narrow(names[0]), expected.name);
    for (std::size_t i = 0; i < expected.in.size(); ++i) {
      const ELEMDESC& param = function->lprgelemdescParam[i];
      EXPECT_EQ(Narrow(names[i + 1]), expected.in[i]);
      EXPECT_EQ(param.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT), PARAMFLAG_FIN);
      EXPECT_EQ(param.tdesc.vt, std::string(expected.in[i]) == "iSize" ? VT_INT : VT_BSTR);
    }
    const ELEMDESC& retval = function->lprgelemdescParam[function->cParams - 1];
    EXPECT_EQ(retval.paramdesc.wParamFlags & (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL), PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    ASSERT_EQ(retval.tdesc.vt, VT_PTR);
    const VARTYPE pointee = retval.tdesc.lptdesc->vt;
    if (expected.result == kBool) {
      EXPECT_EQ(pointee, VT_BOOL);
      EXPECT_EQ(Narrow(names[count - 1]), "pbRet");
    } else if (expected.result == kInt) {
      EXPECT_EQ(pointee, VT_INT);
      EXPECT_EQ(Narrow(names[count - 1]), "piRet");
    } else {
      EXPECT_EQ(pointee, VT_BSTR);
      const ELEMDESC& code = function->lprgelemdescParam[function->cParams - 2];
      EXPECT_EQ(code.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL), PARAMFLAG_FOUT);
      EXPECT_EQ(Narrow(names[count - 2]), "piResultCode");
    }
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    dual_->ReleaseFuncDesc(function);
  }
}

// The tray and program resources, in the CP949 the shell shows.
TEST(HostResourcesTest, MenuStringsAndIconAreThere) {
  HMODULE self = GetModuleHandleA(nullptr);
  HMENU menu = LoadMenuA(self, MAKEINTRESOURCEA(202));
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 2);
  struct Item {
    UINT id;
    std::wstring text;
  };
  const Item items[] = {{0x8000, L"\uC885\uB8CC"}, {0x8002, L"PORT \uC124\uC815"}};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(GetMenuItemID(popup, i), items[i].id);
    wchar_t text[64] = {};
    GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), items[i].text);
  }
  // The ANSI text is the CP949 the system speaks.
  char ansi[64] = {};
  GetMenuStringA(popup, 0, ansi, 64, MF_BYPOSITION);
  EXPECT_EQ(std::string(ansi), "\xC1\xBE\xB7\xE1");
  DestroyMenu(menu);

  char name[32] = {};
  EXPECT_EQ(LoadStringA(self, 100, name, sizeof name), 7);
  EXPECT_EQ(std::string(name), "KAVORIN");
  EXPECT_NE(LoadIconA(self, MAKEINTRESOURCEA(201)), nullptr);
}

TEST(HostResourcesTest, TrayIconAddsAndRemovesWithItsMenuAsId) {
  HMODULE self = GetModuleHandleA(nullptr);
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = self;
  window_class.lpszClassName = "KavorinTrayTest";
  RegisterClassA(&window_class);
  HWND window = CreateWindowA("KavorinTrayTest", "tray test", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              self, nullptr);
  ASSERT_NE(window, nullptr);
  {
    TrayIcon tray;
    tray.Add(window, self, 201, 202, "Halveron KAVORIN");
    ASSERT_NE(tray.Popup(), nullptr);
    // Notifications for another icon id are not this icon's.
    EXPECT_FALSE(tray.OnNotify(0, WM_RBUTTONUP));
    // A single left click does nothing but is this icon's.
    EXPECT_TRUE(tray.OnNotify(reinterpret_cast<WPARAM>(tray.Popup()) & 0xFFFFFFFFu, WM_LBUTTONUP));
    tray.Remove();
    EXPECT_FALSE(tray.Added());
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace kavorin
