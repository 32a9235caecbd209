#include "client/api/export_calls.hpp"

#include <cstring>
#include <optional>
#include <vector>

#include "contract/export_table.hpp"
#include "client/api/free_style.hpp"
#include "client/api/host_channel.hpp"
#include "client/api/link_status.hpp"
#include "common/base64.hpp"
#include "common/hex.hpp"
#include "common/message_box.hpp"
#include "common/text_codec.hpp"
#include "config/port_setting.hpp"
#include "contract/service_methods.hpp"

namespace kavorin {
namespace {

std::u16string Unicode(const char* text) { return text == nullptr ? std::u16string() : Utf16FromCp949(text); }

void ShowFailure(const ExportEntry& entry) { ShowMessageBox(kComErrorCaption, Cp949FromUtf8(entry.failureText)); }

// The out-parameters a reply must carry: [int] or [int, text].
std::optional<int> IntOut(const ServiceReply& reply) {
  if (reply.dispatch != kDispatched || reply.outs.empty()) return std::nullopt;
  const auto* value = std::get_if<std::int32_t>(&reply.outs[0]);
  return value ? std::optional<int>(*value) : std::nullopt;
}

struct GetterAnswer {
  int result = 0;
  std::string text;  // CP949
};

HostStatus CallInt(HostChannel& channel, int dispid, const std::vector<ServiceValue>& args, int& result) {
  ServiceReply reply;
  const HostStatus status = channel.Call(dispid, args, reply);
  if (status != HostStatus::kOk) return status;
  const auto value = IntOut(reply);
  if (!value) return HostStatus::kFailure;
  result = *value;
  return HostStatus::kOk;
}

// What an export answers for a host status other than kOk; kFailure shows
// the export's own message first.
int ResultOf(HostStatus status, const ExportEntry& entry) {
  switch (status) {
    case HostStatus::kOk:
    case HostStatus::kNoInterface: return kExportOk;
    case HostStatus::kTooLarge: return kHostRefused;
    case HostStatus::kUntrusted: return kHostUntrusted;
    case HostStatus::kFailure:
    case HostStatus::kEnding: break;
  }
  ShowFailure(entry);
  return kHostFailure;
}

// A getter of the host: kOk with its answer, or another status (a kFailure
// has shown its message).
HostStatus AskGetter(int ordinal, GetterAnswer& answer) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  const HostStatus status = WithHost([&](HostChannel& channel) {
    ServiceReply reply;
    const HostStatus called = channel.Call(entry.hostDispid, {}, reply);
    if (called != HostStatus::kOk) return called;
    const auto result = IntOut(reply);
    if (!result || reply.outs.size() != 2 || !std::holds_alternative<std::u16string>(reply.outs[1])) {
      return HostStatus::kFailure;
    }
    answer.result = *result;
    answer.text = Cp949FromUtf16(std::get<std::u16string>(reply.outs[1]));
    return HostStatus::kOk;
  });
  return status;
}

// A getter's answer, or the export's result when there is none to copy.
std::optional<int> GetterFailure(HostStatus status, int ordinal) {
  if (status == HostStatus::kOk) return std::nullopt;
  return ResultOf(status, ExportByOrdinal(ordinal));
}

}  // namespace

int RequestExport(int ordinal, std::initializer_list<const char*> args) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  std::vector<ServiceValue> values;
  for (const char* arg : args) values.emplace_back(Unicode(arg));
  int result = 0;
  const HostStatus status =
      WithHost([&](HostChannel& channel) { return CallInt(channel, entry.hostDispid, values, result); });
  if (status != HostStatus::kOk) return ResultOf(status, entry);
  return result == 0 ? kExportOk : kHostRefused;
}

int PassThroughExport(int ordinal) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  int result = 0;
  const HostStatus status =
      WithHost([&](HostChannel& channel) { return CallInt(channel, entry.hostDispid, {}, result); });
  if (status != HostStatus::kOk) return ResultOf(status, entry);
  return result;
}

