#include "client/api/export_table.hpp"

#include <array>

namespace kavorin {
namespace {

constexpr std::string_view kResultFailure = "결과 데이터 요청 기능 호출이 실패하였습니다.";

// clang-format off
constexpr std::array<ExportEntry, 70> kExports = {{
  {1, "KAVORIN_COMCreate", false, "StartComPort", "", "KAVORIN 통신을 위한 COM Port 생성이 실패하였습니다."},
  {2, "KAVORIN_CreditAuth", false, "CreditAuth", "wcc track quota amount prtOpt", "신용승인 기능 호출이 실패 하였습니다."},
  {3, "KAVORIN_COMStatus", false, "StatusCheck", "", ""},
  {4, "KAVORIN_ServiceTerminate", false, "ServiceTerminate", "", "서비스 종료를 위한 기능 호출이 실패 하였습니다."},
  {5, "KAVORIN_CashApprovalPrint", false, "CashApprovalPrint", "amount prtOpt", "현금 승인 기능 호출이 실패하였습니다."},
  {6, "KAVORIN_CashReceiptAuth", false, "CashReceiptAuth", "wcc track tranType amount prtOpt", "현금영수증 승인 기능 호출이 실패 하였습니다."},
  {7, "KAVORIN_CreditCancel", false, "CreditCancel", "wcc track quota tranAmount tranNumber tranDate prtOpt", "신용취소 기능 호출이 실패 하였습니다."},
  {8, "KAVORIN_CashReceiptCancel", false, "CashReceiptCancel", "wcc track tranType tranAmount tranNumber tranDate prtOpt", "현금영수증 취소 기능 호출이 실패 하였습니다."},
  {9, "KAVORIN_Track2Read", false, "Track2Read", "", "Track2Data 읽기 기능 호출이 실패 하였습니다."},
  {10, "KAVORIN_Track3Read", false, "Track3Read", "", "Track3Data 읽기 기능 호출이 실패 하였습니다."},
  {11, "KAVORIN_CashCancelPrint", false, "CashCancelPrint", "tranAmount tranDate prtOpt", "현금 취소 기능 호출이 실패하였습니다."},
  {12, "KAVORIN_CreditAuthResultPrint", false, "CreditAuthResultPrint", "resCode card quota authTime authAmount serviceAmount taxAmount authNum issueName memberNum notice purchase broad cashAuthNum cashBroad", "신용 승인 응답 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {13, "KAVORIN_CreditCancelResultPrint", false, "CreditCancelResultPrint", "resCode card quota authTime authDate authAmount serviceAmount taxAmount authNum issueName memberNum notice purchase broad cashAuthNum cashBroad", "신용 취소 응답 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {14, "KAVORIN_CashReceiptAuthResultPrint", false, "CashReceiptAuthResultPrint", "resCode card quota authTime authAmount serviceAmount taxAmount authNum issueName memberNum notice purchase broad cashAuthNum cashBroad", "현금영수증 승인 응답 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {15, "KAVORIN_CashReceiptCancelResultPrint", false, "CashReceiptCancelResultPrint", "resCode card quota authTime authDate authAmount serviceAmount taxAmount authNum issueName memberNum notice purchase broad cashAuthNum cashBroad", "현금영수증 취소 응답 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {16, "KAVORIN_FreeStylePrint", false, "FreeStylePrint", "data", "FreeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {17, "KAVORIN_GetResponseCode", false, "GetResponseCode", "buffer", kResultFailure},
  {18, "KAVORIN_GetCardNumber", false, "GetCardNumber", "buffer", kResultFailure},
  {19, "KAVORIN_GetInstallmentData", false, "GetInstallmentData", "buffer", kResultFailure},
  {20, "KAVORIN_GetCashReceiptTranType", false, "GetCashReceiptType", "buffer", kResultFailure},
  {21, "KAVORIN_GetAuthTime", false, "GetAuthTime", "buffer", kResultFailure},
  {22, "KAVORIN_GetBeforeAuthDate", false, "GetBeforeAuthDate", "buffer", kResultFailure},
  {23, "KAVORIN_GetAuthAmount", false, "GetAuthAmount", "buffer", kResultFailure},
  {24, "KAVORIN_GetAuthNumber", false, "GetAuthNumber", "buffer", kResultFailure},
  {25, "KAVORIN_GetIssuerCode", false, "GetIssueCode", "buffer", kResultFailure},
  {26, "KAVORIN_GetMemberNumber", false, "GetMemberNumber", "buffer", kResultFailure},
  {27, "KAVORIN_GetDDCFlag", false, "GetDDCFlag", "buffer", kResultFailure},
  {28, "KAVORIN_GetNotice", false, "GetNotice", "buffer", kResultFailure},
  {29, "KAVORIN_GetAcquireCode", false, "GetAcquireCode", "buffer", kResultFailure},
  {30, "KAVORIN_GetDisplayData", false, "GetDisplayData", "buffer", kResultFailure},
  {31, "KAVORIN_GetAnnounceData", false, "GetAnnounceData", "buffer", kResultFailure},
  {32, "KAVORIN_GetCashReceiptAuthNumber", false, "GetCashReceiptAuthNumber", "buffer", kResultFailure},
  {33, "KAVORIN_GetCashReceiptAnnounceData", false, "GetCashReceiptAnnounceData", "buffer", kResultFailure},
  {34, "KAVORIN_GetWCC", false, "GetWCC", "buffer", kResultFailure},
  {35, "KAVORIN_GetTrackData", false, "GetTrackData", "buffer", kResultFailure},
  {36, "KAVORIN_CashReceiptAuthPrint", false, "CashReceiptAuthPrint", "resCode card quota authTime authAmount serviceAmount taxAmount authNumber issuerName memberNumber bizNumber bossName bizName bizAddr bizTel notice acquirerName broad cashNumber cashBroad", "현금영수증 승인 응답 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {37, "KAVORIN_CashReceiptCancelPrint", false, "CashReceiptCancelPrint", "resCode card quota authTime beforeAuthDate authAmount serviceAmount taxAmount authNumber issuerName memberNumber bizNumber bossName bizName bizAddr bizTel notice acquirerName broad cashNumber cashBroad", "현금영수증 취소 응답 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {38, "KAVORIN_Track2AndSign", false, "Track2AndSign", "catID seqNumber", "Track2Data 읽기 기능 호출이 실패 하였습니다."},
  {39, "KAVORIN_SignPADLCDType", false, "GetSignPADLCDType", "buffer", kResultFailure},
  {40, "KAVORIN_SignPADDefineFunction", false, "GetSignPADDefineFunction", "buffer", kResultFailure},
  {41, "KAVORIN_SignPADModelno", false, "GetSignPADModelNumber", "buffer", kResultFailure},
  {42, "KAVORIN_SignPADSWVersion", false, "GetSignPADSWVersion", "buffer", kResultFailure},
  {43, "KAVORIN_SignPADCompressMethod", false, "GetSignPADCompressMethod", "buffer", kResultFailure},
  {44, "KAVORIN_SignPADHashData", false, "GetSignPADHashData", "buffer", kResultFailure},
  {45, "KAVORIN_SignPADSignData", false, "GetSignPADSignData", "buffer", kResultFailure},
  {46, "KAVORIN_CreditAuthAndSignPrint", false, "CreditAuthAndSignPrint", "resCode catID seqNumber card quota authTime authAmount serviceAmount taxAmount authNum issueName memberNum notice purchase broad cashAuthNum cashBroad", "신용 승인 응답 전표 인쇄 요청(사인인쇄 포함) 기능 호출이 실패하였습니다."},
  {47, "KAVORIN_CreditCancelAndSignPrint", false, "CreditCancelAndSignPrint", "resCode catID seqNumber card quota authTime authDate authAmount serviceAmount taxAmount authNum issueName memberNum notice purchase broad cashAuthNum cashBroad", "신용 취소 응답 전표 인쇄 요청(사인포함) 기능 호출이 실패하였습니다."},
  {48, "KAVORIN_CreditAuth2", false, "CreditAuth2", "wcc track quota amount prtOpt userData", "신용승인 기능 호출이 실패 하였습니다."},
  {49, "KAVORIN_CashReceiptAuth2", false, "CashReceiptAuth2", "wcc track tranType amount prtOpt userData", "현금영수증 승인 기능 호출이 실패 하였습니다."},
  {50, "KAVORIN_CreditCancel2", false, "CreditCancel2", "wcc track quota tranAmount tranNumber tranDate prtOpt userData", "신용취소 기능 호출이 실패 하였습니다."},
  {51, "KAVORIN_CashReceiptCancel2", false, "CashReceiptCancel2", "wcc track tranType tranAmount tranNumber tranDate prtOpt userData", "현금영수증 취소(2) 기능 호출이 실패 하였습니다."},
  {52, "KAVORIN_OpenCashPayingMachine", false, "OpenCashPayingMachine", "", "금전함 OPEN 기능 호출이 실패하였습니다."},
  {53, "KAVORIN_SignPADAsciiSignData", false, "GetSignPADSignData", "buffer", kResultFailure},
  {54, "KAVORIN_ExFreeStylePrint", false, "FreeStylePrint", "data", "확장 freeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다."},
  {55, "KAVORIN_UploadImageToCAT", false, "FreeStylePrint", "path", "이미지 업로드 요청 기능 호출이 실패하였습니다."},
  {56, "KAVORIN_GetBitMapData", false, "", "path buffer", ""},
  {57, "KAVORIN_SignRead", false, "SignRead", "catID seqNumber cardNum", "SignRead 읽기 기능 호출이 실패 하였습니다."},
  {58, "KAVORIN_SignDataToBMP", false, "", "index catId cardNum seqNum signData filePath", ""},
  {59, "KAVORIN_FreeStyleTran", false, "FreeStyleTran", "commType userData", "FreeStyleTran 기능 호출이 실패 하였습니다."},
  {60, "KAVORIN_GetFreeStypeTranResult", false, "GetFreeStyleTranResult", "buffer", kResultFailure},
  {61, "KAVORIN_GetFreeStypeTranResMsg", false, "GetFreeStyleTranResMsg", "buffer", kResultFailure},
  {62, "KAVORIN_Track2AndSignWAmountInfo", false, "Track2AndSignWAmountInfo", "catID seqNumber amount inst", "Track2Data(금액 포함) 읽기 기능 호출이 실패 하였습니다."},
  {63, "KAVORIN_CreditAuthAndSignPrintFull", false, "CreditAuthAndSignPrintFull", "resCode catID seqNumber card quota authTime authAmount serviceAmount taxAmount authNum issueName memberNum businessNum repName retailName retailAddr retailPhone notice purchase broad cashAuthNum cashBroad", "신용 승인 응답 전표 인쇄 요청(사인인쇄 포함- FULL) 기능 호출이 실패하였습니다."},
  {64, "KAVORIN_CashReceiptAuthPrintFull", false, "CashReceiptAuthPrintFull", "resCode catID card quota authTime authAmount serviceAmount taxAmount authNumber issuerName memberNumber bizNumber bossName bizName bizAddr bizTel notice acquirerName broad cashNumber cashBroad", "현금영수증 승인 응답 전표 인쇄(Full) 요청 기능 호출이 실패하였습니다."},
  {65, "KAVORIN_CashReceiptCancelPrintFull", false, "CashReceiptCancelPrintFull", "resCode catID card quota authTime beforeAuthDate authAmount serviceAmount taxAmount authNumber issuerName memberNumber bizNumber bossName bizName bizAddr bizTel notice acquirerName broad cashNumber cashBroad", "현금영수증 취소 응답 전표 인쇄(Full) 요청 기능 호출이 실패하였습니다."},
  {66, "KAVORIN_CreditCancelAndSignPrintFull", true, "CreditCancelAndSignPrintFull", "resCode catID seqNumber card quota authTime authDate authAmount serviceAmount taxAmount authNum issueName memberNum businessNum repName retailName retailAddr retailPhone notice purchase broad cashAuthNum cashBroad", "신용 취소 응답 전표 인쇄 요청(사인포함 - FULL) 기능 호출이 실패하였습니다."},
  {67, "KAVORIN_GetRegCOMPort", true, "", "buffer", ""},
  {68, "KAVORIN_SetRegCOMPort", true, "", "port", ""},
  {69, "KAVORIN_StatusCheck", true, "StatusCheck", "", "결과 데이터 요청 기능 호출이 실패하였습니다."},
  {70, "KAVORIN_Track2AndIDRead", true, "Track2AndIDRead", "", "Track2AndID 읽기 기능 호출이 실패 하였습니다."},
}};
// clang-format on

}  // namespace

std::span<const ExportEntry> ExportTable() { return kExports; }

const ExportEntry& ExportByOrdinal(int ordinal) { return kExports.at(static_cast<std::size_t>(ordinal - 1)); }

const ExportEntry* FindExport(std::string_view name) {
  for (const auto& entry : kExports) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

int ArgumentCount(const ExportEntry& entry) {
  if (entry.arguments.empty()) return 0;
  int count = 1;
  for (const char c : entry.arguments) count += c == ' ' ? 1 : 0;
  return count;
}

std::string ExportedName(const ExportEntry& entry) {
  std::string name;
  if (entry.decorated) name += '_';
  name += entry.name;
  if (entry.decorated) {
    name += '@';
    name += std::to_string(4 * ArgumentCount(entry));
  }
  return name;
}

}  // namespace kavorin
