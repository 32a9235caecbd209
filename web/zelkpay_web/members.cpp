// The members of ZelkPayWeb, by DISPID, with the zelkpay43 ordinal each
// reaches (zelkpay43.cpp lists the operations with their arguments).
#include <array>

#include "web/zelkpay_web/zelkpay_web.hpp"

namespace kavorin::web {
namespace {

using control::Member;
using control::MemberArgs;
using control::MemberResult;
using control::ResultKind;

ZelkPayWeb& Self(control::ControlObject& control) { return static_cast<ZelkPayWeb&>(control); }

// The member's arguments, in order, are the operation's inputs.
template <int Ordinal>
MemberResult Forward(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).Forward(Ordinal, args));
}

// The operation's output `Output` as the member's text.
template <int Ordinal, std::size_t Output = 0>
MemberResult Read(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Text(Self(control).Read(Ordinal, args, Output, false));
}

// The same, but a non-zero result gives the empty text.
template <int Ordinal>
MemberResult ReadOrEmpty(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Text(Self(control).Read(Ordinal, args, 0, true));
}

template <int Ordinal>
MemberResult SignData(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).ForwardSignData(Ordinal, args));
}

template <std::size_t Field>
MemberResult Download(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).DownloadField(Field));
}

MemberResult SetCommonData(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).SetCommonData(args));
}
MemberResult ExDevLogon(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).ExecuteExDevLogonService(args));
}
MemberResult LogonCode(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).logonCode());
}
MemberResult LogonMessage(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).logonMessage());
}
MemberResult SendRequest(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).ExecuteSendRequest(args));
}
MemberResult SendRequestResult(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).sendRequestResult());
}

constexpr auto kLong = ResultKind::Long;
constexpr auto kText = ResultKind::Text;
constexpr bool kDispatchOnly = false;

