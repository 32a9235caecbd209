#include "tools/catsim/responses.hpp"

#include <cstdio>

#include "common/text_codec.hpp"

namespace catsim {

namespace {

std::string FieldOf(const Request& request, std::size_t number) {
  return number >= 1 && number <= request.fields.size() ? request.fields[number - 1] : std::string();
}

bool IsCancel(std::string_view code) { return code == "D2" || code == "D4" || code == "K2" || code == "K4"; }

std::string AuthTime(const std::tm& now) {
  char text[80];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", now.tm_year % 100, now.tm_mon + 1, now.tm_mday,
                now.tm_hour, now.tm_min, now.tm_sec);
  return text;
}

void Override(std::vector<std::string>& fields, const std::map<int, std::string>& overrides) {
  for (const auto& [number, text] : overrides) {
    if (number < 1) continue;
    if (static_cast<std::size_t>(number) > fields.size()) fields.resize(static_cast<std::size_t>(number));
    fields[static_cast<std::size_t>(number) - 1] = text;
  }
}

}  // namespace

std::vector<std::string> TransactionFields(const Request& request, const ResponseOptions& options,
                                           const std::tm& now) {
  const int kind = KindOf(request.code);
  const bool cashReceipt = kind == 3 || kind == 4;
  std::vector<std::string> fields(kTransactionFieldCount);
  fields[0] = options.responseCode;
  fields[1] = "9410123456781234=3012";          // card number, "=", expiry YYMM
  fields[2] = FieldOf(request, 2);              // installment months or receipt type, as asked
  fields[3] = AuthTime(now);                    // YYMMDDhhmmss
  fields[4] = IsCancel(request.code) ? FieldOf(request, 5) : "";  // the original date of a cancel
  fields[5] = FieldOf(request, 3);              // amount, as asked
  fields[6] = "30012345";                       // approval number
  fields[7] = "01";                             // issuer
  fields[8] = "123456789";                      // member number
  fields[9] = "N";                              // DDC flag
  fields[10] = "";
  fields[11] = "01";                            // acquirer
  fields[12] = kavorin::Cp949FromUtf8("정상승인");
  fields[13] = "";
  fields[14] = cashReceipt ? "123456789" : "";  // cash-receipt approval number
  fields[15] = "";
  Override(fields, options.transaction);
  return fields;
}

std::vector<std::string> ReadFields(const Request& request, const ResponseOptions& options) {
  std::vector<std::string> fields(kReadFieldCount);
  const bool sign = request.code == "RS" || request.code == "RA" || request.code == "RE";
  if (request.code == "FT") {
    fields[0] = "0" + kavorin::Cp949FromUtf8("정상처리");  // result, then its message
  } else {
    fields[0] = "A9410123456781234=30121010000000000000";  // WCC, then track 2
  }
  fields[1] = "101KV11000";  // LCD type, function, model, software version, compression
  if (sign) {
    fields[2] = "5A3C9E01";
    // Sign data is binary, but none of it may look like a separator or a
    // control byte of the frame.
    for (int i = 0; i < 48; ++i) fields[3] += static_cast<char>(0x40 + (i * 13) % 0x3F);
  }
  Override(fields, options.read);
  return fields;
}

std::optional<std::string> BuildResponse(const Request& request, const ResponseOptions& options,
                                         const std::tm& now) {
  const int kind = KindOf(request.code);
  if (!ExpectsResponse(kind)) return std::nullopt;
  const std::string code = options.messageCode.value_or(request.code);
  return TextFrame(code, IsTransaction(kind) ? TransactionFields(request, options, now)
                                             : ReadFields(request, options));
}

}  // namespace catsim
