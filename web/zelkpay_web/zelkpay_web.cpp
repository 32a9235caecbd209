#include "web/zelkpay_web/zelkpay_web.hpp"

#include <string_view>
#include <utility>
#include <vector>

#include "common/base64.hpp"
#include "web/zelkpay_web/zelkpay43.hpp"

namespace kavorin::web {
namespace {

constexpr int kCommonData = 2;
constexpr int kTerminalNumber = 15;
constexpr int kTransactionNumber = 19;
constexpr int kDownloadData = 191;
constexpr int kExDevLogon = 231;
constexpr int kSendRequest = 50;

const control::LibraryOperation& Operation(int ordinal) { return control::OperationAt(ZelkPay43(), ordinal); }

}  // namespace

ZelkPayWeb::ZelkPayWeb(control::LibraryCall library) : library_(std::move(library)) {}

int ZelkPayWeb::Forward(int ordinal, std::span<const std::string> inputs) {
  control::OperationCall call(Operation(ordinal));
  return call.Run(library_, inputs);
}

std::string ZelkPayWeb::Read(int ordinal, std::span<const std::string> inputs, std::size_t output,
                             bool emptyOnFailure) {
  control::OperationCall call(Operation(ordinal));
  const int result = call.Run(library_, inputs);
  if (emptyOnFailure && result != 0) return {};
  return call.Text(output);
}

int ZelkPayWeb::ForwardSignData(int ordinal, control::MemberArgs args) {
  std::vector<std::string> inputs(args.begin(), args.end());
  if (inputs.empty()) return control::kOperationMissing;
  const std::vector<std::uint8_t> decoded = Base64Decode(inputs.back());
  inputs.back().assign(decoded.begin(), decoded.end());
  return Forward(ordinal, inputs);
}

int ZelkPayWeb::SetCommonData(control::MemberArgs args) {
  // terminal_number, sequence_number, pos_initial, temp_info, cancel_type
  if (args.size() != 5) return control::kOperationMissing;
  const int result = Forward(kCommonData, args.subspan(2));
  if (result != 0) return result;
  Forward(kTerminalNumber, args.subspan(0, 1));
  Forward(kTransactionNumber, args.subspan(1, 1));
  return 0;
}

std::string ZelkPayWeb::DownloadField(std::size_t field) {
  control::OperationCall call(Operation(kDownloadData));
  call.Run(library_, {});
  return field == 0 ? call.Text(0) + call.Text(1) : call.Text(field + 1);
}

int ZelkPayWeb::ExecuteExDevLogonService(control::MemberArgs args) {
  logonCode_.clear();
  logonMessage_.clear();
  control::OperationCall call(Operation(kExDevLogon));
  const int result = call.Run(library_, args);
  if (result == 0 || result == -1000) {
    logonCode_ = control::CutCp949(call.Text(0), kLogonCodeLength);
    logonMessage_ = control::CutCp949(call.Text(1), kLogonMessageBytes - 1);
  }
  return result;
}

int ZelkPayWeb::ExecuteSendRequest(control::MemberArgs args) {
  sendRequest_.clear();
  if (args.size() != 1) return control::kOperationMissing;
  const std::string inputs[] = {args[0], std::to_string(args[0].size())};
  control::OperationCall call(Operation(kSendRequest));
  const int result = call.Run(library_, inputs);
  sendRequest_ = call.Text(0);
  return result;
}

}  // namespace kavorin::web
