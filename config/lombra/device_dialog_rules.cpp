#include "config/lombra/device_dialog_rules.hpp"

#include <cstdio>

#include "common/text_codec.hpp"

namespace kavorin {
namespace {

std::string Cp949(const char* utf8) { return Cp949FromUtf8(utf8); }

}  // namespace

std::string DeviceNoticeCaption() { return Cp949("알림"); }
std::string SessionKeyQuestionCaption() { return Cp949("세션키 초기화"); }
std::string SessionKeyQuestion() { return Cp949("세션키도 초기화 하시겠습니까?"); }
std::string ReaderInitialisedMessage() { return Cp949("스마트 동글 초기화 완료!"); }

std::string FirmwareUpdateMessage(std::string_view chosenPath) {
  return Cp949(chosenPath.empty() ? "펌웨어를 선택해 주세요!" : "펌웨어 업데이트 완료!");
}

std::string ReaderTimeText(const LocalTime& when) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", when.year, when.month, when.day, when.hour,
                when.minute, when.second);
  return text;
}

std::string ReaderTimeDoneMessage() { return Cp949("정상 처리 되었습니다. (실행 모드 변환 성공)"); }

ComboChoices SecurityChoices(std::string_view currentMode) {
  return {{Cp949("암호화"), Cp949("암호화 없음")}, currentMode == "TCP_SECURE" ? 0 : 1};
}

ComboChoices ChoicesWithCurrent(const std::vector<std::string>& items, std::string_view current,
                                const char* invalidSuffix) {
  ComboChoices choices;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == current) choices.selected = static_cast<int>(i);
  }
  if (!choices.selected) {
    choices.items.push_back(std::string(current) + Cp949(invalidSuffix));
    choices.selected = 0;
  }
  choices.items.insert(choices.items.end(), items.begin(), items.end());
  return choices;
}

std::vector<std::string> ReaderSpeedItems() { return {"9600", "19200", "38400", "57600", "115200"}; }

ComboChoices SignWindowChoices(std::string_view currentSize) {
  ComboChoices choices{{Cp949("1배"), Cp949("1.5배"), Cp949("2배"), Cp949("2.5배")}, std::nullopt};
  if (currentSize.size() == 1 && currentSize[0] >= '1' && currentSize[0] <= '4') choices.selected = currentSize[0] - '1';
  return choices;
}

std::string KavsmartSaveMessage(std::string_view serialNumber) {
  return Cp949(serialNumber.size() >= 7 ? "잘못된 거래 일련 번호 입니다!" : "저장 되었습니다.!");
}

std::string PosDownloadMessage(std::string_view responseCode, std::string_view responseMessage) {
  if (responseCode == "0000") return Cp949("POS 다운로드 성공! (단말기 번호 설정)");
  return Cp949("POS 다운로드 실패! [") + std::string(responseCode) + "][" + std::string(responseMessage) + "]";
}

std::string DeviceLogonMessage(bool succeeded) {
  return Cp949(succeeded ? "부가 장비 로그온 성공!" : "부가 장비 로그온 실패!");
}

}  // namespace kavorin
