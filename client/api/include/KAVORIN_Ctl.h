/* KAVORIN_Ctl: the card terminal's C interface for POS programs.
 *
 * Texts are NUL-terminated CP949. A request export only starts the exchange:
 * follow it with KAVORIN_COMStatus (or KAVORIN_StatusCheck until the value is
 * final), then read the result fields with the getters. Every exchange ends
 * with the port closed, so KAVORIN_COMCreate comes before every request.
 *
 * Results
 *   requests        0 accepted, -2 refused (by the host: port not open, or
 *                   the message would not fit one frame; or by the library:
 *                   texts larger than the host takes, nothing sent),
 *                   -10000 the host could not be reached (after a message
 *                   box)
 *   getters         0 found, -1 no response kept, -2 the last request's
 *                   answer has no such field, -3 the answer has too few
 *                   fields, -4 the answer is longer than the buffer sizes
 *                   below (nothing written), -10000 as above
 *   COMCreate       0 port open, -1 no port setting, -2 the host refused the
 *                   port, -10000 as above
 *   COMStatus       0 success, -1 failure, -2 the host could not be asked,
 *                   -3 cancelled before a final status (three DLE bytes were
 *                   sent to the terminal), -1000 no display
 *   any export      -20 a null pointer where the export must write; a null
 *                   input text counts as an empty text
 *   any host call   -10001 (Linux) the host's runtime folder, or the process
 *                   answering there, is not the caller's own: the folder
 *                   must be a real folder (no symbolic link) of the calling
 *                   user with mode 0700, and the host must run as that user.
 *                   Nothing was sent; the reason is on stderr. (COMStatus
 *                   gives -2 then.)
 *
 * Buffers belong to the caller and carry no size, so every export writes at
 * most the size given here and refuses (-4) an answer that would not fit:
 *   text getters                      8192 bytes, the NUL included
 *   KAVORIN_GetFreeStypeTranResMsg    8192 bytes, no NUL written
 *   KAVORIN_SignPADSignData           4096 bytes: up to 4095 bytes and a zero
 *   KAVORIN_SignPADAsciiSignData      8000 characters (4000 bytes as hex),
 *                                     no NUL written
 *   KAVORIN_GetBitMapData             4096 bytes
 *   KAVORIN_GetRegCOMPort             256 bytes, the NUL included
 */
#ifndef KAVORIN_CTL_H
#define KAVORIN_CTL_H

#if defined(_WIN32)
#define KAVORIN_CALL __stdcall
#define KAVORIN_API
#else
#define KAVORIN_CALL
#define KAVORIN_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

