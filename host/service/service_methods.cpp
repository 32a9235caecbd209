#include "host/service/service_methods.hpp"

#include <array>

#include "host/service/terminal_service.hpp"

namespace kavorin {
namespace {

using Args = std::span<const ServiceValue>;

const std::u16string& TextArg(Args args, std::size_t i) { return std::get<std::u16string>(args[i]); }
std::int32_t IntArg(Args args, std::size_t i) { return std::get<std::int32_t>(args[i]); }

ServiceReply IntReply(int value) { return {kDispatched, {std::int32_t{value}}}; }

ServiceReply ServeTextRequest(TerminalService& service, const ServiceMethod& method, Args args) {
  std::vector<std::u16string> texts;
  texts.reserve(args.size());
  for (const auto& arg : args) texts.push_back(std::get<std::u16string>(arg));
  return IntReply(service.StartTextRequest(static_cast<TextRequest>(method.detail), texts));
}

ServiceReply ServeGetter(TerminalService& service, const ServiceMethod& method, Args) {
  std::u16string value;
  const int result = service.GetField(static_cast<ResultField>(method.detail), value);
  return {kDispatched, {std::int32_t{result}, std::move(value)}};
}

ServiceReply ServeStartComPort(TerminalService& service, const ServiceMethod&, Args args) {
  return IntReply(service.StartComPort(TextArg(args, 0)) ? 1 : 0);
}
ServiceReply ServeStatusCheck(TerminalService& service, const ServiceMethod&, Args) {
  return IntReply(service.StatusCheck());
}
ServiceReply ServeServiceTerminate(TerminalService& service, const ServiceMethod&, Args) {
  return IntReply(service.ServiceTerminate());
}
ServiceReply ServeInitCAT(TerminalService& service, const ServiceMethod&, Args) { return IntReply(service.InitCAT()); }
ServiceReply ServeCashApprovalPrint(TerminalService& service, const ServiceMethod&, Args args) {
  return IntReply(service.CashApprovalPrint(TextArg(args, 0), TextArg(args, 1)));
}
ServiceReply ServeFreeStylePrint(TerminalService& service, const ServiceMethod&, Args args) {
  return IntReply(service.FreeStylePrint(TextArg(args, 0)));
}
ServiceReply ServeExFreeStylePrint(TerminalService& service, const ServiceMethod&, Args args) {
  return IntReply(service.ExFreeStylePrint(TextArg(args, 0), IntArg(args, 1)));
}
ServiceReply ServeUploadImageToCAT(TerminalService& service, const ServiceMethod&, Args args) {
  return IntReply(service.UploadImageToCAT(TextArg(args, 0), IntArg(args, 1)));
}
ServiceReply ServeOpenCashPayingMachine(TerminalService& service, const ServiceMethod&, Args) {
  return IntReply(service.OpenCashPayingMachine());
}

constexpr int Req(TextRequest request) { return static_cast<int>(request); }
constexpr int Get(ResultField field) { return static_cast<int>(field); }

using enum ReplyShape;
using TR = TextRequest;
using RF = ResultField;

// clang-format off
constexpr std::array kMethods = {
  ServiceMethod{1, "StartComPort", "bstrCom", Bool, ServeStartComPort, 0},
  ServiceMethod{2, "CreditAuth", "bstrWcc bstrTrack bstrQuota bstrAmount bstrPrtOpt", Int, ServeTextRequest, Req(TR::CreditAuth)},
  ServiceMethod{3, "StatusCheck", "", Int, ServeStatusCheck, 0},
  ServiceMethod{4, "ServiceTerminate", "", Int, ServeServiceTerminate, 0},
  ServiceMethod{5, "CashApprovalPrint", "bstrAmount bstrPrtOpt", Int, ServeCashApprovalPrint, 0},
  ServiceMethod{6, "CashReceiptAuth", "bstrWcc bstrTrack bstrTranType bstrAmount bstrPrtOpt", Int, ServeTextRequest, Req(TR::CashReceiptAuth)},
  ServiceMethod{7, "CreditCancel", "bstrWcc bstrTrack bstrQuota bstrTranAmount bstrTranNumber bstrTranDate bstrPrtOpt", Int, ServeTextRequest, Req(TR::CreditCancel)},
  ServiceMethod{8, "CashReceiptCancel", "bstrWcc bstrTrack bstrTranType bstrTranAmount bstrTranNumber bstrTranDate bstrPrtOpt", Int, ServeTextRequest, Req(TR::CashReceiptCancel)},
  ServiceMethod{9, "Track2Read", "", Int, ServeTextRequest, Req(TR::Track2Read)},
  ServiceMethod{10, "Track3Read", "", Int, ServeTextRequest, Req(TR::Track3Read)},
  ServiceMethod{11, "CashCancelPrint", "bstrTranAmount bstrTranDate bstrPrtOpt", Int, ServeTextRequest, Req(TR::CashCancelPrint)},
  ServiceMethod{12, "CreditAuthResultPrint", "bstrResCode bstrCard bstrQuota bstrAuthTime bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CreditAuthResultPrint)},
  ServiceMethod{13, "CreditCancelResultPrint", "bstrResCode bstrCard bstrQuota bstrAuthTime bstrAuthDate bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CreditCancelResultPrint)},
  ServiceMethod{14, "CashReceiptAuthResultPrint", "bstrResCode bstrCard bstrQuota bstrAuthTime bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CashReceiptAuthResultPrint)},
  ServiceMethod{15, "CashReceiptCancelResultPrint", "bstrResCode bstrCard bstrQuota bstrAuthTime bstrAuthDate bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CashReceiptCancelResultPrint)},
  ServiceMethod{16, "FreeStylePrint", "bstrData", Int, ServeFreeStylePrint, 0},
  ServiceMethod{17, "GetResponseCode", "", Getter, ServeGetter, Get(RF::ResponseCode)},
  ServiceMethod{18, "GetCardNumber", "", Getter, ServeGetter, Get(RF::CardNumber)},
  ServiceMethod{19, "GetInstallmentData", "", Getter, ServeGetter, Get(RF::InstallmentData)},
  ServiceMethod{20, "GetCashReceiptType", "", Getter, ServeGetter, Get(RF::CashReceiptType)},
  ServiceMethod{21, "GetAuthTime", "", Getter, ServeGetter, Get(RF::AuthTime)},
  ServiceMethod{22, "GetBeforeAuthDate", "", Getter, ServeGetter, Get(RF::BeforeAuthDate)},
  ServiceMethod{23, "GetAuthAmount", "", Getter, ServeGetter, Get(RF::AuthAmount)},
  ServiceMethod{24, "GetAuthNumber", "", Getter, ServeGetter, Get(RF::AuthNumber)},
  ServiceMethod{25, "GetIssueCode", "", Getter, ServeGetter, Get(RF::IssueCode)},
  ServiceMethod{26, "GetDDCFlag", "", Getter, ServeGetter, Get(RF::DDCFlag)},
  ServiceMethod{27, "GetMemberNumber", "", Getter, ServeGetter, Get(RF::MemberNumber)},
  ServiceMethod{28, "GetAcquireCode", "", Getter, ServeGetter, Get(RF::AcquireCode)},
  ServiceMethod{29, "GetNotice", "", Getter, ServeGetter, Get(RF::Notice)},
  ServiceMethod{30, "GetDisplayData", "", Getter, ServeGetter, Get(RF::DisplayData)},
  ServiceMethod{31, "GetAnnounceData", "", Getter, ServeGetter, Get(RF::AnnounceData)},
  ServiceMethod{32, "GetCashReceiptAuthNumber", "", Getter, ServeGetter, Get(RF::CashReceiptAuthNumber)},
  ServiceMethod{33, "GetCashReceiptAnnounceData", "", Getter, ServeGetter, Get(RF::CashReceiptAnnounceData)},
  ServiceMethod{34, "GetWCC", "", Getter, ServeGetter, Get(RF::WCC)},
  ServiceMethod{35, "GetTrackData", "", Getter, ServeGetter, Get(RF::TrackData)},
  ServiceMethod{36, "CashReceiptAuthPrint", "bstrResCode bstrCard bstrQuota bstrAuthTime bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNumber bstrIssuerName bstrMemberNumber bstrBizNumber bstrBossName bstrBizName bstrBizAddr bstrBizTel bstrNotice bstrAcquirerName bstrBroad bstrCashNumber bstrCashBroad", Int, ServeTextRequest, Req(TR::CashReceiptAuthPrint)},
  ServiceMethod{37, "CashReceiptCancelPrint", "bstrResCode bstrCard bstrQuota bstrAuthTime bstrBeforeAuthDate bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNumber bstrIssuerName bstrMemberNumber bstrBizNumber bstrBossName bstrBizName bstrBizAddr bstrBizTel bstrNotice bstrAcquirerName bstrBroad bstrCashNumber bstrCashBroad", Int, ServeTextRequest, Req(TR::CashReceiptCancelPrint)},
  ServiceMethod{38, "Track2AndSign", "bstrCatID bstrSeqNumber", Int, ServeTextRequest, Req(TR::Track2AndSign)},
  ServiceMethod{39, "CreditAuthAndSignPrint", "bstrResCode bstrCatID bstrSeqNumber bstrCard bstrQuota bstrAuthTime bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CreditAuthAndSignPrint)},
  ServiceMethod{40, "CreditCancelAndSignPrint", "bstrResCode bstrCatID bstrSeqNumber bstrCard bstrQuota bstrAuthTime bstrAuthDate bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CreditCancelAndSignPrint)},
  ServiceMethod{41, "GetSignPADLCDType", "", Getter, ServeGetter, Get(RF::SignPADLCDType)},
  ServiceMethod{42, "GetSignPADDefineFunction", "", Getter, ServeGetter, Get(RF::SignPADDefineFunction)},
  ServiceMethod{43, "GetSignPADModelNumber", "", Getter, ServeGetter, Get(RF::SignPADModelNumber)},
  ServiceMethod{44, "GetSignPADSWVersion", "", Getter, ServeGetter, Get(RF::SignPADSWVersion)},
  ServiceMethod{45, "GetSignPADCompressMethod", "", Getter, ServeGetter, Get(RF::SignPADCompressMethod)},
  ServiceMethod{46, "GetSignPADHashData", "", Getter, ServeGetter, Get(RF::SignPADHashData)},
  ServiceMethod{47, "GetSignPADSignData", "", Getter, ServeGetter, Get(RF::SignPADSignData)},
  ServiceMethod{48, "CreditAuth2", "bstrWcc bstrTrack bstrQuota bstrAmount bstrPrtOpt bstrUserData", Int, ServeTextRequest, Req(TR::CreditAuth2)},
  ServiceMethod{49, "CashReceiptAuth2", "bstrWcc bstrTrack bstrTranType bstrAmount bstrPrtOpt bstrUserData", Int, ServeTextRequest, Req(TR::CashReceiptAuth2)},
  ServiceMethod{50, "CreditCancel2", "bstrWcc bstrTrack bstrQuota bstrTranAmount bstrTranNumber bstrTranDate bstrPrtOpt bstrUserData", Int, ServeTextRequest, Req(TR::CreditCancel2)},
  ServiceMethod{51, "CashReceiptCancel2", "bstrWcc bstrTrack bstrTranType bstrTranAmount bstrTranNumber bstrTranDate bstrPrtOpt bstrUserData", Int, ServeTextRequest, Req(TR::CashReceiptCancel2)},
  ServiceMethod{52, "OpenCashPayingMachine", "", Int, ServeOpenCashPayingMachine, 0},
  ServiceMethod{53, "ExFreeStylePrint", "bstrData iSize", Int, ServeExFreeStylePrint, 0},
  ServiceMethod{54, "UploadImageToCAT", "bstrData iSize", Int, ServeUploadImageToCAT, 0},
  ServiceMethod{55, "InitCAT", "", Int, ServeInitCAT, 0},
  ServiceMethod{56, "Track2AndIDRead", "", Int, ServeTextRequest, Req(TR::Track2AndIDRead)},
  ServiceMethod{57, "SignRead", "bstrCatID bstrSeqNumber bstrCardNum", Int, ServeTextRequest, Req(TR::SignRead)},
  ServiceMethod{58, "FreeStyleTran", "bstrCommType bstrUserData", Int, ServeTextRequest, Req(TR::FreeStyleTran)},
  ServiceMethod{59, "GetFreeStyleTranResult", "", Getter, ServeGetter, Get(RF::FreeStyleTranResult)},
  ServiceMethod{60, "GetFreeStyleTranResMsg", "", Getter, ServeGetter, Get(RF::FreeStyleTranResMsg)},
  ServiceMethod{61, "Track2AndSignWAmountInfo", "bstrCatID bstrSeqNumber bstrAmount bstrInst", Int, ServeTextRequest, Req(TR::Track2AndSignWAmountInfo)},
  ServiceMethod{62, "CreditAuthAndSignPrintFull", "bstrResCode bstrCatID bstrSeqNumber bstrCard bstrQuota bstrAuthTime bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrBusinessNum bstrRepName bstrRetailName bstrRetailAddr bstrRetailPhone bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CreditAuthAndSignPrintFull)},
  ServiceMethod{63, "CreditCancelAndSignPrintFull", "bstrResCode bstrCatID bstrSeqNumber bstrCard bstrQuota bstrAuthTime bstrAuthDate bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNum bstrIssueName bstrMemberNum bstrBusinessNum bstrRepName bstrRetailName bstrRetailAddr bstrRetailPhone bstrNotice bstrPurchase bstrBroad bstrCashAuthNum bstrCashBroad", Int, ServeTextRequest, Req(TR::CreditCancelAndSignPrintFull)},
  ServiceMethod{64, "CashReceiptAuthPrintFull", "bstrResCode bstrCatID bstrCard bstrQuota bstrAuthTime bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNumber bstrIssuerName bstrMemberNumber bstrBizNumber bstrBossName bstrBizName bstrBizAddr bstrBizTel bstrNotice bstrAcquirerName bstrBroad bstrCashNumber bstrCashBroad", Int, ServeTextRequest, Req(TR::CashReceiptAuthPrintFull)},
  ServiceMethod{65, "CashReceiptCancelPrintFull", "bstrResCode bstrCatID bstrCard bstrQuota bstrAuthTime bstrBeforeAuthDate bstrAuthAmount bstrServiceAmount bstrTaxAmount bstrAuthNumber bstrIssuerName bstrMemberNumber bstrBizNumber bstrBossName bstrBizName bstrBizAddr bstrBizTel bstrNotice bstrAcquirerName bstrBroad bstrCashNumber bstrCashBroad", Int, ServeTextRequest, Req(TR::CashReceiptCancelPrintFull)},
};
// clang-format on

static_assert(kMethods.size() == 65);

}  // namespace

std::span<const ServiceMethod> ServiceMethods() { return kMethods; }

const ServiceMethod* FindServiceMethod(int dispid) {
  if (dispid < 1 || dispid > static_cast<int>(kMethods.size())) return nullptr;
  return &kMethods[static_cast<std::size_t>(dispid - 1)];
}

const ServiceMethod* FindServiceMethod(std::string_view name) {
  for (const auto& method : kMethods) {
    if (method.name == name) return &method;
  }
  return nullptr;
}

std::vector<std::string_view> ParameterNames(const ServiceMethod& method) {
  std::vector<std::string_view> names;
  std::string_view rest = method.params;
  while (!rest.empty()) {
    const auto space = rest.find(' ');
    names.push_back(rest.substr(0, space));
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return names;
}

bool IsIntegerParameter(std::string_view name) { return name.size() > 1 && name[0] == 'i' && name[1] >= 'A' && name[1] <= 'Z'; }

}  // namespace kavorin
