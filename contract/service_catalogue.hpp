#pragma once
// The services of the terminal, as the two processes and every shell see
// them: one row a host method, one row a client export. Everything that
// names a service (the COM forwarders, the host's method table, the export
// definitions, the ordinal table and the .def file, the command line) is
// made from these rows; the public C header and the IDL stay hand-written
// and a test holds them against the rows.
//
// Ordinals and dispatch ids are fixed: POS programs and web pages bind the
// library by ordinal, COM clients bind the interface by DISPID and vtable
// order. A new service goes at the end of its list with the next number.
#include "contract/catalogue_macros.hpp"

// The host methods, by dispatch id:
//   X(dispid, Method, Reply, Serve, (parameters))
// Reply, with the name of its [out, retval] parameter: Bool(name) (a
//   VARIANT_BOOL, 1 or 0), Int(name) (an int), Getter(name) (an [out] int
//   piResultCode and the BSTR).
// Serve: how the host answers it. Message: it builds the request message of
//   the same name; Field(F): it reads result field F of the kept response;
//   Own: the service's own method of the same name.
// clang-format off
#define KAVORIN_HOST_METHODS(X) \
  X(1, StartComPort, Bool(pbRet), Own, (Bstr(bstrCom))) \
  X(2, CreditAuth, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrQuota), Bstr(bstrAmount), Bstr(bstrPrtOpt))) \
  X(3, StatusCheck, Int(piRet), Own, ()) \
  X(4, ServiceTerminate, Int(piRet), Own, ()) \
  X(5, CashApprovalPrint, Int(piRet), Own, (Bstr(bstrAmount), Bstr(bstrPrtOpt))) \
  X(6, CashReceiptAuth, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrTranType), Bstr(bstrAmount), Bstr(bstrPrtOpt))) \
  X(7, CreditCancel, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrQuota), Bstr(bstrTranAmount), Bstr(bstrTranNumber), Bstr(bstrTranDate), Bstr(bstrPrtOpt))) \
  X(8, CashReceiptCancel, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrTranType), Bstr(bstrTranAmount), Bstr(bstrTranNumber), Bstr(bstrTranDate), Bstr(bstrPrtOpt))) \
  X(9, Track2Read, Int(piRet), Message, ()) \
  X(10, Track3Read, Int(piRet), Message, ()) \
  X(11, CashCancelPrint, Int(piRet), Message, (Bstr(bstrTranAmount), Bstr(bstrTranDate), Bstr(bstrPrtOpt))) \
  X(12, CreditAuthResultPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(13, CreditCancelResultPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthDate), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(14, CashReceiptAuthResultPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(15, CashReceiptCancelResultPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthDate), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(16, FreeStylePrint, Int(piRet), Own, (Bstr(bstrData))) \
  X(17, GetResponseCode, Getter(pbstrResCode), Field(ResponseCode), ()) \
  X(18, GetCardNumber, Getter(pbstrCardNumber), Field(CardNumber), ()) \
  X(19, GetInstallmentData, Getter(pbstrData), Field(InstallmentData), ()) \
  X(20, GetCashReceiptType, Getter(pbstrData), Field(CashReceiptType), ()) \
  X(21, GetAuthTime, Getter(pbstrData), Field(AuthTime), ()) \
  X(22, GetBeforeAuthDate, Getter(pbstrData), Field(BeforeAuthDate), ()) \
  X(23, GetAuthAmount, Getter(pbstrData), Field(AuthAmount), ()) \
  X(24, GetAuthNumber, Getter(pbstrData), Field(AuthNumber), ()) \
  X(25, GetIssueCode, Getter(pbstrData), Field(IssueCode), ()) \
  X(26, GetDDCFlag, Getter(pbstrData), Field(DDCFlag), ()) \
  X(27, GetMemberNumber, Getter(pbstrData), Field(MemberNumber), ()) \
  X(28, GetAcquireCode, Getter(pbstrData), Field(AcquireCode), ()) \
  X(29, GetNotice, Getter(pbstrData), Field(Notice), ()) \
  X(30, GetDisplayData, Getter(pbstrData), Field(DisplayData), ()) \
  X(31, GetAnnounceData, Getter(pbstrData), Field(AnnounceData), ()) \
  X(32, GetCashReceiptAuthNumber, Getter(pbstrData), Field(CashReceiptAuthNumber), ()) \
  X(33, GetCashReceiptAnnounceData, Getter(pbstrData), Field(CashReceiptAnnounceData), ()) \
  X(34, GetWCC, Getter(pbstrData), Field(WCC), ()) \
  X(35, GetTrackData, Getter(pbstrData), Field(TrackData), ()) \
  X(36, CashReceiptAuthPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNumber), Bstr(bstrIssuerName), Bstr(bstrMemberNumber), Bstr(bstrBizNumber), Bstr(bstrBossName), Bstr(bstrBizName), Bstr(bstrBizAddr), Bstr(bstrBizTel), Bstr(bstrNotice), Bstr(bstrAcquirerName), Bstr(bstrBroad), Bstr(bstrCashNumber), Bstr(bstrCashBroad))) \
  X(37, CashReceiptCancelPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrBeforeAuthDate), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNumber), Bstr(bstrIssuerName), Bstr(bstrMemberNumber), Bstr(bstrBizNumber), Bstr(bstrBossName), Bstr(bstrBizName), Bstr(bstrBizAddr), Bstr(bstrBizTel), Bstr(bstrNotice), Bstr(bstrAcquirerName), Bstr(bstrBroad), Bstr(bstrCashNumber), Bstr(bstrCashBroad))) \
  X(38, Track2AndSign, Int(piRet), Message, (Bstr(bstrCatID), Bstr(bstrSeqNumber))) \
  X(39, CreditAuthAndSignPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCatID), Bstr(bstrSeqNumber), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(40, CreditCancelAndSignPrint, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCatID), Bstr(bstrSeqNumber), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthDate), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(41, GetSignPADLCDType, Getter(pbstrData), Field(SignPADLCDType), ()) \
  X(42, GetSignPADDefineFunction, Getter(pbstrData), Field(SignPADDefineFunction), ()) \
  X(43, GetSignPADModelNumber, Getter(pbstrData), Field(SignPADModelNumber), ()) \
  X(44, GetSignPADSWVersion, Getter(pbstrData), Field(SignPADSWVersion), ()) \
  X(45, GetSignPADCompressMethod, Getter(pbstrData), Field(SignPADCompressMethod), ()) \
  X(46, GetSignPADHashData, Getter(pbstrData), Field(SignPADHashData), ()) \
  X(47, GetSignPADSignData, Getter(pbstrData), Field(SignPADSignData), ()) \
  X(48, CreditAuth2, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrQuota), Bstr(bstrAmount), Bstr(bstrPrtOpt), Bstr(bstrUserData))) \
  X(49, CashReceiptAuth2, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrTranType), Bstr(bstrAmount), Bstr(bstrPrtOpt), Bstr(bstrUserData))) \
  X(50, CreditCancel2, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrQuota), Bstr(bstrTranAmount), Bstr(bstrTranNumber), Bstr(bstrTranDate), Bstr(bstrPrtOpt), Bstr(bstrUserData))) \
  X(51, CashReceiptCancel2, Int(piRet), Message, (Bstr(bstrWcc), Bstr(bstrTrack), Bstr(bstrTranType), Bstr(bstrTranAmount), Bstr(bstrTranNumber), Bstr(bstrTranDate), Bstr(bstrPrtOpt), Bstr(bstrUserData))) \
  X(52, OpenCashPayingMachine, Int(piRet), Own, ()) \
  X(53, ExFreeStylePrint, Int(piRet), Own, (Bstr(bstrData), Int(iSize))) \
  X(54, UploadImageToCAT, Int(piRet), Own, (Bstr(bstrData), Int(iSize))) \
  X(55, InitCAT, Int(piRet), Own, ()) \
  X(56, Track2AndIDRead, Int(piRet), Message, ()) \
  X(57, SignRead, Int(piRet), Message, (Bstr(bstrCatID), Bstr(bstrSeqNumber), Bstr(bstrCardNum))) \
  X(58, FreeStyleTran, Int(piRet), Message, (Bstr(bstrCommType), Bstr(bstrUserData))) \
  X(59, GetFreeStyleTranResult, Getter(pbstrData), Field(FreeStyleTranResult), ()) \
  X(60, GetFreeStyleTranResMsg, Getter(pbstrData), Field(FreeStyleTranResMsg), ()) \
  X(61, Track2AndSignWAmountInfo, Int(piRet), Message, (Bstr(bstrCatID), Bstr(bstrSeqNumber), Bstr(bstrAmount), Bstr(bstrInst))) \
  X(62, CreditAuthAndSignPrintFull, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCatID), Bstr(bstrSeqNumber), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrBusinessNum), Bstr(bstrRepName), Bstr(bstrRetailName), Bstr(bstrRetailAddr), Bstr(bstrRetailPhone), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(63, CreditCancelAndSignPrintFull, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCatID), Bstr(bstrSeqNumber), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthDate), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNum), Bstr(bstrIssueName), Bstr(bstrMemberNum), Bstr(bstrBusinessNum), Bstr(bstrRepName), Bstr(bstrRetailName), Bstr(bstrRetailAddr), Bstr(bstrRetailPhone), Bstr(bstrNotice), Bstr(bstrPurchase), Bstr(bstrBroad), Bstr(bstrCashAuthNum), Bstr(bstrCashBroad))) \
  X(64, CashReceiptAuthPrintFull, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCatID), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNumber), Bstr(bstrIssuerName), Bstr(bstrMemberNumber), Bstr(bstrBizNumber), Bstr(bstrBossName), Bstr(bstrBizName), Bstr(bstrBizAddr), Bstr(bstrBizTel), Bstr(bstrNotice), Bstr(bstrAcquirerName), Bstr(bstrBroad), Bstr(bstrCashNumber), Bstr(bstrCashBroad))) \
  X(65, CashReceiptCancelPrintFull, Int(piRet), Message, (Bstr(bstrResCode), Bstr(bstrCatID), Bstr(bstrCard), Bstr(bstrQuota), Bstr(bstrAuthTime), Bstr(bstrBeforeAuthDate), Bstr(bstrAuthAmount), Bstr(bstrServiceAmount), Bstr(bstrTaxAmount), Bstr(bstrAuthNumber), Bstr(bstrIssuerName), Bstr(bstrMemberNumber), Bstr(bstrBizNumber), Bstr(bstrBossName), Bstr(bstrBizName), Bstr(bstrBizAddr), Bstr(bstrBizTel), Bstr(bstrNotice), Bstr(bstrAcquirerName), Bstr(bstrBroad), Bstr(bstrCashNumber), Bstr(bstrCashBroad)))

