// KAVORIN.exe as a client sees it through COM, from another process, with
// catsim playing the terminal on COM ports of the prefix (the catsim rig).
#include <gtest/gtest.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/daily_log.hpp"
#include "common/text_codec.hpp"
#include "host_test_support.hpp"

namespace kavorin::test {
namespace {

class HostComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Ok());
    ASSERT_TRUE(process_.Start());
    HRESULT result = S_OK;
    host_ = ActivateHost(&result);
    ASSERT_NE(host_, nullptr) << std::hex << result;
  }
  void TearDown() override {
    if (host_ != nullptr) host_->Release();
    EXPECT_EQ(process_.End(), 0);
  }
  VARIANT_BOOL Open(const char* profile) {
    Bstr port(CatPort(profile).c_str());
    VARIANT_BOOL opened = 7;
    EXPECT_EQ(host_->StartComPort(port.get(), &opened), S_OK);
    return opened;
  }
  int CreditAuth() {
    Bstr wcc(L"A"), track(L"9410123456781234=3012"), quota(L"03"), amount(L"1004"), option(L"0");
    int result = 9;
    EXPECT_EQ(host_->CreditAuth(wcc.get(), track.get(), quota.get(), amount.get(), option.get(), &result), S_OK);
    return result;
  }

  ComApartment com_;
  HostProcess process_;
  IKAVORINComm* host_ = nullptr;
};

