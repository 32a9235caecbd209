#include "web/kavorin_web/failure_messages.hpp"

#include "common/message_box.hpp"
#include "common/text_codec.hpp"

namespace kavorin::web {
namespace {

constexpr std::string_view kNoModule = "단말기와 통신 모듈을 호출할 수 없습니다. 프로그램 설치를 확인하여 주시기 바랍니다.";
constexpr std::string_view kPortCaption = "KAVORIN 통신포트 설정 에러";
constexpr std::string_view kServiceCaption = "KAVORIN 서비스 설정 에러";
constexpr std::string_view kDataCaption = "KAVORIN 데이터 설정 에러";

// clang-format off
constexpr FailureMessage kMessages[] = {
  {FailedStep::Connect, -10000, kPortCaption, kNoModule},
  {FailedStep::Connect, -2, kPortCaption, "단말기와 통신을 연결할 수 없습니다. 다른 프로그램이 사용하는지 확인하여 주시기 바랍니다."},
  {FailedStep::Connect, -1, kPortCaption, "단말기와 통신할 통신포트를 설정하여 주시기 바랍니다."},
  {FailedStep::Service, -10000, kServiceCaption, kNoModule},
  {FailedStep::Service, -2, kServiceCaption, "단말기와 통신할 통신포트가 초기화 되지 않았습니다. 다시 시작하여 주시기 바랍니다."},
  {FailedStep::Status, -1000, "KAVORIN 서비스 실행 에러", "단말기와의 통신 상태 체크 화면 활성화에 실패 하였습니다. 다시 시작하여 주시기 바랍니다."},
  {FailedStep::Getter, -10000, "KAVORIN 데치터 참조 에러", kNoModule},
  {FailedStep::Data, -1, kDataCaption, "전표인쇄시 필요한 데이터 중 응답코드가 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -2, kDataCaption, "전표인쇄시 필요한 데이터 중 카드 또는 핸드폰번호 데이터가 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -3, kDataCaption, "전표인쇄시 필요한 데이터 중 승인일시가 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -4, kDataCaption, "전표인쇄시 필요한 데이터 중 승인금액이 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -5, kDataCaption, "전표인쇄시 필요한 데이터 중 발급사 명이 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -6, kDataCaption, "전표인쇄시 필요한 데이터 중 가맹점 번호가 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -7, kDataCaption, "전표인쇄시 필요한 데이터 중 원 거래일자가 인쇄 가능한 데이터가 아닙니다."},
  {FailedStep::Data, -8, kDataCaption, "전표인쇄시 필요한 데이터 중 현금영수증 거래유형이 인쇄 가능한 데이터가 아닙니다."},
};
// clang-format on

}  // namespace

std::span<const FailureMessage> FailureMessages() { return kMessages; }

const FailureMessage* FindFailureMessage(FailedStep step, int code) {
  for (const FailureMessage& message : kMessages) {
    if (message.step == step && message.code == code) return &message;
  }
  return nullptr;
}

void ShowFailure(FailedStep step, int code) {
  if (const FailureMessage* message = FindFailureMessage(step, code)) {
    ShowMessageBox(Cp949FromUtf8(message->caption), Cp949FromUtf8(message->text));
  }
}

}  // namespace kavorin::web