KAVORIN_API int KAVORIN_CALL KAVORIN_COMCreate(void); /* 1 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditAuth(const char* wcc, const char* track, const char* quota, const char* amount, const char* prtOpt); /* 2 */
KAVORIN_API int KAVORIN_CALL KAVORIN_COMStatus(void); /* 3 */
KAVORIN_API int KAVORIN_CALL KAVORIN_ServiceTerminate(void); /* 4 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashApprovalPrint(const char* amount, const char* prtOpt); /* 5 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptAuth(const char* wcc, const char* track, const char* tranType, const char* amount, const char* prtOpt); /* 6 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditCancel(const char* wcc, const char* track, const char* quota, const char* tranAmount, const char* tranNumber, const char* tranDate, const char* prtOpt); /* 7 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptCancel(const char* wcc, const char* track, const char* tranType, const char* tranAmount, const char* tranNumber, const char* tranDate, const char* prtOpt); /* 8 */
KAVORIN_API int KAVORIN_CALL KAVORIN_Track2Read(void); /* 9 */
KAVORIN_API int KAVORIN_CALL KAVORIN_Track3Read(void); /* 10 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashCancelPrint(const char* tranAmount, const char* tranDate, const char* prtOpt); /* 11 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditAuthResultPrint(const char* resCode, const char* card, const char* quota, const char* authTime, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 12 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditCancelResultPrint(const char* resCode, const char* card, const char* quota, const char* authTime, const char* authDate, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 13 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptAuthResultPrint(const char* resCode, const char* card, const char* quota, const char* authTime, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 14 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptCancelResultPrint(const char* resCode, const char* card, const char* quota, const char* authTime, const char* authDate, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 15 */
KAVORIN_API int KAVORIN_CALL KAVORIN_FreeStylePrint(const char* data); /* 16 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetResponseCode(char* buffer); /* 17 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetCardNumber(char* buffer); /* 18 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetInstallmentData(char* buffer); /* 19 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetCashReceiptTranType(char* buffer); /* 20 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetAuthTime(char* buffer); /* 21 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetBeforeAuthDate(char* buffer); /* 22 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetAuthAmount(char* buffer); /* 23 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetAuthNumber(char* buffer); /* 24 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetIssuerCode(char* buffer); /* 25 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetMemberNumber(char* buffer); /* 26 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetDDCFlag(char* buffer); /* 27 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetNotice(char* buffer); /* 28 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetAcquireCode(char* buffer); /* 29 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetDisplayData(char* buffer); /* 30 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetAnnounceData(char* buffer); /* 31 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetCashReceiptAuthNumber(char* buffer); /* 32 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetCashReceiptAnnounceData(char* buffer); /* 33 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetWCC(char* buffer); /* 34 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetTrackData(char* buffer); /* 35 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptAuthPrint(const char* resCode, const char* card, const char* quota, const char* authTime, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNumber, const char* issuerName, const char* memberNumber, const char* bizNumber, const char* bossName, const char* bizName, const char* bizAddr, const char* bizTel, const char* notice, const char* acquirerName, const char* broad, const char* cashNumber, const char* cashBroad); /* 36 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptCancelPrint(const char* resCode, const char* card, const char* quota, const char* authTime, const char* beforeAuthDate, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNumber, const char* issuerName, const char* memberNumber, const char* bizNumber, const char* bossName, const char* bizName, const char* bizAddr, const char* bizTel, const char* notice, const char* acquirerName, const char* broad, const char* cashNumber, const char* cashBroad); /* 37 */
KAVORIN_API int KAVORIN_CALL KAVORIN_Track2AndSign(const char* catID, const char* seqNumber); /* 38 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADLCDType(char* buffer); /* 39 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADDefineFunction(char* buffer); /* 40 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADModelno(char* buffer); /* 41 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADSWVersion(char* buffer); /* 42 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADCompressMethod(char* buffer); /* 43 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADHashData(char* buffer); /* 44 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADSignData(char* buffer); /* 45 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditAuthAndSignPrint(const char* resCode, const char* catID, const char* seqNumber, const char* card, const char* quota, const char* authTime, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 46 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditCancelAndSignPrint(const char* resCode, const char* catID, const char* seqNumber, const char* card, const char* quota, const char* authTime, const char* authDate, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 47 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditAuth2(const char* wcc, const char* track, const char* quota, const char* amount, const char* prtOpt, const char* userData); /* 48 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptAuth2(const char* wcc, const char* track, const char* tranType, const char* amount, const char* prtOpt, const char* userData); /* 49 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditCancel2(const char* wcc, const char* track, const char* quota, const char* tranAmount, const char* tranNumber, const char* tranDate, const char* prtOpt, const char* userData); /* 50 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptCancel2(const char* wcc, const char* track, const char* tranType, const char* tranAmount, const char* tranNumber, const char* tranDate, const char* prtOpt, const char* userData); /* 51 */
KAVORIN_API int KAVORIN_CALL KAVORIN_OpenCashPayingMachine(void); /* 52 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignPADAsciiSignData(char* buffer); /* 53 */
KAVORIN_API int KAVORIN_CALL KAVORIN_ExFreeStylePrint(const char* data); /* 54 */
KAVORIN_API int KAVORIN_CALL KAVORIN_UploadImageToCAT(const char* path); /* 55 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetBitMapData(const char* path, char* buffer); /* 56 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignRead(const char* catID, const char* seqNumber, const char* cardNum); /* 57 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SignDataToBMP(const char* index, const char* catId, const char* cardNum, const char* seqNum, const char* signData, const char* filePath); /* 58 */
KAVORIN_API int KAVORIN_CALL KAVORIN_FreeStyleTran(const char* commType, const char* userData); /* 59 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetFreeStypeTranResult(char* buffer); /* 60 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetFreeStypeTranResMsg(char* buffer); /* 61 */
KAVORIN_API int KAVORIN_CALL KAVORIN_Track2AndSignWAmountInfo(const char* catID, const char* seqNumber, const char* amount, const char* inst); /* 62 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditAuthAndSignPrintFull(const char* resCode, const char* catID, const char* seqNumber, const char* card, const char* quota, const char* authTime, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* businessNum, const char* repName, const char* retailName, const char* retailAddr, const char* retailPhone, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 63 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptAuthPrintFull(const char* resCode, const char* catID, const char* card, const char* quota, const char* authTime, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNumber, const char* issuerName, const char* memberNumber, const char* bizNumber, const char* bossName, const char* bizName, const char* bizAddr, const char* bizTel, const char* notice, const char* acquirerName, const char* broad, const char* cashNumber, const char* cashBroad); /* 64 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CashReceiptCancelPrintFull(const char* resCode, const char* catID, const char* card, const char* quota, const char* authTime, const char* beforeAuthDate, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNumber, const char* issuerName, const char* memberNumber, const char* bizNumber, const char* bossName, const char* bizName, const char* bizAddr, const char* bizTel, const char* notice, const char* acquirerName, const char* broad, const char* cashNumber, const char* cashBroad); /* 65 */
KAVORIN_API int KAVORIN_CALL KAVORIN_CreditCancelAndSignPrintFull(const char* resCode, const char* catID, const char* seqNumber, const char* card, const char* quota, const char* authTime, const char* authDate, const char* authAmount, const char* serviceAmount, const char* taxAmount, const char* authNum, const char* issueName, const char* memberNum, const char* businessNum, const char* repName, const char* retailName, const char* retailAddr, const char* retailPhone, const char* notice, const char* purchase, const char* broad, const char* cashAuthNum, const char* cashBroad); /* 66 */
KAVORIN_API int KAVORIN_CALL KAVORIN_GetRegCOMPort(char* port); /* 67 */
KAVORIN_API int KAVORIN_CALL KAVORIN_SetRegCOMPort(const char* port); /* 68 */
KAVORIN_API int KAVORIN_CALL KAVORIN_StatusCheck(void); /* 69 */
KAVORIN_API int KAVORIN_CALL KAVORIN_Track2AndIDRead(void); /* 70 */

#ifdef __cplusplus
}
#endif

#endif /* KAVORIN_CTL_H */
