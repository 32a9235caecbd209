#include "web/kavorin_web/kavorin_web.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/base64.hpp"
#include "web/kavorin_web/failure_messages.hpp"

namespace kavorin::web {
namespace {

// The library exports the control reaches outside its member table, by
// ordinal as the control imports them (the export table names them).
constexpr int kComCreate = 1;
constexpr int kComStatus = 3;
constexpr int kServiceTerminate = 4;
constexpr int kSignPadSignData = 45;
constexpr int kSignDataToBmp = 58;

}  // namespace

KavorinWeb::KavorinWeb(LibraryBinding binding) : binding_(binding) {}

void KavorinWeb::SetStatusStep(std::function<int()> step) { statusStep_ = std::move(step); }

int KavorinWeb::Call(int ordinal, std::span<const std::string> texts) {
  std::vector<std::string> copies(texts.begin(), texts.end());
  std::vector<char*> pointers;
  pointers.reserve(copies.size());
  for (std::string& copy : copies) pointers.push_back(copy.data());
  return CallExport(binding_, ordinal, pointers);
}

int KavorinWeb::CallStatus() { return statusStep_ ? statusStep_() : Call(kComStatus, {}); }

int KavorinWeb::RunSequence(const VoucherCheck* check, const std::function<int()>& request) {
  int result = Call(kComCreate, {});
  if (result != 0) {
    ShowFailure(FailedStep::Connect, result);
    return result;
  }
  if (check != nullptr) {
    result = RunCheck(*check, values_);
    if (result != 0) {
      ShowFailure(FailedStep::Data, result);
      return result;
    }
  }
  result = request();
  if (result != 0) {
    ShowFailure(FailedStep::Service, result);
    return result;
  }
  result = CallStatus();
  if (result != 0) {
    ShowFailure(FailedStep::Status, result);
    return result;
  }
  return 0;
}

int KavorinWeb::RunTransaction(int ordinal, control::MemberArgs args) {
  return RunSequence(nullptr, [&] { return Call(ordinal, args); });
}

int KavorinWeb::RunPrint(const VoucherPrint& print, control::MemberArgs args) {
  // The business values are looked at once the check has passed.
  return RunSequence(&print.check, [&] {
    const bool business = HasBusinessValues(values_);
    std::vector<std::string> texts;
    for (const Slot& slot : ListSlots(business ? print.businessList : print.plainList)) {
      switch (slot.kind) {
        case Slot::Stored: texts.push_back(At(values_, slot.value)); break;
        case Slot::CatId: texts.push_back(args.size() > 0 ? args[0] : std::string()); break;
        case Slot::SeqNum: texts.push_back(args.size() > 1 ? args[1] : std::string()); break;
      }
    }
    return Call(business ? print.businessOrdinal : print.plainOrdinal, texts);
  });
}

int KavorinWeb::ReadInto(int ordinal, std::string& bytes) {
  std::string buffer(kLibraryTextBytes, '\0');
  char* pointer = buffer.data();
  const int result = CallExport(binding_, ordinal, std::span(&pointer, 1));
  bytes.assign(buffer.c_str());
  return result;
}

std::string KavorinWeb::Get(int ordinal, std::size_t bufferBytes) {
  std::string text;
  const int result = ReadInto(ordinal, text);
  if (result != 0) {
    ShowFailure(FailedStep::Getter, result);
    return {};
  }
  return CutCp949(std::move(text), bufferBytes - 1);
}

std::string KavorinWeb::GetSignDataAscii() {
  std::string bytes;
  const int result = ReadInto(kSignPadSignData, bytes);
  if (result != 0) {
    ShowFailure(FailedStep::Getter, result);
    return {};
  }
  bytes.resize(std::min(bytes.size(), kSignDataBytes - 1));
  return Base64Encode(bytes);
}

void KavorinWeb::Store(Value value, std::string text) { At(values_, value) = std::move(text); }

void KavorinWeb::ClearValues() {
  for (std::string& value : values_) value.clear();
}

void KavorinWeb::ServiceExit() {
  const int result = Call(kServiceTerminate, {});
  if (result != 0) ShowFailure(FailedStep::Getter, result);
}

int KavorinWeb::SignDataToBmp(control::MemberArgs args) {
  std::vector<std::string> texts(args.begin(), args.end());
  if (texts.size() != 6) return kSignCardTooLong;
  std::string& card = texts[2];
  card.erase(std::min(card.find('='), card.size()));
  if (card.size() > kMostSignCardBytes) return kSignCardTooLong;
  return Call(kSignDataToBmp, texts);
}

}  // namespace kavorin::web
