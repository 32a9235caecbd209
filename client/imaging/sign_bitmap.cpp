#include "client/imaging/sign_bitmap.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "client/imaging/crypto/des.hpp"
#include "common/daily_log.hpp"
#include "common/hex.hpp"
#include "common/text_codec.hpp"

namespace kavorin::imaging {
namespace {

using crypto::DesKey;

// The stroke encoding's master key, kept as the hex text it is known by.
constexpr std::string_view kNewTypeMasterKeyHex = "5451374B32503958";

enum class LogText {
  kIndex,
  kCatId,
  kSequence,
  kDecrypted,
  kNewType,
  kOldType,
  kDecompressFailed,
  kOpenFailed,
  kReturn,
  kCardTooShort,
  kCatIdTooShort,
  kSequenceTooShort,
  kDataTooLong,
  kDataNotHex,
  kNoOldTypeKey,
  kNoCipher,
  kWriteFailed,
};

// The log line formats, in the order of LogText. The first nine are the
// lines operators and support tools already know; the rest name the refusals
// that keep malformed input away from the decoders.
constexpr const char* kLogFormats[] = {
    "[KAVORIN_SignDataToBMP]Index=[%s]",
    "[KAVORIN_SignDataToBMP]CAT ID=[%s]",
    "[KAVORIN_SignDataToBMP]일련 번호=[%s]",
    "[KAVORIN_SignDataToBMP]압축 해제=[%d]",
    "[KAVORIN_SignDataToBMP]전자 서명 NEW TYPE",
    "[KAVORIN_SignDataToBMP]전자 서명 OLD TYPE",
    "[KAVORIN_SignDataToBMP]사인 이미지 압축 해제 실패",
    "[KAVORIN_SignDataToBMP]사인 이미지 열기 실패 = [%s]",
    "[KAVORIN_SignDataToBMP]Return=[%d]",
    "[KAVORIN_SignDataToBMP]카드 번호 길이 부족=[%d]",
    "[KAVORIN_SignDataToBMP]CAT ID 길이 부족=[%d]",
    "[KAVORIN_SignDataToBMP]일련 번호 길이 부족=[%d]",
    "[KAVORIN_SignDataToBMP]사인 데이터 길이 초과=[%d]",
    "[KAVORIN_SignDataToBMP]사인 데이터 형식 오류",
    "[KAVORIN_SignDataToBMP]OLD TYPE 키 없음",
    "[KAVORIN_SignDataToBMP]DES 사용 불가=[%s]",
    "[KAVORIN_SignDataToBMP]사인 이미지 쓰기 실패 = [%s]",
};

// Converted once: the log is written in CP949 on every platform.
const std::string& Cp949Format(LogText text) {
  static const std::vector<std::string> formats = [] {
    std::vector<std::string> converted;
    for (const char* format : kLogFormats) converted.push_back(Cp949FromUtf8(format));
    return converted;
  }();
  return formats[static_cast<std::size_t>(text)];
}

// CP949 never uses '%' (0x25) as a trail byte, so the converted texts stay
// valid formats.
std::string Line(LogText text, ...) {
  const std::string& format = Cp949Format(text);
  std::va_list args;
  va_start(args, text);
  std::va_list again;
  va_copy(again, args);
  // Most lines fit the small buffer and are formatted once.
  char small[256];
  const int length = std::vsnprintf(small, sizeof small, format.c_str(), args);
  va_end(args);
  std::string line;
  if (length > 0 && static_cast<std::size_t>(length) < sizeof small) {
    line.assign(small, static_cast<std::size_t>(length));
  } else if (length > 0) {
    line.assign(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(line.data(), line.size(), format.c_str(), again);
    line.resize(line.size() - 1);
  }
  va_end(again);
  return line;
}

std::string Text(std::string_view view) { return std::string(view); }
int Length(std::string_view view) { return view.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(view.size()); }

DesKey KeyFromBytes(std::span<const std::uint8_t> bytes) {
  DesKey key{};
  std::copy_n(bytes.begin(), key.size(), key.begin());
  return key;
}

// The hex text to bytes with the escaping undone, in one pass. The escaping
// is the free-style transaction's: a byte below 0x20 or '#' travels as '#'
// and the byte + 0x40; a '#' with nothing after it has lost its byte and is
// dropped. A signature runs to thousands of bytes, one in eight escaped: no
// branch per byte, and local pointers, since a byte store may alias
// anything the compiler would otherwise reload. False (and nothing decoded)
// when the text is not an even count of hex digits.
bool DecodeSignText(std::string_view text, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  const auto* digits = reinterpret_cast<const std::uint8_t*>(text.data());
  std::uint8_t* const data = bytes.data();
  const std::size_t count = bytes.size();
  std::size_t out = 0;
  std::uint8_t seen = 0;
  bool escaped = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t high = kStrictHexDigits[digits[2 * i]];
    const std::uint8_t low = kStrictHexDigits[digits[2 * i + 1]];
    seen |= static_cast<std::uint8_t>(high | low);
    const auto byte = static_cast<std::uint8_t>((high << 4) | low);
    const bool mark = !escaped && byte == '#';
    data[out] = static_cast<std::uint8_t>(escaped ? byte - 0x40 : byte);
    out += mark ? 0 : 1;
    escaped = mark;
  }
  if ((seen & kNotAHexDigit) != 0) {
    bytes.clear();
    return false;
  }
  bytes.resize(out);
  return true;
}

int CipherFailure(int des_result, const SignLogSink& log) {
  if (des_result == crypto::kDesUnavailable) {
    log(Line(LogText::kNoCipher, crypto::DesAvailability().message.c_str()));
  } else {
    log(Line(LogText::kNoCipher, crypto::DesLastErrorMessage().c_str()));
  }
  return kSignBmpNoCipher;
}

// Refuses what would make the key derivation or the buffers read outside the
// caller's texts, before anything is decrypted.
int CheckRequest(const SignBmpRequest& request, bool old_type, const SignLogSink& log) {
  if (request.card_number.size() < 9) {
    log(Line(LogText::kCardTooShort, Length(request.card_number)));
    return kSignBmpBadData;
  }
  if (old_type) {
    if (request.cat_id.size() < 8) {
      log(Line(LogText::kCatIdTooShort, Length(request.cat_id)));
      return kSignBmpBadData;
    }
    if (request.sequence_number.size() < 3) {
      log(Line(LogText::kSequenceTooShort, Length(request.sequence_number)));
      return kSignBmpBadData;
    }
    if (request.old_type_master_key.size() != crypto::kDesBlockSize) {
      log(Line(LogText::kNoOldTypeKey));
      return kSignBmpNoOldTypeKey;
    }
  }
  if (request.sign_data.size() > kSignDataMaxHexDigits) {
    log(Line(LogText::kDataTooLong, Length(request.sign_data)));
    return kSignBmpBadData;
  }
  return kSignBmpOk;
}

int DeriveImageKey(const SignBmpRequest& request, bool old_type, DesKey& image_key) {
  crypto::DesBlock block{};
  DesKey master{};
  const std::string_view card = request.card_number.substr(request.card_number.size() - 9);
  if (old_type) {
    std::string text;
    text.reserve(16);
    text += request.cat_id.substr(4, 4);
    text += card;
    text += request.sequence_number.substr(request.sequence_number.size() - 3);
    // The identifiers are digits in practice; whatever else they hold is
    // read with the terminal's hex arithmetic, so the key stays what it was.
    block = KeyFromBytes(HexToBytes(text));
    master = KeyFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(request.old_type_master_key.data()),
                                    crypto::kDesBlockSize));
  } else {
    std::copy_n(card.begin(), block.size(), block.begin());
    std::vector<std::uint8_t> master_bytes;
    ParseHexStrict(kNewTypeMasterKeyHex, master_bytes);
    master = KeyFromBytes(master_bytes);
  }
  return crypto::DesDecryptBlock(master, block, image_key);
}

}  // namespace

