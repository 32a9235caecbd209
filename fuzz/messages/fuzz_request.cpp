// Request builders get the callers' texts unchecked: any bytes, any length.
// Input: an operation byte, a separator byte, a growth byte, then the texts
// split at the separator; the growth byte repeats the last text so that the
// frame limits are reached.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/hex.hpp"
#include "host/link/frame.hpp"
#include "host/messages/cat_passage.hpp"

namespace {

using kavorin::CatPassage;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckFramed(const std::string& frame, std::size_t limit) {
  Check(frame.size() >= 5 && frame.size() <= limit);
  Check(frame.front() == '\x02' && frame[frame.size() - 2] == '\x03');
  Check(static_cast<std::uint8_t>(frame.back()) ==
        kavorin::Lrc(std::string_view(frame).substr(1, frame.size() - 2)));
}

bool SameState(const CatPassage& a, const CatPassage& b) {
  return a.messageKind() == b.messageKind() && a.requestText() == b.requestText() &&
         a.responseText() == b.responseText();
}

constexpr int kTextRequests = static_cast<int>(kavorin::TextRequest::CashReceiptCancelPrintFull) + 1;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int op = data[0] % (kTextRequests + 3);
  const char separator = static_cast<char>(data[1]);
  const int growth = data[2];
  std::vector<std::string> texts(1);
  for (std::size_t i = 3; i < size; ++i) {
    if (static_cast<char>(data[i]) == separator) {
      texts.emplace_back();
    } else {
      texts.back().push_back(static_cast<char>(data[i]));
    }
  }
  if (growth > 0 && !texts.back().empty()) {
    const std::string unit = texts.back();
    while (texts.back().size() < static_cast<std::size_t>(growth) * 64) texts.back() += unit;
  }

  CatPassage passage;
  passage.BuildText(kavorin::TextRequest::CreditAuth, {});
  passage.StoreResponse("\x02" "D1\x1C" "0000\x03\x20");
  const CatPassage before = passage;

  if (op < kTextRequests) {
    const auto frame = passage.BuildText(static_cast<kavorin::TextRequest>(op), texts);
    if (!frame) {
      Check(SameState(passage, before));
      return 0;
    }
    CheckFramed(*frame, kavorin::kMaxTextFrameBytes);
    Check(frame->find('\0') == std::string::npos);
    Check(passage.requestText() == *frame);
    Check(passage.messageKind() == kavorin::MessageKindOf(frame->substr(1, 2)));
    Check(passage.messageKind() >= 1 && passage.messageKind() <= 12);
    return 0;
  }

  const std::string& text = texts.front();
  const int iuSize = static_cast<int>(texts.size() > 1 ? std::strtol(texts[1].c_str(), nullptr, 10) : 0);
  std::optional<std::string> frame;
  switch (op - kTextRequests) {
    case 0: frame = passage.BuildF1(text); break;
    case 1: frame = passage.BuildF3(text, iuSize); break;
    default: frame = passage.BuildIU(text, iuSize); break;
  }
  if (!frame) {
    Check(SameState(passage, before));
    return 0;
  }
  CheckFramed(*frame, kavorin::kMaxFrameBytes);
  Check(passage.messageKind() == 13 && passage.requestText() == before.requestText());
  const std::size_t dataBytes = frame->size() - 9;
  const int lengthValue = std::atoi(frame->substr(3, 4).c_str());
  const std::string_view cut = std::string_view(text).substr(0, text.find('\0'));
  switch (op - kTextRequests) {
    case 0: Check(lengthValue == static_cast<int>(dataBytes + 5) && dataBytes == cut.size()); break;
    case 1: Check(lengthValue == static_cast<int>(dataBytes) && dataBytes == kavorin::HexToBytes(cut).size()); break;
    default: Check(lengthValue == iuSize && static_cast<int>(dataBytes) == iuSize); break;
  }
  return 0;
}
