// The smart reader and device dialogs: front ends that collect input, check
// a little and answer with fixed messages. Only "닫기" or the close box ends
// one, so their exports give 2 after normal use.
#include <windows.h>

#include <commdlg.h>

#include <cstring>
#include <string>

#include "config/lombra/device_dialog_rules.hpp"
#include "config/lombra/installed_ports.hpp"
#include "config/win32/property_ids.h"
#include "config/win32/property_module.hpp"

namespace kavorin::property {
namespace {

// The firmware path chosen last, shared by the module as it always was;
// cleared whenever the update dialog opens.
char g_firmwarePath[kFirmwarePathBytes] = {};

void Notify(HWND dialog, const std::string& text) {
  ShowMessage(dialog, text, DeviceNoticeCaption(), MB_OK | MB_ICONINFORMATION);
}

struct DeviceDialog {
  void (*open)(HWND dialog);
  // Handles a command other than IDCANCEL; false when it is not this
  // dialog's.
  bool (*command)(HWND dialog, int id, int code);
};

INT_PTR CALLBACK DeviceProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const auto* kind = reinterpret_cast<const DeviceDialog*>(lParam);
      if (kind->open != nullptr) kind->open(dialog);
      return TRUE;
    }
    case WM_COMMAND: {
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      const auto* kind = reinterpret_cast<const DeviceDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
      return kind != nullptr && kind->command(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    default:
      return FALSE;
  }
}

// --- Reader initialisation -------------------------------------------------
bool InitialiseCommand(HWND dialog, int id, int /*code*/) {
  if (id != IDOK) return false;
  // Whatever the answer, the reader counts as initialised: no device is
  // spoken to here.
  ShowMessage(dialog, SessionKeyQuestion(), SessionKeyQuestionCaption(), MB_YESNO | MB_ICONQUESTION);
  Notify(dialog, ReaderInitialisedMessage());
  return true;
}

// --- Firmware update -------------------------------------------------------
void UpdateOpen(HWND /*dialog*/) { std::memset(g_firmwarePath, 0, sizeof g_firmwarePath); }

void ChooseFirmware(HWND dialog) {
  std::string filter = kFirmwareFilter;
  for (char& c : filter) c = c == '|' ? '\0' : c;
  char path[kFirmwarePathBytes] = {};
  OPENFILENAMEA open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = dialog;
  open.lpstrFilter = filter.c_str();
  open.lpstrFile = path;
  open.nMaxFile = sizeof path;
  open.lpstrDefExt = kFirmwareExtension + 2;  // the extension after "*."
  // The process's current folder is the caller's; the dialog leaves it be.
  open.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&open)) path[0] = '\0';
  std::memset(g_firmwarePath, 0, sizeof g_firmwarePath);
  std::memcpy(g_firmwarePath, path, strnlen(path, sizeof g_firmwarePath - 1));
  SetItemText(dialog, IDC_FIRMWARE_PATH, g_firmwarePath);
}

bool UpdateCommand(HWND dialog, int id, int /*code*/) {
  if (id == IDC_FIRMWARE_FIND) {
    ChooseFirmware(dialog);
  } else if (id == IDOK) {
    Notify(dialog, FirmwareUpdateMessage(g_firmwarePath));
  } else {
    return false;
  }
  return true;
}

// --- Reader time -----------------------------------------------------------
void ShowPcTime(HWND dialog) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  SetItemText(dialog, IDC_READER_TIME,
              ReaderTimeText({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}));
}

bool TimeCommand(HWND dialog, int id, int /*code*/) {
  constexpr std::size_t kTimeBytes = 128;
  if (id == IDC_PC_TIME) {
    ShowPcTime(dialog);
  } else if (id == IDOK) {
    SetItemText(dialog, IDC_READER_TIME, "");
    Notify(dialog, ReaderTimeDoneMessage());
  } else if (id == IDC_SET_READER_TIME) {
    ItemText(dialog, IDC_READER_TIME, kTimeBytes);  // what a reader would be set to
    Notify(dialog, ReaderTimeDoneMessage());
  } else {
    return false;
  }
  return true;
}