// clang-format off
constexpr Member kMembers[] = {
  {1, "Initialize", "", "", kLong, &Forward<1>},
  {2, "UnInitialize", "", "", kLong, &Forward<139>},
  {3, "SetCommonData", "", "terminal_number sequence_number pos_initial temp_info cancel_type", kLong, &SetCommonData},
  {4, "SetCreditInfo", "", "card_info input_type enc_key_info pwd_data", kLong, &Forward<3>},
  {5, "SetPointInfo", "", "card_info input_type enc_key_info pwd_data card_type", kLong, &Forward<22>},
  {6, "SetCashReceiptInfo", "", "id_info input_type tran_type", kLong, &Forward<23>},
  {7, "SetAmountInfo", "", "total_amount install_period service_amount tax_amount money_code", kLong, &Forward<4>},
  {8, "SetCancelInfo", "", "before_auth_number before_auth_date", kLong, &Forward<6>},
  {9, "SetCreditDongleInfo", "", "tran_type telecom_type payment_method card_type", kLong, &Forward<141>},
  {10, "SetPointDongleInfo", "", "tran_type telecom_type payment_method", kLong, &Forward<142>},
  {11, "SetNetManageInfo", "", "trans_date manage_info", kLong, &Forward<8>},
  {12, "SetSignInfo", "", "compress_method enc_key sign_mac sign_data", kLong, &SignData<143>},
  {13, "SetPointEtcInfo", "", "goods_code tran_type", kLong, &Forward<5>},
  {14, "SetChecksInfo", "", "checks_type checks_number bank_code branch_code issuer_date checks_code checks_amount account_number", kLong, &Forward<7>},
  {15, "SetDongleLoginInfo", "", "sw_version serial_number sam_id logon_type member_version", kLong, &Forward<144>},
  {16, "SetDownloadInfo", "", "business_number pos_version", kLong, &Forward<190>},
  {17, "ExecuteService", "", "service_type", kLong, &Forward<9>},
  {18, "SetVersion", "", "version", kLong, &Forward<10>},
  {19, "SetServiceType", "", "service_type", kLong, &Forward<11>},
  {20, "SetOperationType", "", "operation_type", kLong, &Forward<12>},
  {21, "SetCancelType", "", "cancel_type", kLong, &Forward<13>},
  {22, "SetTransportType", "", "transport_type", kLong, &Forward<14>},
  {23, "SetTerminalNumber", "", "terminal_number", kLong, &Forward<15>},
  {24, "SetMemberStoreInfo", "", "member_store_info", kLong, &Forward<16>},
  {25, "SetDevInitial", "", "dev_initial", kLong, &Forward<17>},
  {26, "SetTransactionDate", "", "trans_date", kLong, &Forward<18>},
  {27, "SetTransactionNumber", "", "trans_number", kLong, &Forward<19>},
  {28, "SetSlipFlag", "", "slip_flag", kLong, &Forward<20>},
  {29, "SetResponseCode", "", "res_code", kLong, &Forward<21>},
  {30, "SetCreditCardData", "", "card_data", kLong, &Forward<33>},
  {31, "SetCreditCardInputType", "", "credit_input_type", kLong, &Forward<34>},
  {32, "SetPointCardData", "", "card_data", kLong, &Forward<35>},
  {33, "SetPointCardInputType", "", "point_input_type", kLong, &Forward<74>},
  {34, "SetCashIdentityData", "", "id_data", kLong, &Forward<75>},
  {35, "SetCashIdentityInputType", "", "id_input_type", kLong, &Forward<76>},
  {36, "SetInstallmentPeriod", "", "install_period", kLong, &Forward<24>},
  {37, "SetMoneyCode", "", "money_code", kLong, &Forward<25>},
  {38, "SetTotalAmount", "", "total_amount", kLong, &Forward<26>},
  {39, "SetServiceAmount", "", "service_amount", kLong, &Forward<27>},
  {40, "SetTaxAmount", "", "tax_amount", kLong, &Forward<28>},
  {41, "SetApprovalNumber", "", "approval_number", kLong, &Forward<29>},
  {42, "SetApprovalDate", "", "approval_date", kLong, &Forward<30>},
  {43, "SetEncryptIndex", "", "enc_index", kLong, &Forward<31>},
  {44, "SetPwdData", "", "pwd_data", kLong, &Forward<32>},
  {45, "SetPointCardType", "", "point_card_type", kLong, &Forward<36>},
  {46, "SetPointTransactionType", "", "point_trans_type", kLong, &Forward<37>},
  {47, "SetGoodsCode", "", "goods_code", kLong, &Forward<38>},
  {48, "SetCashTransactionType", "", "cash_trans_type", kLong, &Forward<39>},
  {49, "SetChecksType", "", "checks_type", kLong, &Forward<40>},
  {50, "SetChecksNumber", "", "checks_number", kLong, &Forward<41>},
  {51, "SetBankCode", "", "bank_code", kLong, &Forward<42>},
  {52, "SetBranchCode", "", "branch_code", kLong, &Forward<43>},
  {53, "SetIssueDate", "", "issuer_date", kLong, &Forward<44>},
  {54, "SetChecksMoneyType", "", "checks_code", kLong, &Forward<45>},
  {55, "SetChecksAmount", "", "checks_amount", kLong, &Forward<46>},
  {56, "SetAccountNumber", "", "account_number", kLong, &Forward<47>},
  {57, "SetTransportDate", "", "trans_date", kLong, &Forward<48>},
  {58, "SetNetworkInfo", "", "net_info", kLong, &Forward<49>},
  {59, "SetCreditDongleTranType", "", "tran_type", kLong, &Forward<145>},
  {60, "SetCreditDongleTelecomType", "", "telecom_type", kLong, &Forward<146>},
  {61, "SetCreditDonglePaymentMethod", "", "payment_method", kLong, &Forward<147>},
  {62, "SetCreditDongleCardType", "", "card_type", kLong, &Forward<186>},
  {63, "SetPointDongleTranType", "", "tran_type", kLong, &Forward<148>},
  {64, "SetPointDongleTelecomType", "", "telecom_type", kLong, &Forward<149>},
  {65, "SetPointDonglePaymentMethod", "", "payment_method", kLong, &Forward<150>},
  {66, "SetDSCSignCompressMethod", "", "compress_method", kLong, &Forward<151>},
  {67, "SetDSCSignEncKey", "", "enc_key", kLong, &Forward<152>},
  {68, "SetDSCSignMac", "", "hash_data", kLong, &Forward<153>},
  {69, "SetDSCSignData", "", "sign_data", kLong, &SignData<154>},
  {70, "SetDongleVersion", "", "sw_version", kLong, &Forward<155>},
  {71, "SetDongleSerialNo", "", "serial_no", kLong, &Forward<156>},
  {72, "SetDongleSAMID", "", "sam_id", kLong, &Forward<157>},
  {73, "SetDongleLogonType", "", "logon_type", kLong, &Forward<158>},
  {74, "SetDongleMemberVersion", "", "member_version", kLong, &Forward<159>},
  {75, "GetVersion", "", "", kText, &Read<51>},
  {76, "GetServiceType", "", "", kText, &Read<52>},
  {77, "GetOperationType", "", "", kText, &Read<53>},
  {78, "GetCancelType", "", "", kText, &Read<54>},
  {79, "GetTransportType", "", "", kText, &Read<55>},
  {80, "GetTerminalNumber", "", "", kText, &Read<56>},
  {81, "GetMemberStoreInfo", "", "", kText, &Read<57>},
  {82, "GetDevInitial", "", "", kText, &Read<58>},
  {83, "GetTransactionDate", "", "", kText, &Read<59>},
  {84, "GetTransactionNumber", "", "", kText, &Read<60>},
  {85, "GetSlipFlag", "", "", kText, &Read<61>},
  {86, "GetResponseCode", "", "", kText, &Read<62>},
  {87, "GetCreditCardData", "", "", kText, &Read<63>},
  {88, "GetCreditCardInputType", "", "", kText, &Read<64>},
  {89, "GetPointCardData", "", "", kText, &Read<133>},
  {90, "GetPointCardInputType", "", "", kText, &Read<134>},
  {91, "GetCashIdentityData", "", "", kText, &Read<135>},
  {92, "GetCashIdentityInputType", "", "", kText, &Read<136>},
  {93, "GetInstallmentPeriod", "", "", kText, &Read<65>},
  {94, "GetMoneyCode", "", "", kText, &Read<66>},
  {95, "GetTotalAmount", "", "", kText, &Read<67>},
  {96, "GetServiceAmount", "", "", kText, &Read<68>},
  {97, "GetTaxAmount", "", "", kText, &Read<69>},
  {98, "GetApprovalNumber", "", "", kText, &Read<70>},
  {99, "GetApprovalDate", "", "", kText, &Read<71>},
  {100, "GetEncryptIndex", "", "", kText, &Read<72>},
  {101, "GetPwdData", "", "", kText, &Read<73>},
  {102, "GetPointCardType", "", "", kText, &Read<77>},
  {103, "GetPointTransactionType", "", "", kText, &Read<78>},
  {104, "GetGoodsCode", "", "", kText, &Read<79>},
  {105, "GetCashTransactionType", "", "", kText, &Read<90>},
  {106, "GetChecksType", "", "", kText, &Read<80>},
  {107, "GetChecksNumber", "", "", kText, &Read<81>},
  {108, "GetBankCode", "", "", kText, &Read<82>},
  {109, "GetBranchCode", "", "", kText, &Read<83>},
  {110, "GetIssueDate", "", "", kText, &Read<84>},
  {111, "GetChecksMoneyType", "", "", kText, &Read<85>},
  {112, "GetChecksAmount", "", "", kText, &Read<86>},
  {113, "GetAccountNumber", "", "", kText, &Read<87>},
  {114, "GetTransportDate", "", "", kText, &Read<88>},
  {115, "GetNetworkInfo", "", "", kText, &Read<89>},
  {116, "GetAuthNumber", "", "", kText, &Read<92>},
  {117, "GetAuthDate", "", "", kText, &Read<140>},
  {118, "GetCardCorpResponseCode", "", "", kText, &Read<93>},
  {119, "GetMemberStoreNumber", "", "", kText, &Read<94>},
  {120, "GetDDCEnable", "", "", kText, &Read<95>},
  {121, "GetDDCSlipNumber", "", "", kText, &Read<96>},
  {122, "GetResponseMessage", "", "", kText, &Read<97>},
  {123, "GetResponseMessage1", "", "", kText, &Read<98>},
  {124, "GetResponseMessage2", "", "", kText, &Read<99>},
  {125, "GetCardName", "", "", kText, &Read<100>},
  {126, "GetIssuerCode", "", "", kText, &Read<101>},
  {127, "GetIssuerName", "", "", kText, &Read<102>},
  {128, "GetPurchaseCode", "", "", kText, &Read<103>},
  {129, "GetPurchaseName", "", "", kText, &Read<104>},
  {130, "GetGiftBalanceMoney", "", "", kText, &Read<105>},
  {131, "GetNotice", "", "", kText, &Read<106>},
  {132, "GetCreditOCBResponseCode", "", "", kText, &Read<107>},
  {133, "GetCustomerName", "", "", kText, &Read<108>},
  {134, "GetSavePoint", "", "", kText, &Read<109>},
  {135, "GetAccumulatePoint", "", "", kText, &Read<110>},
  {136, "GetUsablePoint", "", "", kText, &Read<111>},
  {137, "GetBroadcastMessage", "", "", kText, &Read<112>},
  {138, "GetBroadcastMessage1", "", "", kText, &Read<113>},
  {139, "GetBroadcastMessage2", "", "", kText, &Read<114>},
  {140, "GetBroadcastMessage3", "", "", kText, &Read<115>},
  {141, "GetBroadcastMessage4", "", "", kText, &Read<116>},
  {142, "GetPointType", "", "", kText, &Read<117>},
  {143, "GetPointCashResponseCode", "", "", kText, &Read<118>},
  {144, "GetPointCashAuthNumber", "", "", kText, &Read<119>},
  {145, "GetPointCashBroadMessage", "", "", kText, &Read<120>},
  {146, "GetPointCashBroadMessage1", "", "", kText, &Read<121>},
  {147, "GetPointCashBroadMessage2", "", "", kText, &Read<122>},
  {148, "GetBusinessNumber", "", "", kText, &Read<123>},
  {149, "GetChecksResponseDate", "", "", kText, &Read<124>},
  {150, "GetCreditDongleTranType", "", "", kText, &Read<160>},
  {151, "GetCreditDongleTelecomType", "", "", kText, &Read<161>},
  {152, "GetCreditDonglePaymentMethod", "", "", kText, &Read<162>},
  {153, "GetCreditDongleCardType", "", "", kText, &Read<187>},
  {154, "GetPointDongleTranType", "", "", kText, &Read<163>},
  {155, "GetPointDongleTelecomType", "", "", kText, &Read<164>},
  {156, "GetPointDonglePaymentMethod", "", "", kText, &Read<165>},
  {157, "GetDongleVersion", "", "", kText, &Read<166>},
  {158, "GetDongleSerialNo", "", "", kText, &Read<167>},
  {159, "GetDongleSAMID", "", "", kText, &Read<168>},
  {160, "GetDongleLogonType", "", "", kText, &Read<169>},
  {161, "GetDongleMemberVersion", "", "", kText, &Read<170>},
  {162, "GetDongleLogonKeyIndex", "", "", kText, &Read<171>},
  {163, "GetDongleLogonDESTPK", "", "", kText, &Read<172>},
  {164, "GetDongleLogonResponseMessage", "", "", kText, &Read<173>},
  {165, "GetDongleLogonResponseMessage1", "", "", kText, &Read<174>},
  {166, "GetDongleLogonResponseMessage2", "", "", kText, &Read<175>},
  {167, "GetDongleLogonBroadcastMessage", "", "", kText, &Read<176>},
  {168, "GetDongleLogonBroadcastMessage1", "", "", kText, &Read<177>},
  {169, "GetDongleLogonBroadcastMessage2", "", "", kText, &Read<178>},
  {170, "GetDongleLogonBroadcastMessage3", "", "", kText, &Read<179>},
  {171, "GetDongleLogonBroadcastMessage4", "", "", kText, &Read<180>},
  {172, "GetDongleLogonMemberCount", "", "", kText, &Read<181>},
  {173, "GetDongleLogonMemberName", "", "index:long", kText, &Read<182>},
  {174, "GetRequestText", "", "service_type", kText, &ReadOrEmpty<137>},
  {175, "GetResponseText", "", "", kText, &Read<138>},
  {176, "ReadTerminalNumber", "", "", kText, &Read<184>},
  {177, "ReadTranSequenceNumber", "", "", kText, &Read<185>},
  {178, "GetOrderNumber", "", "", kText, &Read<188>},
  {179, "GetPointBackDiscountData", "", "", kText, &Read<189>},
  {180, "GetPointBackResultData", "", "", kText, &Read<189, 1>},
  {181, "SetDownloadData", "", "business_number pos_version", kLong, &Forward<190>},
  {182, "GetDownloadResponseMsg", "", "", kText, &Download<0>},
  {183, "GetDownloadProductNumber", "", "", kText, &Download<1>},
  {184, "GetDownloadBossName", "", "", kText, &Download<2>},
  {185, "GetDownloadMemberName", "", "", kText, &Download<3>},
  {186, "GetDownloadMemberAddr", "", "", kText, &Download<4>},
  {187, "GetDownloadMemeberTel", "", "", kText, &Download<5>},
  {188, "GetDownloadAgencyTel", "", "", kText, &Download<6>},
  {189, "SendDownload", "", "request_data", kText, &ReadOrEmpty<192>},
  {190, "GetSequenceNum", "", "", kText, &ReadOrEmpty<0>},
  {191, "ExecuteExDevLogonService", "", "in_terminal_no in_device_num in_dev_code in_dev_productnum in_hardware_version in_soft_version in_sam_info", kLong, &ExDevLogon},
  {192, "GetExDevLogonResCode", "", "", kText, &LogonCode},
  {193, "GetExDevLogonResMsg", "", "", kText, &LogonMessage},
  {194, "ExecuteSendRequest", "", "data", kLong, &SendRequest, kDispatchOnly},
  {195, "GetSendRequestResult", "", "", kText, &SendRequestResult, kDispatchOnly},
  {196, "GetCheckCardFlag", "", "", kText, &Read<251>},
  {197, "SetLog", "", "data", kLong, &Forward<271>},
};
// clang-format on

