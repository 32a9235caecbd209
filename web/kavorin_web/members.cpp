// The members of KAVORIN_Web, by DISPID. Transactions, getters and prints
// reach the library export by its ordinal, as the control imports it; the
// export's name and parameters live in the export table
// (contract/export_table.hpp) only.
#include <array>

#include "web/kavorin_web/des_text.hpp"
#include "web/kavorin_web/kavorin_web.hpp"

namespace kavorin::web {
namespace {

using control::Member;
using control::MemberArgs;
using control::MemberResult;
using control::ResultKind;

KavorinWeb& Self(control::ControlObject& control) { return static_cast<KavorinWeb&>(control); }

template <int Ordinal>
MemberResult Transaction(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).RunTransaction(Ordinal, args));
}

template <Value V>
MemberResult Store(control::ControlObject& control, MemberArgs args) {
  Self(control).Store(V, args[0]);
  return MemberResult::None();
}

template <int Ordinal, std::size_t Bytes>
MemberResult Getter(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).Get(Ordinal, Bytes));
}

template <std::size_t Index>
MemberResult Print(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).RunPrint(KavorinWebPrints()[Index], args));
}

MemberResult PrintDataInit(control::ControlObject& control, MemberArgs) {
  Self(control).ClearValues();
  return MemberResult::None();
}

MemberResult ServiceExit(control::ControlObject& control, MemberArgs) {
  Self(control).ServiceExit();
  return MemberResult::None();
}

MemberResult Encrypt(control::ControlObject&, MemberArgs args) { return MemberResult::Text(DesEncryptBase64(args[0])); }
MemberResult Decrypt(control::ControlObject&, MemberArgs args) { return MemberResult::Text(DesDecryptBase64(args[0])); }

MemberResult SignDataAscii(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).GetSignDataAscii());
}

MemberResult SignDataToBmp(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).SignDataToBmp(args));
}

// Placeholders: fixed answers, no library call.
MemberResult TrackDataKorex(control::ControlObject&, MemberArgs) { return MemberResult::Variant("1234567890"); }
MemberResult ParkSSuggestion(control::ControlObject&, MemberArgs) { return MemberResult::Variant("test"); }

constexpr auto kLong = ResultKind::Long;
constexpr auto kText = ResultKind::Text;
constexpr auto kNone = ResultKind::None;
constexpr auto kVariant = ResultKind::Variant;

// clang-format off
constexpr VoucherPrint kPrints[] = {
  // 0: CreditAuthResultPrint
  {VoucherCheck::CreditApproval, 12, {BaseList::Credit, Lead::None, false}, 12, {BaseList::Credit, Lead::None, false}},
  // 1: CreditCancelResultPrint
  {VoucherCheck::CreditCancel, 13, {BaseList::CreditCancel, Lead::None, false}, 13, {BaseList::CreditCancel, Lead::None, false}},
  // 2: CashReceiptAuthPrint
  {VoucherCheck::CashReceiptApproval, 14, {BaseList::CashReceipt, Lead::None, false}, 36, {BaseList::CashReceipt, Lead::None, true}},
  // 3: CashReceiptCancelPrint
  {VoucherCheck::CashReceiptCancel, 15, {BaseList::CashReceiptCancel, Lead::None, false}, 37, {BaseList::CashReceiptCancel, Lead::None, true}},
  // 4: CreditAuthAndSignPrint
  {VoucherCheck::CreditApproval, 46, {BaseList::Credit, Lead::CatIdSeqNum, false}, 63, {BaseList::Credit, Lead::CatIdSeqNum, true}},
  // 5: CreditCancelAndSignPrint: the approval check, so BeforeTranDate is passed but not checked
  {VoucherCheck::CreditApproval, 47, {BaseList::CreditCancel, Lead::CatIdSeqNum, false}, 66, {BaseList::CreditCancel, Lead::CatIdSeqNum, true}},
  // 6: CashReceiptAuthPrintFull: the stored values, business values always
  {VoucherCheck::CashReceiptApproval, 64, {BaseList::CashReceipt, Lead::CatId, true}, 64, {BaseList::CashReceipt, Lead::CatId, true}},
  // 7: CashReceiptCancelPrintFull
  {VoucherCheck::CashReceiptCancel, 65, {BaseList::CashReceiptCancel, Lead::CatId, true}, 65, {BaseList::CashReceiptCancel, Lead::CatId, true}},
};