// --- KAVSMART settings -----------------------------------------------------
void FillChoices(HWND dialog, int id, const ComboChoices& choices) {
  FillCombo(dialog, id, choices.items.data(), choices.items.size(), choices.selected.value_or(-1));
}

void KavsmartOpen(HWND dialog) {
  // No settings are kept here: every current value is empty.
  FillChoices(dialog, IDC_SECURITY, SecurityChoices(""));
  // Listing the ports reads the device map; nothing is logged from here.
  const FieldTestLog silent("NUL");
  FillChoices(dialog, IDC_READER_PORT, ChoicesWithCurrent(FindInstalledPorts(silent), "", kInvalidPortSuffix));
  FillChoices(dialog, IDC_READER_SPEED, ChoicesWithCurrent(ReaderSpeedItems(), "", kInvalidSpeedSuffix));
  FillChoices(dialog, IDC_SIGN_WINDOW, SignWindowChoices(""));
}

bool KavsmartCommand(HWND dialog, int id, int code) {
  if (id == IDC_SECURITY && code == CBN_SELCHANGE) {
    SetItemText(dialog, IDC_HOST_ADDRESS, "");
    SetItemText(dialog, IDC_HOST_PORT, "");
  } else if (id == IDC_SECURITY && code == CBN_EDITCHANGE) {
    ShowMessage(dialog, kSecurityTypedNotice, kSecurityTypedNotice, MB_OK);
  } else if (id == IDOK) {
    const std::string serial = ItemText(dialog, IDC_SERIAL_NUMBER, kKavsmartFieldBytes);
    Notify(dialog, KavsmartSaveMessage(serial));
  } else {
    return false;
  }
  return true;
}

// --- POS download ----------------------------------------------------------
bool PosDownloadCommand(HWND dialog, int id, int /*code*/) {
  if (id != IDOK) return false;
  ItemText(dialog, IDC_TERMINAL_NUMBER, kTerminalNumberBytes);
  ItemText(dialog, IDC_BUSINESS_NUMBER, kBusinessNumberBytes);
  // No download runs here: its response code and message stay empty.
  Notify(dialog, PosDownloadMessage("", ""));
  return true;
}

// --- External-device log-on ------------------------------------------------
bool DeviceLogonCommand(HWND dialog, int id, int /*code*/) {
  if (id != IDOK) return false;
  Notify(dialog, DeviceLogonMessage(false));
  return true;
}

constexpr DeviceDialog kInitialise{nullptr, &InitialiseCommand};
constexpr DeviceDialog kUpdate{&UpdateOpen, &UpdateCommand};
constexpr DeviceDialog kTime{&ShowPcTime, &TimeCommand};
constexpr DeviceDialog kKavsmart{&KavsmartOpen, &KavsmartCommand};
constexpr DeviceDialog kPosDownload{nullptr, &PosDownloadCommand};
constexpr DeviceDialog kDeviceLogon{nullptr, &DeviceLogonCommand};

int Show(int resource, const DeviceDialog& kind) {
  return ShowDialogOnce(resource, &DeviceProcedure, reinterpret_cast<LPARAM>(&kind));
}

}  // namespace
}  // namespace kavorin::property

using kavorin::property::Show;

extern "C" int ViewDongleInitDialog() { return Show(IDD_DONGLE_INIT, kavorin::property::kInitialise); }
extern "C" int ViewDongleUpdateDialog() { return Show(IDD_DONGLE_UPDATE, kavorin::property::kUpdate); }
extern "C" int ViewDongleTimeSetDialog() { return Show(IDD_DONGLE_TIME, kavorin::property::kTime); }
// The settings dialog's caption begins with a blank; a second call looks
// for the caption the dialog shows, so it finds the open one and gives 3.
extern "C" int ViewDongleServiceSetDialog() { return Show(IDD_KAVSMART, kavorin::property::kKavsmart); }
extern "C" int ViewPOSDownloadDialog() { return Show(IDD_POS_DOWNLOAD, kavorin::property::kPosDownload); }
extern "C" int ViewDeviceLogonDialog() { return Show(IDD_DEVICE_LOGON, kavorin::property::kDeviceLogon); }
