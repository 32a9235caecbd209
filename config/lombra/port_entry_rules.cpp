#include "config/lombra/port_entry_rules.hpp"

#include <algorithm>
#include <charconv>

#include "common/text_codec.hpp"

namespace kavorin {
namespace {

std::string Cp949(const char* utf8) { return Cp949FromUtf8(utf8); }

template <std::size_t N>
std::optional<int> PositionOf(const std::array<const char*, N>& items, const std::string& cp949) {
  for (std::size_t i = 0; i < N; ++i) {
    if (Cp949(items[i]) == cp949) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::optional<int> Number(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string ParityText(int parity) {
  return parity >= 0 && parity < 3 ? Cp949(kParityItems[static_cast<std::size_t>(parity)]) : std::to_string(parity);
}

std::string StopBitText(int stopBits) {
  return stopBits >= 0 && stopBits < 3 ? kStopBitItems[static_cast<std::size_t>(stopBits)] : std::to_string(stopBits);
}

std::string ActiveText(int active) { return Cp949(active == 1 ? "예" : "아니오"); }

std::array<std::string, 6> PortRowTexts(const ComInfo& entry) {
  return {entry.port,         std::to_string(entry.speed),  std::to_string(entry.dataBits),
          ParityText(entry.parity), StopBitText(entry.stopBits), ActiveText(entry.active)};
}

PortEntryFields FieldsOf(const ComInfo& entry) {
  return {entry.port, std::to_string(entry.speed), std::to_string(entry.dataBits), ParityText(entry.parity),
          StopBitText(entry.stopBits), entry.active == 1};
}

std::optional<std::string> CheckPortEntry(const PortEntryFields& fields, const CLombraConfig& config,
                                          int editedIndex) {
  if (fields.port.empty() || fields.speed.empty() || fields.dataBits.empty() || fields.parity.empty() ||
      fields.stopBits.empty()) {
    return MissingFieldMessage();
  }
  const int holder = config.FindComPort(fields.port);
  if (holder != 0 && holder != editedIndex) return PortListedMessage(fields.port);
  return std::nullopt;
}

std::optional<ComInfo> EntryFromFields(const PortEntryFields& fields) {
  const auto speed = Number(fields.speed);
  const auto data_bits = Number(fields.dataBits);
  const auto parity = PositionOf(kParityItems, fields.parity);
  const auto stop_bits = PositionOf(kStopBitItems, fields.stopBits);
  if (!speed || !data_bits || !parity || !stop_bits) return std::nullopt;
  return ComInfo{{}, fields.port, *speed, *data_bits, *parity, *stop_bits, fields.active ? 1 : 0};
}

ConfirmOutcome ApplyServerSettings(CLombraConfig& config, const ServerSettings& settings, bool listChanged) {
  const bool changed = settings.host != config.host() || settings.port != config.serverPort() ||
                       settings.logOption != config.logOption();
  if (changed) {
    if (!config.SetHost(settings.host, true) || !config.SetServerPort(settings.port, true) ||
        !config.SetLogOption(settings.logOption, true)) {
      return ConfirmOutcome::kNotSaved;
    }
    return ConfirmOutcome::kRestartService;
  }
  return listChanged ? ConfirmOutcome::kRestartService : ConfirmOutcome::kNothingChanged;
}

std::string LombraNoticeCaption() { return Cp949("LOMBRA PC 알림"); }
std::string MissingFieldMessage() { return Cp949("작성되지 않은 항목이 존재하여 적용 할 수 없습니다."); }
std::string PortListedMessage(std::string_view port) {
  return Cp949("변경할 ") + std::string(port) + Cp949(" 포트가 리스트에 존재 하여 적용 할 수 없습니다.");
}
std::string AddFailedMessage() { return Cp949("추가사항을 적용하는데 실패 하였습니다."); }
std::string UpdateFailedMessage() { return Cp949("수정사항을 적용하는데 실패 하였습니다."); }
std::string SelectToDeleteMessage() { return Cp949("삭제할 항목을 리스트에서 선택하여 주시기 바랍니다."); }
std::string DeleteQuestion(std::string_view port) {
  return std::string(port) + Cp949(" 포트를 정말로 삭제 하시겠습니까?");
}
std::string DeleteFailedMessage(std::string_view port) {
  return std::string(port) + Cp949(" 포트를 삭제 하는데 실패 하였습니다.");
}
std::string RestartServiceMessage() { return Cp949("변경된 값을 적용 하기 위해서는 서비스를 재 시작 하셔야 합니다."); }

}  // namespace kavorin