// The failure text the getters share.
#define KAVORIN_RESULT_FAILURE "결과 데이터 요청 기능 호출이 실패하였습니다."

// The exports of the client library, by ordinal:
//   X(ordinal, Name, Decoration, HostMethod, Call, (parameters), failure text)
// Name: the export is KAVORIN_<Name>.
// Decoration: Plain (the plain name) or Stdcall (exported on Windows as
//   _KAVORIN_<Name>@<bytes>).
// HostMethod: the host method it reaches, or Local for none.
// Call: the logic behind it. Request: the host method with the texts, 0 or
//   -2; PassThrough: the host's int as it is; Getter: the host's text into
//   the buffer; Own(function): a function of its own.
// failure text: the message shown when the host cannot be reached (UTF-8
//   here, CP949 on screen); "" for none.
#define KAVORIN_EXPORTS(X) \
  X(1, COMCreate, Plain, StartComPort, Own(ComCreateExport), (), "KAVORIN 통신을 위한 COM Port 생성이 실패하였습니다.") \
  X(2, CreditAuth, Plain, CreditAuth, Request, (Str(wcc), Str(track), Str(quota), Str(amount), Str(prtOpt)), "신용승인 기능 호출이 실패 하였습니다.") \
  X(3, COMStatus, Plain, StatusCheck, Own(ComStatusExport), (), "") \
  X(4, ServiceTerminate, Plain, ServiceTerminate, PassThrough, (), "서비스 종료를 위한 기능 호출이 실패 하였습니다.") \
  X(5, CashApprovalPrint, Plain, CashApprovalPrint, Request, (Str(amount), Str(prtOpt)), "현금 승인 기능 호출이 실패하였습니다.") \
  X(6, CashReceiptAuth, Plain, CashReceiptAuth, Request, (Str(wcc), Str(track), Str(tranType), Str(amount), Str(prtOpt)), "현금영수증 승인 기능 호출이 실패 하였습니다.") \
  X(7, CreditCancel, Plain, CreditCancel, Request, (Str(wcc), Str(track), Str(quota), Str(tranAmount), Str(tranNumber), Str(tranDate), Str(prtOpt)), "신용취소 기능 호출이 실패 하였습니다.") \
  X(8, CashReceiptCancel, Plain, CashReceiptCancel, Request, (Str(wcc), Str(track), Str(tranType), Str(tranAmount), Str(tranNumber), Str(tranDate), Str(prtOpt)), "현금영수증 취소 기능 호출이 실패 하였습니다.") \
  X(9, Track2Read, Plain, Track2Read, Request, (), "Track2Data 읽기 기능 호출이 실패 하였습니다.") \
  X(10, Track3Read, Plain, Track3Read, Request, (), "Track3Data 읽기 기능 호출이 실패 하였습니다.") \
  X(11, CashCancelPrint, Plain, CashCancelPrint, Request, (Str(tranAmount), Str(tranDate), Str(prtOpt)), "현금 취소 기능 호출이 실패하였습니다.") \
  X(12, CreditAuthResultPrint, Plain, CreditAuthResultPrint, Request, (Str(resCode), Str(card), Str(quota), Str(authTime), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "신용 승인 응답 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(13, CreditCancelResultPrint, Plain, CreditCancelResultPrint, Request, (Str(resCode), Str(card), Str(quota), Str(authTime), Str(authDate), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "신용 취소 응답 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(14, CashReceiptAuthResultPrint, Plain, CashReceiptAuthResultPrint, Request, (Str(resCode), Str(card), Str(quota), Str(authTime), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "현금영수증 승인 응답 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(15, CashReceiptCancelResultPrint, Plain, CashReceiptCancelResultPrint, Request, (Str(resCode), Str(card), Str(quota), Str(authTime), Str(authDate), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "현금영수증 취소 응답 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(16, FreeStylePrint, Plain, FreeStylePrint, Own(TextFreeStylePrintExport), (Str(data)), "FreeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(17, GetResponseCode, Plain, GetResponseCode, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(18, GetCardNumber, Plain, GetCardNumber, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(19, GetInstallmentData, Plain, GetInstallmentData, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(20, GetCashReceiptTranType, Plain, GetCashReceiptType, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(21, GetAuthTime, Plain, GetAuthTime, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(22, GetBeforeAuthDate, Plain, GetBeforeAuthDate, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(23, GetAuthAmount, Plain, GetAuthAmount, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(24, GetAuthNumber, Plain, GetAuthNumber, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(25, GetIssuerCode, Plain, GetIssueCode, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(26, GetMemberNumber, Plain, GetMemberNumber, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(27, GetDDCFlag, Plain, GetDDCFlag, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(28, GetNotice, Plain, GetNotice, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(29, GetAcquireCode, Plain, GetAcquireCode, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(30, GetDisplayData, Plain, GetDisplayData, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(31, GetAnnounceData, Plain, GetAnnounceData, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(32, GetCashReceiptAuthNumber, Plain, GetCashReceiptAuthNumber, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(33, GetCashReceiptAnnounceData, Plain, GetCashReceiptAnnounceData, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(34, GetWCC, Plain, GetWCC, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(35, GetTrackData, Plain, GetTrackData, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(36, CashReceiptAuthPrint, Plain, CashReceiptAuthPrint, Request, (Str(resCode), Str(card), Str(quota), Str(authTime), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNumber), Str(issuerName), Str(memberNumber), Str(bizNumber), Str(bossName), Str(bizName), Str(bizAddr), Str(bizTel), Str(notice), Str(acquirerName), Str(broad), Str(cashNumber), Str(cashBroad)), "현금영수증 승인 응답 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(37, CashReceiptCancelPrint, Plain, CashReceiptCancelPrint, Request, (Str(resCode), Str(card), Str(quota), Str(authTime), Str(beforeAuthDate), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNumber), Str(issuerName), Str(memberNumber), Str(bizNumber), Str(bossName), Str(bizName), Str(bizAddr), Str(bizTel), Str(notice), Str(acquirerName), Str(broad), Str(cashNumber), Str(cashBroad)), "현금영수증 취소 응답 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(38, Track2AndSign, Plain, Track2AndSign, Request, (Str(catID), Str(seqNumber)), "Track2Data 읽기 기능 호출이 실패 하였습니다.") \
  X(39, SignPADLCDType, Plain, GetSignPADLCDType, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(40, SignPADDefineFunction, Plain, GetSignPADDefineFunction, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(41, SignPADModelno, Plain, GetSignPADModelNumber, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(42, SignPADSWVersion, Plain, GetSignPADSWVersion, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(43, SignPADCompressMethod, Plain, GetSignPADCompressMethod, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(44, SignPADHashData, Plain, GetSignPADHashData, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(45, SignPADSignData, Plain, GetSignPADSignData, Own(SignDataBytesExport), (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(46, CreditAuthAndSignPrint, Plain, CreditAuthAndSignPrint, Request, (Str(resCode), Str(catID), Str(seqNumber), Str(card), Str(quota), Str(authTime), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "신용 승인 응답 전표 인쇄 요청(사인인쇄 포함) 기능 호출이 실패하였습니다.") \
  X(47, CreditCancelAndSignPrint, Plain, CreditCancelAndSignPrint, Request, (Str(resCode), Str(catID), Str(seqNumber), Str(card), Str(quota), Str(authTime), Str(authDate), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "신용 취소 응답 전표 인쇄 요청(사인포함) 기능 호출이 실패하였습니다.") \
  X(48, CreditAuth2, Plain, CreditAuth2, Request, (Str(wcc), Str(track), Str(quota), Str(amount), Str(prtOpt), Str(userData)), "신용승인 기능 호출이 실패 하였습니다.") \
  X(49, CashReceiptAuth2, Plain, CashReceiptAuth2, Request, (Str(wcc), Str(track), Str(tranType), Str(amount), Str(prtOpt), Str(userData)), "현금영수증 승인 기능 호출이 실패 하였습니다.") \
  X(50, CreditCancel2, Plain, CreditCancel2, Request, (Str(wcc), Str(track), Str(quota), Str(tranAmount), Str(tranNumber), Str(tranDate), Str(prtOpt), Str(userData)), "신용취소 기능 호출이 실패 하였습니다.") \
  X(51, CashReceiptCancel2, Plain, CashReceiptCancel2, Request, (Str(wcc), Str(track), Str(tranType), Str(tranAmount), Str(tranNumber), Str(tranDate), Str(prtOpt), Str(userData)), "현금영수증 취소(2) 기능 호출이 실패 하였습니다.") \
  X(52, OpenCashPayingMachine, Plain, OpenCashPayingMachine, Request, (), "금전함 OPEN 기능 호출이 실패하였습니다.") \
  X(53, SignPADAsciiSignData, Plain, GetSignPADSignData, Own(SignDataHexExport), (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(54, ExFreeStylePrint, Plain, FreeStylePrint, Own(ExFreeStylePrintExport), (Str(data)), "확장 freeStyle 전표 인쇄 요청 기능 호출이 실패하였습니다.") \
  X(55, UploadImageToCAT, Plain, FreeStylePrint, Own(UploadImageExport), (Str(path)), "이미지 업로드 요청 기능 호출이 실패하였습니다.") \
  X(56, GetBitMapData, Plain, Local, Own(GetBitMapDataExport), (Str(path), Buf(buffer)), "") \
  X(57, SignRead, Plain, SignRead, Request, (Str(catID), Str(seqNumber), Str(cardNum)), "SignRead 읽기 기능 호출이 실패 하였습니다.") \
  X(58, SignDataToBMP, Plain, Local, Own(SignDataToBmpExport), (Str(index), Str(catId), Str(cardNum), Str(seqNum), Str(signData), Str(filePath)), "") \
  X(59, FreeStyleTran, Plain, FreeStyleTran, Own(FreeStyleTranExport), (Str(commType), Str(userData)), "FreeStyleTran 기능 호출이 실패 하였습니다.") \
  X(60, GetFreeStypeTranResult, Plain, GetFreeStyleTranResult, Getter, (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(61, GetFreeStypeTranResMsg, Plain, GetFreeStyleTranResMsg, Own(FreeStyleResultMessageExport), (Buf(buffer)), KAVORIN_RESULT_FAILURE) \
  X(62, Track2AndSignWAmountInfo, Plain, Track2AndSignWAmountInfo, Request, (Str(catID), Str(seqNumber), Str(amount), Str(inst)), "Track2Data(금액 포함) 읽기 기능 호출이 실패 하였습니다.") \
  X(63, CreditAuthAndSignPrintFull, Plain, CreditAuthAndSignPrintFull, Request, (Str(resCode), Str(catID), Str(seqNumber), Str(card), Str(quota), Str(authTime), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(businessNum), Str(repName), Str(retailName), Str(retailAddr), Str(retailPhone), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "신용 승인 응답 전표 인쇄 요청(사인인쇄 포함- FULL) 기능 호출이 실패하였습니다.") \
  X(64, CashReceiptAuthPrintFull, Plain, CashReceiptAuthPrintFull, Request, (Str(resCode), Str(catID), Str(card), Str(quota), Str(authTime), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNumber), Str(issuerName), Str(memberNumber), Str(bizNumber), Str(bossName), Str(bizName), Str(bizAddr), Str(bizTel), Str(notice), Str(acquirerName), Str(broad), Str(cashNumber), Str(cashBroad)), "현금영수증 승인 응답 전표 인쇄(Full) 요청 기능 호출이 실패하였습니다.") \
  X(65, CashReceiptCancelPrintFull, Plain, CashReceiptCancelPrintFull, Request, (Str(resCode), Str(catID), Str(card), Str(quota), Str(authTime), Str(beforeAuthDate), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNumber), Str(issuerName), Str(memberNumber), Str(bizNumber), Str(bossName), Str(bizName), Str(bizAddr), Str(bizTel), Str(notice), Str(acquirerName), Str(broad), Str(cashNumber), Str(cashBroad)), "현금영수증 취소 응답 전표 인쇄(Full) 요청 기능 호출이 실패하였습니다.") \
  X(66, CreditCancelAndSignPrintFull, Stdcall, CreditCancelAndSignPrintFull, Request, (Str(resCode), Str(catID), Str(seqNumber), Str(card), Str(quota), Str(authTime), Str(authDate), Str(authAmount), Str(serviceAmount), Str(taxAmount), Str(authNum), Str(issueName), Str(memberNum), Str(businessNum), Str(repName), Str(retailName), Str(retailAddr), Str(retailPhone), Str(notice), Str(purchase), Str(broad), Str(cashAuthNum), Str(cashBroad)), "신용 취소 응답 전표 인쇄 요청(사인포함 - FULL) 기능 호출이 실패하였습니다.") \
  X(67, GetRegCOMPort, Stdcall, Local, Own(GetRegComPortExport), (Buf(port)), "") \
  X(68, SetRegCOMPort, Stdcall, Local, Own(SetRegComPortExport), (Str(port)), "") \
  X(69, StatusCheck, Stdcall, StatusCheck, PassThrough, (), "결과 데이터 요청 기능 호출이 실패하였습니다.") \
  X(70, Track2AndIDRead, Stdcall, Track2AndIDRead, Request, (), "Track2AndID 읽기 기능 호출이 실패 하였습니다.")
// clang-format on
