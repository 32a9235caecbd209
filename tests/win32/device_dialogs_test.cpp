// The single-instance rule of all eight exports of Property.dll, and the
// smart reader and device dialogs operated from a helper thread.
#include <filesystem>
#include <fstream>
#include <regex>

#include "config/win32/property_ids.h"
#include "tests/win32/dialog_operator.hpp"

namespace kavorin::dialog_test {
namespace {

namespace fs = std::filesystem;

const std::string kNotice = "알림: ";

class DeviceDialogTest : public ::testing::Test {
 protected:
  // The export `name` on this thread, `user` on a helper thread with the
  // dialog of `caption` (UTF-8).
  int Run(const char* name, const char* caption, const std::function<void(HWND)>& user) {
    return RunDialog(library_.View(name), [&] {
      HWND dialog = WaitForCaption(Cp949(caption));
      ASSERT_NE(dialog, nullptr) << caption << " never showed";
      user(dialog);
    });
  }
  PropertyLibrary library_;
};

// Each export shows its dialog once: a second call while it is open brings
// it to the front and gives 3; closing gives 2. The KAVSMART dialog, whose
// caption begins with a blank, is found by the caption it shows.
TEST_F(DeviceDialogTest, EveryExportShowsItsDialogOnce) {
  const std::pair<const char*, const char*> exports[] = {
      {"ViewKAVORINCOMPort", "COM Port 설정"},
      {"ViewPropertyDialog", "LOMBRA PC 환경 설정"},
      {"ViewDongleInitDialog", "스마트 통합 동글 초기화"},
      {"ViewDongleUpdateDialog", "스마트 통합 동글 업데이트"},
      {"ViewDongleTimeSetDialog", "스마트 통합 동글 시간 설정"},
      {"ViewDongleServiceSetDialog", " KAVSMART 환경 설정"},
      {"ViewPOSDownloadDialog", "POS DOWNLOAD"},
      {"ViewDeviceLogonDialog", "부가 장비 로그온"},
  };
  for (const auto& [name, caption] : exports) {
    SCOPED_TRACE(name);
    int second = 0;
    HWND first = nullptr;
    const int result = Run(name, caption, [&](HWND dialog) {
      first = dialog;
      second = library_.View(name)();
      Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(second, 3);
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(IsWindow(first));
  }
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TORQ");
}

TEST_F(DeviceDialogTest, InitialisingAsksAboutTheSessionKeyAndSaysDone) {
  std::vector<std::string> seen;
  const int result = Run("ViewDongleInitDialog", "스마트 통합 동글 초기화", [&](HWND dialog) {
    for (int answer : {IDYES, IDNO}) {
      Press(dialog, IDOK);
      const ShownBox question = WaitForMessageBox();
      seen.push_back(Utf8FromCp949(question.caption) + ": " + Utf8FromCp949(question.text));
      Answer(question, answer);
      seen.push_back(TakeMessage());
    }
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"세션키 초기화: 세션키도 초기화 하시겠습니까?", kNotice + "스마트 동글 초기화 완료!",
                                            "세션키 초기화: 세션키도 초기화 하시겠습니까?", kNotice + "스마트 동글 초기화 완료!"}));
}

// The file dialog's name field: the Explorer style's combo or the old edit.
int FileNameField(HWND open) { return GetDlgItem(open, 1148) != nullptr ? 1148 : 1152; }

TEST_F(DeviceDialogTest, UpdatingNeedsAChosenFirmwareFile) {
  const fs::path firmware = fs::temp_directory_path() / "reader-1.dorvn";
  std::ofstream(firmware) << "firmware";
  std::vector<std::string> seen;
  std::string chosen = "unset", after_cancel = "unset";
  const int result = Run("ViewDongleUpdateDialog", "스마트 통합 동글 업데이트", [&](HWND dialog) {
    Press(dialog, IDOK);
    seen.push_back(TakeMessage());
    auto is_file_dialog = [&](HWND w) { return w != dialog && !IsMessageBox(w) && GetDlgItem(w, IDOK) != nullptr &&
                                               (GetDlgItem(w, 1148) != nullptr || GetDlgItem(w, 1152) != nullptr); };
    Press(dialog, IDC_FIRMWARE_FIND);
    HWND open = WaitForDialog(is_file_dialog);
    ASSERT_NE(open, nullptr) << "no file dialog";
    SetControlText(open, FileNameField(open), firmware.string());
    Press(open, IDOK);
    WaitUntil([&] { return !IsWindow(open); });
    WaitUntil([&] { return !ControlText(dialog, IDC_FIRMWARE_PATH).empty(); });
    chosen = ControlText(dialog, IDC_FIRMWARE_PATH);
    Press(dialog, IDOK);
    seen.push_back(TakeMessage());
    // Cancelling the file dialog forgets the choice.
    Press(dialog, IDC_FIRMWARE_FIND);
    open = WaitForDialog(is_file_dialog);
    ASSERT_NE(open, nullptr) << "no file dialog";
    Press(open, IDCANCEL);
    WaitUntil([&] { return !IsWindow(open); });
    WaitUntil([&] { return ControlText(dialog, IDC_FIRMWARE_PATH).empty(); });
    after_cancel = ControlText(dialog, IDC_FIRMWARE_PATH);
    Press(dialog, IDOK);
    seen.push_back(TakeMessage());
    Press(dialog, IDCANCEL);
  });
  fs::remove(firmware);
  EXPECT_EQ(result, 2);
  EXPECT_EQ(fs::path(chosen).filename(), "reader-1.dorvn");
  EXPECT_EQ(after_cancel, "");
  EXPECT_EQ(seen, (std::vector<std::string>{kNotice + "펌웨어를 선택해 주세요!", kNotice + "펌웨어 업데이트 완료!",
                                            kNotice + "펌웨어를 선택해 주세요!"}));
}

std::string PcTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

TEST_F(DeviceDialogTest, TheReaderTimeShowsFourteenDigitsOfLocalTime) {
  std::string before, opened, after_get, refreshed;
  std::vector<std::string> seen;
  const int result = Run("ViewDongleTimeSetDialog", "스마트 통합 동글 시간 설정", [&](HWND dialog) {
    opened = ControlText(dialog, IDC_READER_TIME);
    Press(dialog, IDOK);
    seen.push_back(TakeMessage());
    after_get = ControlText(dialog, IDC_READER_TIME);
    before = PcTime();
    Press(dialog, IDC_PC_TIME);
    WaitUntil([&] { return !ControlText(dialog, IDC_READER_TIME).empty(); });
    refreshed = ControlText(dialog, IDC_READER_TIME);
    Press(dialog, IDC_SET_READER_TIME);
    seen.push_back(TakeMessage());
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
  const std::regex fourteen_digits("[0-9]{14}");
  EXPECT_TRUE(std::regex_match(opened, fourteen_digits)) << opened;
  EXPECT_TRUE(std::regex_match(refreshed, fourteen_digits)) << refreshed;
  // Taken within a second or two of the test's own reading.
  EXPECT_EQ(refreshed.substr(0, 12), before.substr(0, 12));
  EXPECT_LE(std::stoll(refreshed) - std::stoll(before), 2);
  EXPECT_EQ(after_get, "");
  EXPECT_EQ(seen, (std::vector<std::string>{kNotice + "정상 처리 되었습니다. (실행 모드 변환 성공)",
                                            kNotice + "정상 처리 되었습니다. (실행 모드 변환 성공)"}));
}

TEST_F(DeviceDialogTest, KavsmartSettingsShowTheirChoicesAndCheckTheSerialNumber) {
  std::vector<std::string> security, ports, speeds, sizes, seen;
  int security_selected = -1, port_selected = -1, speed_selected = -1, size_selected = 0;
  std::string address_after = "unset", port_after = "unset";
  const int result = Run("ViewDongleServiceSetDialog", " KAVSMART 환경 설정", [&](HWND dialog) {
    security = ComboItems(dialog, IDC_SECURITY);
    security_selected = ComboSelection(dialog, IDC_SECURITY);
    ports = ComboItems(dialog, IDC_READER_PORT);
    port_selected = ComboSelection(dialog, IDC_READER_PORT);
    speeds = ComboItems(dialog, IDC_READER_SPEED);
    speed_selected = ComboSelection(dialog, IDC_READER_SPEED);
    sizes = ComboItems(dialog, IDC_SIGN_WINDOW);
    size_selected = ComboSelection(dialog, IDC_SIGN_WINDOW);

    // Another security mode empties the host address.
    SetControlText(dialog, IDC_HOST_ADDRESS, "10.0.0.9");
    SetControlText(dialog, IDC_HOST_PORT, "9100");
    SelectCombo(dialog, IDC_SECURITY, "암호화");
    Notify(dialog, IDC_SECURITY, CBN_SELCHANGE);
    WaitUntil([&] { return ControlText(dialog, IDC_HOST_ADDRESS).empty(); });
    address_after = ControlText(dialog, IDC_HOST_ADDRESS);
    port_after = ControlText(dialog, IDC_HOST_PORT);

    // Typing into the security field.
    HWND typed = FindWindowExA(GetDlgItem(dialog, IDC_SECURITY), nullptr, "Edit", nullptr);
    PostMessageA(typed, WM_CHAR, 'x', 0);
    seen.push_back(TakeMessage());

    for (const char* serial : {"123456", "1234567"}) {
      SetControlText(dialog, IDC_SERIAL_NUMBER, serial);
      Press(dialog, IDOK);
      seen.push_back(TakeMessage());
    }
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(security, (std::vector<std::string>{"암호화", "암호화 없음"}));
  EXPECT_EQ(security_selected, 1);
  ASSERT_FALSE(ports.empty());
  EXPECT_EQ(ports[0], "(유효하지 않은 포트)");
  EXPECT_EQ(port_selected, 0);
  EXPECT_EQ(speeds, (std::vector<std::string>{"(유효하지 않은 Baudrate)", "9600", "19200", "38400", "57600", "115200"}));
  EXPECT_EQ(speed_selected, 0);
  EXPECT_EQ(sizes, (std::vector<std::string>{"1배", "1.5배", "2배", "2.5배"}));
  EXPECT_EQ(size_selected, CB_ERR);
  EXPECT_EQ(address_after, "");
  EXPECT_EQ(port_after, "");
  EXPECT_EQ(seen, (std::vector<std::string>{"Change: Change", kNotice + "저장 되었습니다.!",
                                            kNotice + "잘못된 거래 일련 번호 입니다!"}));
}

TEST_F(DeviceDialogTest, DownloadAndLogOnAnswerWithTheirFailures) {
  std::string download, logon;
  EXPECT_EQ(Run("ViewPOSDownloadDialog", "POS DOWNLOAD",
                [&](HWND dialog) {
                  SetControlText(dialog, IDC_TERMINAL_NUMBER, "12345678");
                  SetControlText(dialog, IDC_BUSINESS_NUMBER, "1234567890");
                  EXPECT_EQ(Utf8FromCp949(ControlText(dialog, IDOK)), "다운로드 ");
                  Press(dialog, IDOK);
                  download = TakeMessage();
                  Press(dialog, IDCANCEL);
                }),
            2);
  EXPECT_EQ(download, kNotice + "POS 다운로드 실패! [][]");
  EXPECT_EQ(Run("ViewDeviceLogonDialog", "부가 장비 로그온",
                [&](HWND dialog) {
                  Press(dialog, IDOK);
                  logon = TakeMessage();
                  Press(dialog, IDCANCEL);
                }),
            2);
  EXPECT_EQ(logon, kNotice + "부가 장비 로그온 실패!");
}

}  // namespace
}  // namespace kavorin::dialog_test
