// Response frames come from the terminal: any bytes, read under any message
// kind. Input: one byte picking the kind, then the frame.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/base64.hpp"
#include "host/messages/cat_passage.hpp"

namespace {

using kavorin::CatPassage;
using kavorin::ResultField;
using kavorin::TextRequest;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Records kind `kind` (0..14) the way the services do: by building.
void RecordKind(CatPassage& passage, int kind) {
  static const TextRequest kByKind[] = {
      TextRequest::CreditAuth,          TextRequest::CreditAuth,          TextRequest::CreditCancel,
      TextRequest::CashReceiptAuth,     TextRequest::CashReceiptCancel,   TextRequest::Track2Read,
      TextRequest::Track3Read,          TextRequest::CashApprovalPrint,   TextRequest::CashCancelPrint,
      TextRequest::CreditAuthAndSignPrint, TextRequest::CreditCancelAndSignPrint,
      TextRequest::CashReceiptAuthPrintFull, TextRequest::CashReceiptCancelPrintFull,
  };
  passage.ResetPassage();
  if (kind == 13) {
    Check(passage.BuildF1("x").has_value());
  } else if (kind == 14) {
    passage.BuildMB();
  } else if (kind > 0) {
    Check(passage.BuildText(kByKind[kind], {}).has_value());
  }
  Check(passage.messageKind() == kind);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  CatPassage passage;
  RecordKind(passage, data[0] % 15);
  const std::string_view frame(reinterpret_cast<const char*>(data + 1), size - 1);
  passage.StoreResponse(frame);
  const std::string& kept = passage.responseText();
  Check(kept == frame.substr(0, frame.find('\0')));

  const int code = passage.CheckResponseCode();
  Check(code == 0 || code == -1 || code == -2);

  std::vector<std::string> fields(1);
  for (int n = -1; n <= 40; ++n) {
    std::string out = "\x01";
    const int result = passage.parse_passage(n, out);
    Check(result == 0 || result == -2);
    Check(result == 0 || out == "\x01");
    Check(out.find('\x1C') == std::string::npos);
    if (n >= 1 && n <= 4) fields.push_back(result == 0 ? out : std::string("\xFF-missing"));
  }

  for (int i = 0; i <= static_cast<int>(ResultField::FreeStyleTranResMsg); ++i) {
    const auto field = static_cast<ResultField>(i);
    std::string out = "stale";
    const int result = passage.GetField(field, out);
    Check(result >= -3 && result <= 0);
    Check(result == 0 || out.empty());
    Check(!kept.empty() || result == -1);
    if (result != 0) continue;
    switch (field) {
      case ResultField::CardNumber:
        Check(out.find('=') == std::string::npos && out.size() <= fields[2].size());
        break;
      case ResultField::TrackData:
        Check(out == fields[1].substr(fields[1].empty() ? 0 : 1));
        break;
      case ResultField::SignPADSignData: {
        const auto decoded = kavorin::Base64Decode(out);
        Check(std::string(decoded.begin(), decoded.end()) == fields[4]);
        break;
      }
      default:
        Check(out.size() <= kept.size());
        break;
    }
  }
  return 0;
}