// Today's daily log beside the host, as it is written: CP949.
std::string TodaysLog() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const LocalTime when{now.wYear, now.wMonth, now.wDay, 0, 0, 0};
  std::string name = DailyLogPath(when);
  name = name.substr(name.find_last_of("\\/") + 1);
  std::ifstream file(BesideTest("catlog\\" + name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

using Getter = HRESULT (STDMETHODCALLTYPE IKAVORINComm::*)(int*, BSTR*);
struct GetterCase {
  const char* name;
  Getter method;
  int code;
  const wchar_t* value;  // null: no text (a null BSTR)
};

TEST_F(HostComTest, ACreditApprovalRunsToItsEndAndEveryGetterReadsIt) {
  EXPECT_EQ(Open("OK"), 1) << "1, not VARIANT_TRUE";
  const std::wstring wide_port = CatPort("OK");
  const std::string port(wide_port.begin(), wide_port.end());
  const std::string log = TodaysLog();
  EXPECT_NE(log.find("\t[*]\t[KAVORIN-StartComPort] COM PORT=[" + port + "]|"), std::string::npos);
  EXPECT_NE(log.find(Cp949FromUtf8("[KAVORIN-StartComPort] 단말기와의 통신을 위한 Serial Port Open 성공 함|")),
            std::string::npos);

  int status = 0;
  ASSERT_EQ(host_->StatusCheck(&status), S_OK);
  EXPECT_EQ(status, 100) << "port open, nothing sent yet";
  ASSERT_EQ(CreditAuth(), 0);
  ASSERT_EQ(PollStatus(*host_), 0);

  const GetterCase cases[] = {
      {"GetResponseCode", &IKAVORINComm::GetResponseCode, 0, L"0000"},
      {"GetCardNumber", &IKAVORINComm::GetCardNumber, 0, L"9410123456******"},
      {"GetInstallmentData", &IKAVORINComm::GetInstallmentData, 0, L"03"},
      {"GetCashReceiptType", &IKAVORINComm::GetCashReceiptType, -2, nullptr},
      {"GetBeforeAuthDate", &IKAVORINComm::GetBeforeAuthDate, 0, nullptr},
      {"GetAuthAmount", &IKAVORINComm::GetAuthAmount, 0, L"1004"},
      {"GetAuthNumber", &IKAVORINComm::GetAuthNumber, 0, L"30012345"},
      {"GetIssueCode", &IKAVORINComm::GetIssueCode, 0, L"01"},
      {"GetDDCFlag", &IKAVORINComm::GetDDCFlag, 0, L"N"},
      {"GetMemberNumber", &IKAVORINComm::GetMemberNumber, 0, L"123456789"},
      {"GetAcquireCode", &IKAVORINComm::GetAcquireCode, 0, L"01"},
      {"GetNotice", &IKAVORINComm::GetNotice, 0, nullptr},
      {"GetDisplayData", &IKAVORINComm::GetDisplayData, 0, L"정상승인"},
      {"GetAnnounceData", &IKAVORINComm::GetAnnounceData, 0, nullptr},
      {"GetCashReceiptAuthNumber", &IKAVORINComm::GetCashReceiptAuthNumber, 0, nullptr},
      {"GetCashReceiptAnnounceData", &IKAVORINComm::GetCashReceiptAnnounceData, 0, nullptr},
      {"GetWCC", &IKAVORINComm::GetWCC, -2, nullptr},
      {"GetTrackData", &IKAVORINComm::GetTrackData, -2, nullptr},
      {"GetSignPADLCDType", &IKAVORINComm::GetSignPADLCDType, -2, nullptr},
      {"GetSignPADDefineFunction", &IKAVORINComm::GetSignPADDefineFunction, -2, nullptr},
      {"GetSignPADModelNumber", &IKAVORINComm::GetSignPADModelNumber, -2, nullptr},
      {"GetSignPADSWVersion", &IKAVORINComm::GetSignPADSWVersion, -2, nullptr},
      {"GetSignPADCompressMethod", &IKAVORINComm::GetSignPADCompressMethod, -2, nullptr},
      {"GetSignPADHashData", &IKAVORINComm::GetSignPADHashData, -2, nullptr},
      {"GetSignPADSignData", &IKAVORINComm::GetSignPADSignData, -2, nullptr},
      {"GetFreeStyleTranResult", &IKAVORINComm::GetFreeStyleTranResult, -2, nullptr},
      {"GetFreeStyleTranResMsg", &IKAVORINComm::GetFreeStyleTranResMsg, -2, nullptr},
  };
  for (const GetterCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bstr value;
    int code = 99;
    ASSERT_EQ((host_->*c.method)(&code, value.out()), S_OK);
    EXPECT_EQ(code, c.code);
    if (c.value == nullptr) {
      EXPECT_TRUE(value.IsNull()) << "got \"" << Utf8FromUtf16(std::u16string(value.text().begin(), value.text().end())) << "\"";
    } else {
      EXPECT_EQ(value.text(), c.value);
    }
  }
  Bstr time;
  int code = 99;
  ASSERT_EQ(host_->GetAuthTime(&code, time.out()), S_OK);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(time.text().size(), 12u) << "YYMMDDhhmmss";
}

// Every way the link can end short of an approval, from the terminal's side.
TEST_F(HostComTest, StatusCheckReportsHowTheTerminalEndedTheExchange) {
  const struct {
    const char* profile;
    int status;
  } cases[] = {
      {"DECLINE", -1000}, {"SILENCE", -3}, {"NAK", -7}, {"DLE", -5}, {"EOT", -1}, {"GARBAGE", -6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    ASSERT_EQ(Open(c.profile), 1);
    ASSERT_EQ(CreditAuth(), 0);
    EXPECT_EQ(PollStatus(*host_), c.status);
    // Every exchange ends with the port closed.
    EXPECT_EQ(CreditAuth(), -1);
  }
  // A declined answer is readable all the same.
  ASSERT_EQ(Open("DECLINE"), 1);
  ASSERT_EQ(CreditAuth(), 0);
  ASSERT_EQ(PollStatus(*host_), -1000);
  Bstr code_text;
  int code = 99;
  ASSERT_EQ(host_->GetResponseCode(&code, code_text.out()), S_OK);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(code_text.text(), L"8001");
}

TEST_F(HostComTest, PortsThatCannotBeOpenedGiveZeroAndNothingStarts) {
  Bstr missing(L"\\\\.\\COM255");
  Bstr one_character(L"X");
  for (BSTR name : {static_cast<BSTR>(nullptr), one_character.get(), missing.get()}) {
    VARIANT_BOOL opened = 7;
    ASSERT_EQ(host_->StartComPort(name, &opened), S_OK);
    EXPECT_EQ(opened, 0);
    int status = 0;
    ASSERT_EQ(host_->StatusCheck(&status), S_OK);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(CreditAuth(), -1);
  }
}

// The frames on the wire, byte for byte, as the terminal received them.
TEST_F(HostComTest, RequestsReachTheTerminalByteForByte) {
  ASSERT_EQ(Open("OK"), 1);
  Bstr amount(L"1000"), option(L"0");
  int result = 9;
  ASSERT_EQ(host_->CashApprovalPrint(amount.get(), option.get(), &result), S_OK);
  ASSERT_EQ(result, 0);
  ASSERT_EQ(PollStatus(*host_), 0) << "a print ends well on EOT";

  ASSERT_EQ(Open("OK"), 1);
  ASSERT_EQ(host_->Track2Read(&result), S_OK);
  ASSERT_EQ(result, 0);
  ASSERT_EQ(PollStatus(*host_), 0);
  Bstr wcc;
  int code = 9;
  ASSERT_EQ(host_->GetWCC(&code, wcc.out()), S_OK);
  EXPECT_EQ(wcc.text(), L"A");

  // Korean text leaves the host in CP949.
  ASSERT_EQ(Open("OK"), 1);
  Bstr text(L"정상");
  ASSERT_EQ(host_->FreeStylePrint(text.get(), &result), S_OK);
  ASSERT_EQ(PollStatus(*host_), 0);

  const std::string c1("\x02\x43\x31\x1C\x1C\x1C\x31\x30\x30\x30\x1C\x30\x03\x60", 14);
  const std::string rc("\x02\x52\x43\x03\x32", 5);
  const std::string sent = BytesFromHost("OK");
  ASSERT_GE(sent.size(), 2 + c1.size() + rc.size() + 1);
  EXPECT_EQ(sent.substr(0, 1 + c1.size() + 1 + rc.size() + 1), "\x05" + c1 + "\x05" + rc + "\x06");
  EXPECT_NE(sent.find("\xC1\xA4\xBB\xF3"), std::string::npos);
}

// Late binding: names to DISPIDs, and the same methods through Invoke. An
// [out] int* travels as VT_I4 | VT_BYREF.
TEST_F(HostComTest, IDispatchReachesTheSameMethods) {
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(host_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  const struct {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"StartComPort", 1}, {L"CreditAuth", 2}, {L"StatusCheck", 3}, {L"GetResponseCode", 17},
               {L"CashReceiptCancelPrintFull", 65}};
  for (const auto& n : names) {
    LPOLESTR name = const_cast<LPOLESTR>(n.name);
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, n.id);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMethod");
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

  auto invoke = [&](DISPID member, std::vector<VARIANT> last_first, VARIANT& result) {
    DISPPARAMS params{last_first.data(), nullptr, static_cast<UINT>(last_first.size()), 0};
    VariantInit(&result);
    const HRESULT status =
        dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    for (VARIANT& argument : last_first) VariantClear(&argument);
    return status;
  };
  auto text = [](const wchar_t* value) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);
    return v;
  };

  VARIANT result;
  ASSERT_EQ(invoke(1, {text(CatPort("OK").c_str())}, result), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, 1);
  ASSERT_EQ(invoke(2, {text(L"0"), text(L"1004"), text(L"03"), text(L"9410123456781234=3012"), text(L"A")}, result),
            S_OK);
  ASSERT_EQ(VariantChangeType(&result, &result, 0, VT_I4), S_OK);
  EXPECT_EQ(result.lVal, 0);
  int status = 1;
  for (const ULONGLONG deadline = GetTickCount64() + kExchangeWaitMs; status > 0 && GetTickCount64() < deadline;) {
    ASSERT_EQ(invoke(3, {}, result), S_OK);
    ASSERT_EQ(VariantChangeType(&result, &result, 0, VT_I4), S_OK);
    status = result.lVal;
    Sleep(20);
  }
  EXPECT_EQ(status, 0);

  int code = 99;
  VARIANT out;
  out.vt = VT_I4 | VT_BYREF;
  out.plVal = reinterpret_cast<LONG*>(&code);
  ASSERT_EQ(invoke(17, {out}, result), S_OK);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(result.bstrVal, SysStringLen(result.bstrVal)), L"0000");
  VariantClear(&result);

  EXPECT_EQ(invoke(2, {text(L"only one")}, result), DISP_E_BADPARAMCOUNT);
  dispatch->Release();
}

