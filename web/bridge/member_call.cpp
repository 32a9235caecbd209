#include "web/bridge/member_call.hpp"

#include <cctype>
#include <utility>

#include <boost/json/serialize.hpp>

#include "client/api/link_status.hpp"
#include "common/card_mask.hpp"
#include "common/message_box.hpp"
#include "common/text_codec.hpp"
#include "web/kavorin_web/failure_messages.hpp"

namespace kavorin::bridge {
namespace json = boost::json;
namespace {

constexpr int kStatusCheckOrdinal = 69;
constexpr int kDisplayDataOrdinal = 30;

struct ShownMessage {
  std::string caption;  // CP949, as the control shows it
  std::string text;
};

// The message a member shows on this thread, captured instead of shown.
thread_local std::vector<ShownMessage>* capture = nullptr;

void CaptureOrShow(const std::string& caption, const std::string& text) {
  if (capture != nullptr) {
    capture->push_back({caption, text});
  } else {
    ShowPlatformMessageBox(caption, text);
  }
}

// The message table's code of a shown message (each caption and text pair
// is one row's).
int CodeOf(const ShownMessage& shown, int fallback) {
  for (const web::FailureMessage& row : web::FailureMessages()) {
    if (Cp949FromUtf8(row.caption) == shown.caption && Cp949FromUtf8(row.text) == shown.text) return row.code;
  }
  return fallback;
}

// The link-status display of one exchange, its lines sent to the page.
class ProgressView : public LinkStatusView {
 public:
  explicit ProgressView(const ProgressSink* sink) : sink_(sink) {}
  void ShowMain(const std::string& line) override {
    if (sink_ != nullptr && *sink_) (*sink_)(line);
  }
  void ShowSecond(const std::string& line, bool visible) override {
    if (visible && sink_ != nullptr && *sink_) (*sink_)(line);
  }

