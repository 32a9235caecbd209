#include "setup/setup_texts.hpp"

#include "common/text_codec.hpp"

namespace kavorin::setup {

std::string SetupCancelledText() { return Cp949FromUtf8("ZELK4Web 프로그램 설치를 중지 하였습니다."); }
std::string SetupCancelledCaption() { return Cp949FromUtf8("ZELK4Web 설치"); }
std::string SetupDoneText() { return Cp949FromUtf8("ZELK4Web 프로그램의 설치가 완료 되었습니다."); }
std::string SetupFailedText() {
  return Cp949FromUtf8(
      "ZELK4Web 프로그램을 설치 할 수 없습니다.\r\n\r\n"
      "사용중인 웹 브라우저 또는 프로그램을 모두 종료하신후 다시 설치하여 주시기 바랍니다.");
}
std::string SetupResultCaption() { return Cp949FromUtf8("ZELK4Web 프로그램 설치"); }
std::string UninstallDoneText() { return Cp949FromUtf8("ZELK4Web 프로그램 제거가 완료 되었습니다."); }
std::string UninstallFailedText() {
  return Cp949FromUtf8(
      "ZELK4Web 프로그램 제거 할 수 없습니다.\r\n\r\n"
      "사용중인 웹 브라우저 또는 프로그램을 모두 종료 하신 후 다시 제거 하여 주시기 바랍니다.");
}
std::string UninstallResultCaption() { return Cp949FromUtf8("ZELK4Web 프로그램 제거"); }
std::string OleFailedText() { return "DLLRegister OleInitialize failed."; }
std::string OleFailedCaption() { return "Error"; }
std::string TerminalNumberText() {
  return Cp949FromUtf8("단말기번호가 설정되지 않았거나 잘못입력 되었습니다. 설치 후 ini 파일에 수기입력 해주세요.");
}

}  // namespace kavorin::setup