// Across processes, Wine's proxies of IEnumConnectionPoints::Next and
// IObjectSafety::GetInterfaceSafetyOptions bring back no [out] values (the
// unit tests check those answers in process); the HRESULTs do travel.
TEST_F(HostComTest, TheSideInterfacesAnswerAcrossProcesses) {
  ISupportErrorInfo* errors = nullptr;
  ASSERT_EQ(host_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errors)), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IKAVORINComm), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  errors->Release();

  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(host_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  IEnumConnectionPoints* points = nullptr;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(points->Next(1, &point, nullptr), S_FALSE);
  EXPECT_EQ(point, nullptr);
  points->Release();
  EXPECT_EQ(container->FindConnectionPoint(DIID__IKAVORINCommEvents, &point), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point, nullptr);
  container->Release();

  IObjectSafety* safety = nullptr;
  ASSERT_EQ(host_->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 3), S_OK);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersist, 1, 1), E_NOINTERFACE);
  safety->Release();
}

TEST_F(HostComTest, EveryActivationGetsTheSameObjectAndAggregationIsRefused) {
  IKAVORINComm* again = ActivateHost();
  ASSERT_NE(again, nullptr);
  IUnknown* first = nullptr;
  IUnknown* second = nullptr;
  host_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&first));
  again->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&second));
  EXPECT_EQ(first, second) << "one object, one identity";
  first->Release();
  second->Release();
  again->Release();

  IUnknown* aggregated = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_KAVORINComm, host_, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&aggregated)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(aggregated, nullptr);
}

}  // namespace
}  // namespace kavorin::test