static_assert(std::size(kMembers) == 197 && control::DispidsRunFromOne(kMembers), "one row a DISPID, 1 to 197 in order");

constexpr control::ControlIdentity kIdentity = {
    .moduleName = "ZelkPayWeb.ocx",
    .typeLibraryName = "ZELKPAYWEBLib",
    .libid = "{9A6BFF3D-6C09-4149-9238-8C112812D60A}",
    .versionMajor = 1,
    .versionMinor = 0,
    .typeLibraryHelp = "ZelkPayWeb ActiveX Control module",
    .dispatchName = "_DZelkPayWeb",
    .dispatchIid = "{30C392ED-3673-4F04-AE45-AF5D9E681AFE}",
    .eventsName = "_DZelkPayWebEvents",
    .eventsIid = "{6A1061C5-8BEC-4645-8C20-A127A9C15C06}",
    .coclassName = "ZelkPayWeb",
    .clsid = "{BE32395A-37A4-4765-80F5-2B46B6ED61CA}",
    .progId = "ZELKPAYWEB.ZelkPayWebCtrl.1",
    .typeName = "ZelkPayWeb Control",
    .miscStatus = control::kScriptableControlMiscStatus,
    .toolboxBitmap = 1,
    .pageClsid = "{08FB9A0C-0ED9-4854-8190-B5D9896715E7}",
    .pageProgId = "ZELKPAYWEB.ZelkPayWebPropPage.1",
    .pageTypeName = "ZelkPayWeb Property Page",
    .pageCaption = "General",
    .aboutCaption = "About ZelkPayWeb Control",
    .aboutText = "ZelkPayWeb Control, Version 1.0",
    .persistedVersion = 0x00010000,
};

}  // namespace

std::span<const control::Member> ZelkPayWebMembers() { return kMembers; }
const control::ControlIdentity& ZelkPayWebIdentity() { return kIdentity; }

}  // namespace kavorin::web
