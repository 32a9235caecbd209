#include "web/zelksign_web/zelksign_web.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/base64.hpp"
#include "web/zelksign_web/kavsignpad_ctl.hpp"

namespace kavorin::web {
namespace {

constexpr int kSignPadService = 2;
constexpr int kSignPadSignData = 4;
constexpr std::size_t kSequenceArgument = 2;
constexpr std::size_t kSignDataOutput = 1;
constexpr std::size_t kSignLengthOutput = 2;

const control::LibraryOperation& Operation(int ordinal) { return control::OperationAt(KavSignPadCtl(), ordinal); }

// Leading decimal digits, 0 when there are none.
std::size_t LeadingNumber(std::string_view text) {
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || value > kSignPadDataBytes) break;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

}  // namespace

ZelkSignWeb::ZelkSignWeb(control::LibraryCall library) : library_(std::move(library)) {}

int ZelkSignWeb::Forward(int ordinal, control::MemberArgs args) {
  control::OperationCall call(Operation(ordinal));
  return call.Run(library_, args);
}

std::string ZelkSignWeb::Read(int ordinal, control::MemberArgs inputs, std::size_t output) {
  control::OperationCall call(Operation(ordinal));
  call.Run(library_, inputs);
  return call.Text(output);
}

int ZelkSignWeb::SignPadService(control::MemberArgs args) {
  if (args.size() != 7) return control::kOperationMissing;
  if (args[kSequenceArgument].size() > kMostSequenceNumberBytes) return control::kArgumentTooLong;
  std::vector<std::string> inputs(args.begin(), args.end());
  inputs[kSequenceArgument] = PadSequenceNumber(args[kSequenceArgument]);
  return Forward(kSignPadService, inputs);
}

std::string ZelkSignWeb::SignDataBase64() {
  control::OperationCall call(Operation(kSignPadSignData));
  call.Run(library_, {});
  // A length beyond the buffer would be a signature cut short: none is
  // handed back rather than a part.
  const std::size_t length = LeadingNumber(call.Text(kSignLengthOutput));
  if (length > kSignPadDataBytes) return {};
  const std::string_view data = call.Bytes(kSignDataOutput).substr(0, length);
  return Base64Encode(data);
}

std::string PadSequenceNumber(std::string_view text) {
  int value = 0;
  for (const char c : text.substr(0, kMostSequenceNumberBytes)) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  char formatted[16] = {};
  std::snprintf(formatted, sizeof formatted, "%.3d", value);
  return formatted;
}

}  // namespace kavorin::web