int MakeSignBitmap(const SignBmpRequest& request, SignBitmapFile& bitmap, const SignLogSink& log) {
  log(Line(LogText::kIndex, Text(request.index).c_str()));
  log(Line(LogText::kCatId, Text(request.cat_id).c_str()));
  log(Line(LogText::kSequence, Text(request.sequence_number).c_str()));

  const bool old_type = request.index.substr(0, 2) == "00";
  if (const int refused = CheckRequest(request, old_type, log); refused != kSignBmpOk) return refused;

  std::vector<std::uint8_t> data;
  if (!DecodeSignText(request.sign_data, data)) {
    log(Line(LogText::kDataNotHex));
    return kSignBmpBadData;
  }
  data.resize(data.size() - data.size() % crypto::kDesBlockSize);

  DesKey image_key{};
  if (const int result = DeriveImageKey(request, old_type, image_key); result != crypto::kDesOk) {
    return CipherFailure(result, log);
  }
  if (const int result = crypto::DesEcbDecrypt(image_key, data, data); result != crypto::kDesOk) {
    return CipherFailure(result, log);
  }
  log(Line(LogText::kDecrypted, static_cast<int>(data.size())));

  SignCanvas canvas;
  if (!old_type) {
    log(Line(LogText::kNewType));
    DecodeStrokes(data, canvas);
    BuildStrokeBitmap(canvas, bitmap);
    return kSignBmpOk;
  }
  if (!DecodePages(data, canvas)) {
    log(Line(LogText::kDecompressFailed));
    return kSignBmpBadData;
  }
  log(Line(LogText::kOldType));
  BuildPageBitmap(canvas, bitmap);
  return kSignBmpOk;
}

int SignDataToBmp(const SignBmpRequest& request, SignBitmapFile* bitmap_out) {
  const SignLogSink log = [](const std::string& line) { WriteDailyLog("%s", line.c_str()); };
  SignBitmapFile bitmap;
  int result = MakeSignBitmap(request, bitmap, log);
  if (result == kSignBmpOk) {
    const std::string path(request.file_path);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      log(Line(LogText::kOpenFailed, path.c_str()));
      result = kSignBmpFileFailed;
    } else {
      const bool written = std::fwrite(bitmap.data(), 1, bitmap.size(), file) == bitmap.size();
      const bool closed = std::fclose(file) == 0;
      if (!written || !closed) {
        // A short file would pass for a signature; the caller is told, and
        // nothing half-written is left behind.
        std::remove(path.c_str());
        log(Line(LogText::kWriteFailed, path.c_str()));
        result = kSignBmpFileFailed;
      }
    }
    if (bitmap_out != nullptr) *bitmap_out = bitmap;
  }
  log(Line(LogText::kReturn, result));
  return result;
}

}  // namespace kavorin::imaging