 private:
  const ProgressSink* sink_;
};

// A name from the request as it may appear in an answer: printable ASCII
// (member names are), anything else as '?', so the answer stays valid JSON.
std::string Printable(std::string_view text) {
  std::string out;
  for (char c : text.substr(0, 64)) out += (c >= 0x20 && c < 0x7F) ? c : '?';
  return out;
}

bool IsWholeNumber(const json::value& value, std::string& text) {
  if (value.is_int64()) {
    text = std::to_string(value.get_int64());
    return true;
  }
  if (value.is_uint64()) {
    text = std::to_string(value.get_uint64());
    return true;
  }
  return false;
}

bool ReadArgument(const json::value& value, std::string& out) {
  if (value.is_string()) {
    out = Cp949FromUtf8(std::string_view(value.get_string()));
    return true;
  }
  return IsWholeNumber(value, out);
}

}  // namespace

json::object ErrorJson(const CallError& error) {
  json::object body;
  body["error"] = json::object{{"code", error.code}, {"text", error.text}};
  return body;
}

std::optional<MemberCall> ReadCall(std::string_view memberName, const json::value* args, CallError& error) {
  MemberCall call;
  call.member = control::FindMember(web::KavorinWebMembers(), memberName);
  if (call.member == nullptr) {
    error = {errors::kUnknownMember, "KAVORIN_Web has no member \"" + Printable(memberName) + "\""};
    return std::nullopt;
  }
  const std::vector<control::Param> params = control::Params(*call.member);
  const std::string name(call.member->name);
  if (args == nullptr || args->is_null()) {
    // no arguments
  } else if (args->is_array()) {
    for (const json::value& value : args->get_array()) {
      std::string text;
      if (!ReadArgument(value, text)) {
        error = {errors::kBadArguments,
                 name + ": argument " + std::to_string(call.args.size() + 1) + " must be a text or a whole number"};
        return std::nullopt;
      }
      call.args.push_back(std::move(text));
    }
  } else if (args->is_object()) {
    const json::object& named = args->get_object();
    for (const control::Param& param : params) {
      const json::value* value = named.if_contains(json::string_view(param.name.data(), param.name.size()));
      std::string text;
      if (value == nullptr || !ReadArgument(*value, text)) {
        error = {errors::kBadArguments, name + ": " + std::string(param.name) + " must be given as a text or a whole number"};
        return std::nullopt;
      }
      call.args.push_back(std::move(text));
    }
    if (named.size() != params.size()) {
      error = {errors::kBadArguments, name + " takes only its parameters by name"};
      return std::nullopt;
    }
  } else {
    error = {errors::kBadArguments, name + ": args must be an array or an object"};
    return std::nullopt;
  }
  if (call.args.size() != params.size()) {
    error = {errors::kBadArguments, name + " takes " + std::to_string(params.size()) + " arguments, " +
                                        std::to_string(call.args.size()) + " given"};
    return std::nullopt;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (params[i].kind == control::ParamKind::Long && !control::LongArgument(call.args[i])) {
      error = {errors::kBadArguments, name + ": " + std::string(params[i].name) + " must be a 32-bit whole number"};
      return std::nullopt;
    }
  }
  return call;
}

PageControl::PageControl(const web::LibraryBinding& binding) : control_(binding) {
  control_.SetStatusStep([this] { return StatusStep(); });
}

int PageControl::StatusStep() {
  const web::LibraryBinding& binding = control_.binding();
  LinkStatusHost host;
  host.statusCheck = [&binding]() -> std::optional<int> { return web::CallExport(binding, kStatusCheckOrdinal, {}); };
  host.displayData = [&binding] {
    std::string buffer(web::kLibraryTextBytes, '\0');
    char* pointer = buffer.data();
    if (web::CallExport(binding, kDisplayDataOrdinal, std::span(&pointer, 1)) != 0) return std::string();
    return Utf8FromCp949(web::CutCp949(buffer.c_str(), web::kTextGetterBytes - 1));
  };
  ProgressView view(progress_);
  return RunLinkStatus(host, view, nullptr, kExchangeLimit);
}

json::object PageControl::Run(const MemberCall& call, const ProgressSink& progress) {
  std::vector<ShownMessage> shown;
  SetMessageBoxHandler(&CaptureOrShow);  // no message box may wait for a person here
  capture = &shown;
  progress_ = &progress;
  const control::InvokeOutcome outcome =
      control::Invoke(web::KavorinWebMembers(), control_, call.member->dispid, call.args);
  progress_ = nullptr;
  capture = nullptr;

  json::object body;
  if (outcome.error != control::InvokeError::None) {
    // ReadCall has checked the count and the numbers already.
    return ErrorJson({errors::kBadArguments, std::string(call.member->name) + ": arguments refused"});
  }
  const control::MemberResult& result = outcome.result;
  switch (result.kind) {
    case control::ResultKind::None: body["result"] = nullptr; break;
    case control::ResultKind::Long: body["result"] = result.number; break;
    case control::ResultKind::Text:
    case control::ResultKind::Variant: body["result"] = Utf8FromCp949(result.text); break;
  }
  if (!shown.empty()) {
    const int fallback = result.kind == control::ResultKind::Long ? result.number : 0;
    body["error"] = json::object{{"code", CodeOf(shown.front(), fallback)},
                                 {"caption", Utf8FromCp949(shown.front().caption)},
                                 {"text", Utf8FromCp949(shown.front().text)}};
  }
  return body;
}

std::string MaskCardNumbers(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    constexpr std::size_t kShortestCardDigits = 12;
    if (end - i < kShortestCardDigits) {
      out.append(text.substr(i, end - i));
      i = end;
      continue;
    }
    // The track remainder goes with the number: up to the next blank or quote.
    std::size_t remainder = end;
    if (remainder < text.size() && text[remainder] == '=') {
      while (remainder < text.size() && text[remainder] != ' ' && text[remainder] != '"') ++remainder;
    }
    out += MaskedCard(std::string(text.substr(i, remainder - i)));
    i = remainder;
  }
  return out;
}

std::string CallLogLine(std::string_view member, const json::object& outcome, std::chrono::microseconds duration) {
  std::string line = "call ";
  line += member;
  line += " -> ";
  if (const json::value* result = outcome.if_contains("result")) {
    line += MaskCardNumbers(json::serialize(*result));
  }
  if (const json::value* error = outcome.if_contains("error")) {
    line += " error ";
    line += MaskCardNumbers(json::serialize(*error));
  }
  const auto micros = duration.count();
  line += " (" + std::to_string(micros / 1000) + "." + std::to_string(micros % 1000 / 100) + " ms)";
  return line;
}

}  // namespace kavorin::bridge
