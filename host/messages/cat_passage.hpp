#pragma once
// CatPassage builds the request messages for the terminal and keeps the last
// response, from which the result fields are read.
//
// Every text here is CP949 bytes. A frame is the complete byte string the
// link sends or received: STX, body, ETX, LRC.
//
// Texts are taken up to their first NUL wherever they come in: the link hands
// a text frame on as NUL-terminated text, and the terminal's texts never
// carry a NUL, so a stray one must not end up inside a frame.
//
// Refusal: a build operation never writes a frame the link could not hold
// (kMaxTextFrameBytes for text messages, kMaxFrameBytes for data messages).
// It returns std::nullopt and leaves the passage exactly as it was: message
// kind, request text and response text unchanged. The caller sees the
// refusal; nothing is truncated and nothing half-built is sent.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/messages/message_kind.hpp"

namespace kavorin {

// Largest frame the link stores; a text message also needs room for its NUL.
inline constexpr std::size_t kMaxFrameBytes = 8192;
inline constexpr std::size_t kMaxTextFrameBytes = kMaxFrameBytes - 1;
// Largest data block of an F1/F3/IU frame (8192 minus the 9 framing bytes).
inline constexpr std::size_t kMaxDataBytes = kMaxFrameBytes - 9;

// The request services that send a text message, named after the service.
// Their texts are passed in the service's parameter order.
enum class TextRequest {
  CreditAuth,                    // D1
  CreditCancel,                  // D2
  CashReceiptAuth,               // K1
  CashReceiptCancel,             // K2
  CreditAuth2,                   // D3
  CashReceiptAuth2,              // K3
  CreditCancel2,                 // D4
  CashReceiptCancel2,            // K4
  Track2Read,                    // RC
  Track2AndIDRead,               // RF
  Track3Read,                    // RD
  Track2AndSign,                 // RS
  Track2AndSignWAmountInfo,      // RA
  SignRead,                      // RE
  FreeStyleTran,                 // FT
  CashApprovalPrint,             // C1
  CashCancelPrint,               // C2
  CreditAuthResultPrint,         // P3 or P1
  CreditCancelResultPrint,       // P4 or P2
  CashReceiptAuthResultPrint,    // N3 or N1
  CashReceiptCancelResultPrint,  // N4 or N2
  CashReceiptAuthPrint,          // N5, N3 or N1
  CashReceiptCancelPrint,        // N6, N4 or N2
  CreditAuthAndSignPrint,        // P5
  CreditCancelAndSignPrint,      // P6
  CreditAuthAndSignPrintFull,    // P7
  CreditCancelAndSignPrintFull,  // P8
  CashReceiptAuthPrintFull,      // N7
  CashReceiptCancelPrintFull,    // N8
};

// The requests that build over the previous state: the previous response
// stays readable until their own response replaces it.
bool KeepsPreviousResponse(TextRequest request);

// The result fields, named after their getter methods.
enum class ResultField {
  ResponseCode,
  CardNumber,
  InstallmentData,
  CashReceiptType,
  AuthTime,
  BeforeAuthDate,
  AuthAmount,
  AuthNumber,
  IssueCode,
  DDCFlag,
  MemberNumber,
  AcquireCode,
  Notice,
  DisplayData,
  AnnounceData,
  CashReceiptAuthNumber,
  CashReceiptAnnounceData,
  WCC,
  TrackData,
  SignPADLCDType,
  SignPADDefineFunction,
  SignPADModelNumber,
  SignPADSWVersion,
  SignPADCompressMethod,
  SignPADHashData,
  SignPADSignData,
  FreeStyleTranResult,
  FreeStyleTranResMsg,
};

// Getter result codes.
inline constexpr int kFieldFound = 0;
inline constexpr int kNoResponse = -1;
inline constexpr int kWrongMessageKind = -2;
inline constexpr int kTooFewFields = -3;
// CheckResponseCode's answers besides kNoResponse.
inline constexpr int kResponseAccepted = 0;
inline constexpr int kResponseRefused = -2;

class CatPassage {
 public:
  // Message kind 0, request and response texts empty.
  void ResetPassage();

  MessageKind messageKind() const { return message_kind_; }
  const std::string& requestText() const { return request_text_; }
  const std::string& responseText() const { return response_text_; }

  // Builds the text message of `request` from its texts (missing texts count
  // as empty, extra ones are ignored), records its kind and keeps it as the
  // request text. Returns the frame, or nothing when it would exceed
  // kMaxTextFrameBytes: then the passage is left as it was.
  std::optional<std::string> BuildText(TextRequest request, std::span<const std::string> texts);

  // Data messages. Each returns the frame, or nothing when the data would
  // not fit one frame (or a size is negative); then the passage is left as
  // it was. The request text is not changed by data messages.
  std::optional<std::string> BuildF1(std::string_view text);
  std::optional<std::string> BuildF3(std::string_view hexText, int size);  // size is not used
  std::optional<std::string> BuildIU(std::string_view hexText, int size);
  std::string BuildMB();

  // Keeps `frame` up to its first NUL as the response text. The host keeps
  // it in a string of its own size, so a long response is kept whole.
  void StoreResponse(std::string_view frame);
  // kResponseAccepted for a good code ("0000"/"5001") or a read,
  // kNoResponse without a response, kResponseRefused for any other code.
  int CheckResponseCode() const;
  // Field n (n >= 1) of the response: 0, or -2 when it has fewer than n
  // separators or n < 1 (`out` is then untouched).
  int parse_passage(int n, std::string& out) const;
  // One result field: kFieldFound, kNoResponse, kWrongMessageKind or
  // kTooFewFields, checked in that order; `out` holds the value only on
  // kFieldFound and is emptied otherwise. A found field may be empty.
  //
  // Sign data (SignPADSignData) comes back as Base64 of the whole field. The
  // value is a string sized to fit, so a long sign field (its Base64 grows by
  // a third) is returned whole: there is no fixed buffer to overrun and
  // nothing is cut off.
  int GetField(ResultField field, std::string& out) const;

 private:
  MessageKind message_kind_ = message_kind::None;
  std::string request_text_;
  std::string response_text_;
};

}  // namespace kavorin