// The exports never learn the size of the caller's buffer: each writes at
// most the size its family documents, and an answer that would not fit is
// refused whole rather than cut or let run past the buffer.
int TextGetterExport(int ordinal, char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  if (const auto failed = GetterFailure(AskGetter(ordinal, answer), ordinal)) return *failed;
  if (answer.text.size() + 1 > kTextAnswerBytes) return kAnswerTooLong;
  std::memcpy(buffer, answer.text.c_str(), answer.text.size() + 1);
  return answer.result;
}

int SignDataBytesExport(char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  if (const auto failed = GetterFailure(AskGetter(45, answer), 45)) return *failed;
  const std::vector<std::uint8_t> bytes = Base64Decode(answer.text);
  if (bytes.size() + 1 > kSignDataBytes) return kAnswerTooLong;
  std::memcpy(buffer, bytes.data(), bytes.size());
  buffer[bytes.size()] = '\0';
  return answer.result;
}

int SignDataHexExport(char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  if (const auto failed = GetterFailure(AskGetter(53, answer), 53)) return *failed;
  const std::vector<std::uint8_t> bytes = Base64Decode(answer.text);
  if (bytes.size() > kSignDataHexBytes) return kAnswerTooLong;
  const std::string hex = BytesToHexUpper(bytes);
  std::memcpy(buffer, hex.data(), hex.size());  // no NUL: the caller zeroes its buffer
  return answer.result;
}

int FreeStyleResultMessageExport(char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  if (const auto failed = GetterFailure(AskGetter(61, answer), 61)) return *failed;
  const std::string plain = UnescapeFreeStyle(answer.text);
  if (plain.size() > kTextAnswerBytes) return kAnswerTooLong;
  std::memcpy(buffer, plain.data(), plain.size());  // exactly the unescaped bytes, no NUL
  return answer.result;
}

int FreeStylePrintExport(int ordinal, const std::string& mode, const std::string& data) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  int result = 0;
  HostStatus status = WithHost([&](HostChannel& channel) {
    int ignored = 0;
    const HostStatus switched = CallInt(channel, method_dispid::CashApprovalPrint,
                                        {std::u16string(u"EXFREE"), Utf16FromCp949(mode)}, ignored);
    if (switched != HostStatus::kOk) return switched;
    return CallInt(channel, method_dispid::FreeStylePrint, {Utf16FromCp949(data)}, result);
  });
  // Here a host without the interface is a failure too.
  if (status == HostStatus::kNoInterface) status = HostStatus::kFailure;
  if (status != HostStatus::kOk) return ResultOf(status, entry);
  return result == 0 ? kExportOk : kHostRefused;
}

int TextFreeStylePrintExport(const char* data) { return FreeStylePrintExport(16, "0", data == nullptr ? "" : data); }

int ExFreeStylePrintExport(const char* data) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data == nullptr ? "" : data);
  const std::size_t length = ScanExFreeStyleLength(bytes);
  if (length > kMaxExFreeStyleBytes) return kHostRefused;
  return FreeStylePrintExport(54, "9999", BytesToHexUpper({bytes, length}));
}

int FreeStyleTranExport(const char* commType, const char* userData) {
  const auto escaped = EscapeFreeStyle(userData == nullptr ? "" : userData);
  if (!escaped) return kHostRefused;
  return RequestExport(59, {commType, escaped->c_str()});
}

int GetRegComPortExport(char* port) {
  if (port == nullptr) return kNullBuffer;
  if (const auto stored = ReadStoredPort()) std::memcpy(port, stored->c_str(), stored->size() + 1);
  return kExportOk;
}

int SetRegComPortExport(const char* port) {
  const PortStoreResult result = StorePort(port == nullptr ? "" : port);
  // A name no reader could take back (256 bytes with its NUL), or one that
  // would write control bytes into the logs, is refused like one that is
  // not a port name.
  return result == PortStoreResult::kNotAPortName || result == PortStoreResult::kTooLong ||
                 result == PortStoreResult::kControlByte
             ? kPortNotStored
             : kExportOk;
}

}  // namespace kavorin