constexpr Member kMembers[] = {
  {1, "CreditAuth", "", "strWcc strTrackData strInstallmentData strAmount strPrintOpt", kLong, &Transaction<2>},
  {2, "CreditCancel", "", "strWcc strTrackData strInstallmentData strBeforeTranAmount strBeforeTranNumber strBeforeTranDate strPrintOpt", kLong, &Transaction<7>},
  {3, "CashReceiptAuth", "", "strWcc strTrackData strTranType strAmount strPrintOpt", kLong, &Transaction<6>},
  {4, "CashReceiptCancel", "", "strWcc strTrackData strTranType strBeforeTranAmount strBeforeTranNumber strBeforeTranDate strPrintOpt", kLong, &Transaction<8>},
  {5, "Track2Read", "", "", kLong, &Transaction<9>},
  {6, "Track3Read", "", "", kLong, &Transaction<10>},
  {7, "CashApprovalPrint", "", "strAmount strPrintOpt", kLong, &Transaction<5>},
  {8, "CashCancelPrint", "", "strBeforeTranAmount strBeforeTranDate strPrintOpt", kLong, &Transaction<11>},
  {9, "CreditAuthResultPrint", "", "", kLong, &Print<0>},
  {10, "SetResCodePrintData", "", "strResCode", kNone, &Store<Value::ResCode>},
  {11, "SetCardNumPrintData", "", "strCardData", kNone, &Store<Value::CardNum>},
  {12, "SetInstallmentPrintData", "", "strInstallment", kNone, &Store<Value::Installment>},
  {13, "SetTranTypePrintData", "", "strTranType", kNone, &Store<Value::TranType>},
  {14, "SetAuthTimePrintData", "", "strAuthTime", kNone, &Store<Value::AuthTime>},
  {15, "SetBeforeTranDatePrintData", "", "strBeforeTranDate", kNone, &Store<Value::BeforeTranDate>},
  {16, "SetAuthAmountPrintData", "", "strAuthAmount", kNone, &Store<Value::AuthAmount>},
  {17, "SetServiceAmountPrintData", "", "strServiceAmount", kNone, &Store<Value::ServiceAmount>},
  {18, "SetTaxAmountPrintData", "", "strTaxAmount", kNone, &Store<Value::TaxAmount>},
  {19, "SetAuthNumberPrintData", "", "strAuthNumber", kNone, &Store<Value::AuthNumber>},
  {20, "SetIssuerNamePrintData", "", "strIssuerName", kNone, &Store<Value::IssuerName>},
  {21, "SetMemberNumPrintData", "", "strMemberNum", kNone, &Store<Value::MemberNum>},
  {22, "SetNoticePrintData", "", "strNotice", kNone, &Store<Value::Notice>},
  {23, "SetAcquirNamePrintData", "", "strAcquirName", kNone, &Store<Value::AcquirName>},
  {24, "SetAnnouncePrintData", "", "strAnnounce", kNone, &Store<Value::Announce>},
  {25, "SetCashReceiptAuthNumPrintData", "", "strCashReceiptAuthNum", kNone, &Store<Value::CashReceiptAuthNum>},
  {26, "SetCashReceiptAnnouncePrintData", "", "strCashReceiptAnnounce", kNone, &Store<Value::CashReceiptAnnounce>},
  {27, "PrintDataInit", "", "", kNone, &PrintDataInit},
  {28, "CreditCancelResultPrint", "", "", kLong, &Print<1>},
  {29, "CashReceiptAuthPrint", "", "", kLong, &Print<2>},
  {30, "CashReceiptCancelPrint", "", "", kLong, &Print<3>},
  {31, "GetResponseCode", "", "", kText, &Getter<17, kTextGetterBytes>},
  {32, "GetCardNumber", "", "", kText, &Getter<18, kTextGetterBytes>},
  {33, "GetInstallmentData", "", "", kText, &Getter<19, kTextGetterBytes>},
  {34, "GetCashReceiptTranType", "", "", kText, &Getter<20, kTextGetterBytes>},
  {35, "GetAuthTime", "", "", kText, &Getter<21, kTextGetterBytes>},
  {36, "GetBeforeAuthDate", "", "", kText, &Getter<22, kTextGetterBytes>},
  {37, "GetAuthAmount", "", "", kText, &Getter<23, kTextGetterBytes>},
  {38, "GetAuthNumber", "", "", kText, &Getter<24, kTextGetterBytes>},
  {39, "GetIssuerCode", "", "", kText, &Getter<25, kTextGetterBytes>},
  {40, "GetMemberNumber", "", "", kText, &Getter<26, kTextGetterBytes>},
  {41, "GetDDCFlag", "", "", kText, &Getter<27, kTextGetterBytes>},
  {42, "GetNotice", "", "", kText, &Getter<28, kTextGetterBytes>},
  {43, "GetAcquirCode", "", "", kText, &Getter<29, kTextGetterBytes>},
  {44, "GetDisplayData", "", "", kText, &Getter<30, kTextGetterBytes>},
  {45, "GetAnnounceData", "", "", kText, &Getter<31, kTextGetterBytes>},
  {46, "GetCashReceiptAuthNumber", "", "", kText, &Getter<32, kTextGetterBytes>},
  {47, "GetCashReceiptAnnounceData", "", "", kText, &Getter<33, kTextGetterBytes>},
  {48, "GetWCC", "", "", kText, &Getter<34, kTextGetterBytes>},
  {49, "GetTrackData", "", "", kText, &Getter<35, kTextGetterBytes>},
  {50, "ServiceExit", "", "", kNone, &ServiceExit},
  {51, "DESEncryptBase64", "", "strData", kText, &Encrypt},
  {52, "DESDecryptBase64", "", "strData", kText, &Decrypt},
  {53, "SetBizNumber", "", "strBizNum", kNone, &Store<Value::BizNumber>},
  {54, "SetBossName", "", "strBossName", kNone, &Store<Value::BossName>},
  {55, "SetBizName", "", "strBizName", kNone, &Store<Value::BizName>},
  {56, "SetBizAddress", "", "strBizAddr", kNone, &Store<Value::BizAddress>},
  {57, "SetBizTelephone", "", "strBizTel", kNone, &Store<Value::BizTelephone>},
  {58, "CreditAuth2", "", "strWcc strTrackData strInstallmentData strAmount strPrintOpt strUserData", kLong, &Transaction<48>},
  {59, "CreditCancel2", "", "strWcc strTrackData strInstallmentData strBeforeTranAmount strBeforeTranNumber strBeforeTranDate strPrintOpt strUserData", kLong, &Transaction<50>},
  {60, "CashReceiptAuth2", "", "strWcc strTrackData strTranType strAmount strPrintOpt strUserData", kLong, &Transaction<49>},
  {61, "CashReceiptCancel2", "", "strWcc strTrackData strTranType strBeforeAmount strBeforeTranNumber strBeforeTranDate strPrintOpt strUserData", kLong, &Transaction<51>},
  {62, "Track2AndSignRead", "", "catid seq_num", kLong, &Transaction<38>},
  {63, "GetSignPADComMethod", "", "", kText, &Getter<43, kCompressMethodBytes>},
  {64, "GetSignPADHashValue", "", "", kText, &Getter<44, kHashBytes>},
  {65, "GetSignPADSignData", "", "", kText, &Getter<45, kSignDataBytes>},
  {66, "GetTrackData_KOREX", "", "strData", kVariant, &TrackDataKorex},
  {67, "ParkSSuggestion", "", "", kVariant, &ParkSSuggestion},
  {68, "Track2AndIDRead", "", "", kLong, &Transaction<70>},
  {69, "ExFreeStylePrint", "FreeStylePrint", "strData", kLong, &Transaction<54>},
  {70, "ImageUpload", "", "strData", kLong, &Transaction<55>},
  {71, "GetSignPADSignDataASCII", "", "", kText, &SignDataAscii},
  {72, "SignDataToBMP", "", "strIndex strCatID strCardNum strSeqNum strSignData strFilePath", kLong, &SignDataToBmp},
  {73, "Track2AndSignReadWithValue", "", "catid seq_num amount installment", kLong, &Transaction<62>},
  {74, "CashReceiptAuthPrintFull", "", "catid", kLong, &Print<6>},
  {75, "CashReceiptCancelPrintFull", "", "catid", kLong, &Print<7>},
  {76, "CreditAuthAndSignPrint", "", "catid seq_num", kLong, &Print<4>},
  {77, "CreditCancelAndSignPrint", "", "catid seq_num", kLong, &Print<5>},
};
// clang-format on

