#include "client/api/export_calls.hpp"

#include <cstring>
#include <optional>
#include <vector>

#include "client/api/export_table.hpp"
#include "client/api/free_style.hpp"
#include "client/api/host_channel.hpp"
#include "client/api/link_status.hpp"
#include "common/base64.hpp"
#include "common/hex.hpp"
#include "common/message_box.hpp"
#include "common/text_codec.hpp"
#include "config/port_setting.hpp"
#include "host/service/service_methods.hpp"

namespace kavorin {
namespace {

std::u16string Unicode(const char* text) { return text == nullptr ? std::u16string() : Utf16FromCp949(text); }

int DispidOf(std::string_view method) { return FindServiceMethod(method)->dispid; }

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

// One activation and the calls of `body`. Returns the host status; the
// caller turns kFailure into its message and -10000.
template <class Body>
HostStatus WithHost(Body body) {
  auto channel = OpenHostChannel();
  const HostStatus activated = channel->Activate();
  if (activated != HostStatus::kOk) return activated;
  return body(*channel);
}

HostStatus CallInt(HostChannel& channel, int dispid, const std::vector<ServiceValue>& args, int& result) {
  ServiceReply reply;
  const HostStatus status = channel.Call(dispid, args, reply);
  if (status != HostStatus::kOk) return status;
  const auto value = IntOut(reply);
  if (!value) return HostStatus::kFailure;
  result = *value;
  return HostStatus::kOk;
}

// A getter of the host: kOk with its answer, kNoInterface (nothing to copy)
// or kFailure (the message has been shown).
HostStatus AskGetter(int ordinal, GetterAnswer& answer) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  const HostStatus status = WithHost([&](HostChannel& channel) {
    ServiceReply reply;
    const HostStatus called = channel.Call(DispidOf(entry.hostMethod), {}, reply);
    if (called != HostStatus::kOk) return called;
    const auto result = IntOut(reply);
    if (!result || reply.outs.size() != 2 || !std::holds_alternative<std::u16string>(reply.outs[1])) {
      return HostStatus::kFailure;
    }
    answer.result = *result;
    answer.text = Cp949FromUtf16(std::get<std::u16string>(reply.outs[1]));
    return HostStatus::kOk;
  });
  if (status == HostStatus::kFailure) ShowFailure(entry);
  return status;
}

}  // namespace

int RequestExport(int ordinal, std::initializer_list<const char*> args) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  std::vector<ServiceValue> values;
  for (const char* arg : args) values.emplace_back(Unicode(arg));
  int result = 0;
  const HostStatus status =
      WithHost([&](HostChannel& channel) { return CallInt(channel, DispidOf(entry.hostMethod), values, result); });
  if (status == HostStatus::kNoInterface) return kExportOk;
  if (status == HostStatus::kFailure) {
    ShowFailure(entry);
    return kHostFailure;
  }
  return result == 0 ? kExportOk : kHostRefused;
}

int PassThroughExport(int ordinal) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  int result = 0;
  const HostStatus status =
      WithHost([&](HostChannel& channel) { return CallInt(channel, DispidOf(entry.hostMethod), {}, result); });
  if (status == HostStatus::kNoInterface) return 0;
  if (status == HostStatus::kFailure) {
    ShowFailure(entry);
    return kHostFailure;
  }
  return result;
}

int TextGetterExport(int ordinal, char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  const HostStatus status = AskGetter(ordinal, answer);
  if (status == HostStatus::kNoInterface) return 0;
  if (status == HostStatus::kFailure) return kHostFailure;
  std::memcpy(buffer, answer.text.c_str(), answer.text.size() + 1);
  return answer.result;
}

int SignDataBytesExport(char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  const HostStatus status = AskGetter(45, answer);
  if (status == HostStatus::kNoInterface) return 0;
  if (status == HostStatus::kFailure) return kHostFailure;
  const std::vector<std::uint8_t> bytes = Base64Decode(answer.text);
  // The bytes and their trailing zero must fit the 4096-byte work buffer.
  if (bytes.size() > 4095) return kSignDataTooLarge;
  std::memcpy(buffer, bytes.data(), bytes.size());
  buffer[bytes.size()] = '\0';
  return answer.result;
}

int SignDataHexExport(char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  const HostStatus status = AskGetter(53, answer);
  if (status == HostStatus::kNoInterface) return 0;
  if (status == HostStatus::kFailure) return kHostFailure;
  const std::vector<std::uint8_t> bytes = Base64Decode(answer.text);
  if (bytes.size() > 4000) return kSignDataTooLarge;
  const std::string hex = BytesToHexUpper(bytes);
  std::memcpy(buffer, hex.data(), hex.size());  // no NUL: the caller zeroes its buffer
  return answer.result;
}

int FreeStyleResultMessageExport(char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  GetterAnswer answer;
  const HostStatus status = AskGetter(61, answer);
  if (status == HostStatus::kNoInterface) return 0;
  if (status == HostStatus::kFailure) return kHostFailure;
  const std::string plain = UnescapeFreeStyle(answer.text);
  std::memcpy(buffer, plain.data(), plain.size());  // exactly the unescaped bytes, no NUL
  return answer.result;
}

int FreeStylePrintExport(int ordinal, const std::string& mode, const std::string& data) {
  const ExportEntry& entry = ExportByOrdinal(ordinal);
  int result = 0;
  HostStatus status = WithHost([&](HostChannel& channel) {
    int ignored = 0;
    const HostStatus switched = CallInt(channel, DispidOf("CashApprovalPrint"),
                                        {std::u16string(u"EXFREE"), Utf16FromCp949(mode)}, ignored);
    if (switched != HostStatus::kOk) return switched;
    return CallInt(channel, DispidOf("FreeStylePrint"), {Utf16FromCp949(data)}, result);
  });
  if (status != HostStatus::kOk) {
    ShowFailure(entry);
    return kHostFailure;
  }
  return result == 0 ? kExportOk : kHostRefused;
}

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
  return 0;
}

int SetRegComPortExport(const char* port) {
  const PortStoreResult result = StorePort(port == nullptr ? "" : port);
  // A name no reader could take back (256 bytes with its NUL) is refused
  // like one that is not a port name.
  return result == PortStoreResult::kNotAPortName || result == PortStoreResult::kTooLong ? -1 : 0;
}

}  // namespace kavorin
