#pragma once
// Signature data, as the terminal hands it over after a signed transaction,
// to a 128 x 64 monochrome bitmap file (the work of KAVORIN_SignDataToBMP).
//
// The data is hex text of an escaped, DES-encrypted image. The image key is
// derived from the transaction: for the stroke encoding (index not "00") by
// decrypting card-number characters with a fixed master key; for the page
// encoding (index "00") by decrypting terminal id, card-number and sequence
// characters with a second master key, which comes from configuration and
// is passed in here.
//
// Result codes (the export returns them unchanged):
//    0  kSignBmpOk            the file was written
//   -1  kSignBmpFileFailed    the file could not be created or written
//                             (a partly written file is removed)
//   -2  kSignBmpBadData       nothing to draw: the page image did not expand
//                             to 128 x 64, or the input was refused before
//                             decoding: card number under 9 characters; for
//                             index "00" terminal id under 8 or sequence
//                             number under 3 characters; signature data over
//                             8192 hex digits, of odd length, or not hex
//   -3  kSignBmpNoOldTypeKey  index "00" but no 8-byte page-encoding master
//                             key was supplied
//   -4  kSignBmpNoCipher      DES is not available on this machine
// Every call writes its daily-log lines (CP949), the result last. No file is
// written unless the result is 0; no message box is shown.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "client/imaging/sign_decode.hpp"

namespace kavorin::imaging {

enum SignBmpResult : int {
  kSignBmpOk = 0,
  kSignBmpFileFailed = -1,
  kSignBmpBadData = -2,
  kSignBmpNoOldTypeKey = -3,
  kSignBmpNoCipher = -4,
};

inline constexpr std::size_t kSignDataMaxHexDigits = 8192;

// All texts are the export's NUL-terminated CP949 arguments, viewed.
struct SignBmpRequest {
  std::string_view index;            // "00..." page encoding, else stroke encoding
  std::string_view cat_id;           // terminal id; characters 4..7 used (page encoding)
  std::string_view card_number;      // last 9 characters used
  std::string_view sequence_number;  // last 3 characters used (page encoding)
  std::string_view sign_data;        // hex text, either case
  std::string_view file_path;        // created or replaced
  // The page-encoding master key, 8 bytes from configuration; empty when the
  // installation has none (page-encoded signatures then fail with -3).
  std::string_view old_type_master_key;
};

// Receives each daily-log line (the message part, CP949) in order.
using SignLogSink = std::function<void(const std::string& line)>;

// Decodes into `bitmap` without touching files: every log line up to the
// encoding line goes to `log`; the file and result lines are the caller's.
// Returns 0, -2, -3 or -4.
int MakeSignBitmap(const SignBmpRequest& request, SignBitmapFile& bitmap, const SignLogSink& log);

// The whole export: decodes, writes the file at request.file_path, writes the
// daily log (common/daily_log.hpp), and returns the code. When `bitmap` is
// given it receives the image whenever one was made (results 0 and -1).
int SignDataToBmp(const SignBmpRequest& request, SignBitmapFile* bitmap = nullptr);

}  // namespace kavorin::imaging