static_assert(std::size(kMembers) == 77 && control::DispidsRunFromOne(kMembers), "one row a DISPID, 1 to 77 in order");

constexpr control::ControlIdentity kIdentity = {
    .moduleName = "KAVORIN_Web.ocx",
    .typeLibraryName = "KAVORIN_WEBLib",
    .libid = "{65B1F153-F52F-483E-B22F-8723F3D8F570}",
    .versionMajor = 1,
    .versionMinor = 0,
    .typeLibraryHelp = "KAVORIN_Web ActiveX Control module",
    .dispatchName = "_DKAVORIN_Web",
    .dispatchIid = "{56567007-11F9-4F9E-A23F-5C242BED05A5}",
    .eventsName = "_DKAVORIN_WebEvents",
    .eventsIid = "{DA0B606E-BFE3-4BCB-AF7D-2FCB6E01BB09}",
    .coclassName = "KAVORIN_Web",
    .clsid = "{E636ACE5-0F60-493A-A55C-1543C0FBD144}",
    .progId = "KAVORINWEB.KAVORINWebCtrl.1",
    .typeName = "KAVORIN_Web Control",
    .miscStatus = control::kScriptableControlMiscStatus,
    .toolboxBitmap = 1,
    .pageClsid = "{F2F09AB9-F3A7-4D97-AB4B-8F31E6A073F4}",
    .pageProgId = "KAVORINWEB.KAVORINWebPropPage.1",
    .pageTypeName = "KAVORIN_Web Property Page",
    .pageCaption = "General",
    .aboutCaption = "About KAVORIN_Web Control",
    .aboutText = "KAVORIN_Web Control, Version 1.0",
    .persistedVersion = 0x00010000,
};

}  // namespace

std::span<const control::Member> KavorinWebMembers() { return kMembers; }
std::span<const VoucherPrint> KavorinWebPrints() { return kPrints; }
const control::ControlIdentity& KavorinWebIdentity() { return kIdentity; }

}  // namespace kavorin::web
