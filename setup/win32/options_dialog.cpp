// Konfira.dll: ZELK_InstallView and its installation-options dialog. The
// rules (defaults, port lists, what "확인" writes) are in
// setup/install_options; here they meet the controls.
#include <windows.h>

#include <string>
#include <vector>

#include "common/message_box.hpp"
#include "config/registry/registry_store.hpp"
#include "setup/install_options.hpp"
#include "setup/setup_texts.hpp"
#include "setup/win32/konfira_ids.h"
#include "setup/win32/port_probe_win32.hpp"

namespace kavorin::setup {
namespace {

HINSTANCE g_module = nullptr;

// What "확인" reads, as buffers of these sizes hold it.
constexpr std::size_t kPortTextBytes = 1024;
constexpr std::size_t kServerTextBytes = 256;
constexpr std::size_t kServerPortBytes = 10;
constexpr std::size_t kTerminalNumberBytes = 128;

std::string ItemText(HWND dialog, int id, std::size_t bytes) {
  std::vector<char> buffer(bytes, '\0');
  const int got = GetDlgItemTextA(dialog, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Enable(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE); }

void FillPortList(HWND dialog, int list) {
  SendDlgItemMessageA(dialog, list, CB_RESETCONTENT, 0, 0);
  Win32PortProbe probe;
  const PortList ports = ListUsablePorts(MachineRegistry(), probe, UsesNtDeviceNames());
  LRESULT first = CB_ERR;
  for (const std::string& port : ports.ports) {
    const LRESULT at = SendDlgItemMessageA(dialog, list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port.c_str()));
    if (first == CB_ERR) first = at;
  }
  // The first port found is selected, wherever the sorted list put it.
  if (first != CB_ERR) SendDlgItemMessageA(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(first), 0);
}

// A box enables its port list and label, filled afresh; unchecked, they
// are disabled again.
void PortBoxChanged(HWND dialog, int box, int list, int label) {
  const bool on = Checked(dialog, box);
  Enable(dialog, list, on);
  Enable(dialog, label, on);
  if (on) FillPortList(dialog, list);
}

void ServerEditsEnabled(HWND dialog, bool enabled) {
  for (int id : {IDC_SERVER_ADDRESS, IDC_SERVER_PORT, IDC_SERVER_HOST}) Enable(dialog, id, enabled);
}

void Open(HWND dialog) {
  CheckDlgButton(dialog, IDC_APPROVAL_MODULE, BST_CHECKED);
  Enable(dialog, IDC_APPROVAL_MODULE, false);
  CheckDlgButton(dialog, IDC_INSTALL_SIGNPAD, BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_INSTALL_KAVORIN, BST_UNCHECKED);
  SetDlgItemTextA(dialog, IDC_SERVER_ADDRESS, kDefaultServerAddress);
  SetDlgItemTextA(dialog, IDC_SERVER_PORT, kDefaultServerPort);
  SetDlgItemTextA(dialog, IDC_SERVER_HOST, kDefaultServerHost);
  ServerEditsEnabled(dialog, false);
  SetDlgItemTextA(dialog, IDC_SERVER_TEST_ADDRESS,
                  (std::string(kTestServerAddress) + " / " + kTestServerPort).c_str());
  SetDlgItemTextA(dialog, IDC_SERVER_TEST_HOST, kTestServerHost);
  SetDlgItemTextA(dialog, IDC_TERMINAL_TEST_NO, kTestTerminalNumber);
  for (int id : {IDC_READER_PORT, IDC_READER_PORT_LABEL, IDC_TERMINAL_PORT, IDC_TERMINAL_PORT_LABEL}) {
    Enable(dialog, id, false);
  }
}

void Confirm(HWND dialog) {
  OptionsInput input;
  input.readerChecked = Checked(dialog, IDC_INSTALL_SIGNPAD);
  input.terminalChecked = Checked(dialog, IDC_INSTALL_KAVORIN);
  input.readerPort = ItemText(dialog, IDC_READER_PORT, kPortTextBytes);
  input.terminalPort = ItemText(dialog, IDC_TERMINAL_PORT, kPortTextBytes);
  input.serverAddress = ItemText(dialog, IDC_SERVER_ADDRESS, kServerTextBytes);
  input.serverHost = ItemText(dialog, IDC_SERVER_HOST, kServerTextBytes);
  input.serverPort = ItemText(dialog, IDC_SERVER_PORT, kServerPortBytes);
  input.terminalNumber = ItemText(dialog, IDC_TERMINAL_NO, kTerminalNumberBytes);
  const OptionsDecision decision = ConfirmOptions(input);
  if (decision.badTerminalNumber) {
    char caption[128] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    ShowMessageBox(caption, TerminalNumberText());
  }
  for (const IniSetting& setting : decision.writes) {
    WritePrivateProfileStringA(setting.section.c_str(), setting.key.c_str(), setting.value.c_str(),
                               setting.file.c_str());
  }
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK OptionsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Open(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_INSTALL_SIGNPAD:
          PortBoxChanged(dialog, IDC_INSTALL_SIGNPAD, IDC_READER_PORT, IDC_READER_PORT_LABEL);
          return TRUE;
        case IDC_INSTALL_KAVORIN:
          PortBoxChanged(dialog, IDC_INSTALL_KAVORIN, IDC_TERMINAL_PORT, IDC_TERMINAL_PORT_LABEL);
          return TRUE;
        case IDC_CHANGE_SERVER:
          ServerEditsEnabled(dialog, Checked(dialog, IDC_CHANGE_SERVER));
          return TRUE;
        case IDOK:
          Confirm(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace
}  // namespace kavorin::setup

// 0 when the options were confirmed with "확인", -1 otherwise.
extern "C" int ZELK_InstallView() {
  const INT_PTR result = DialogBoxParamA(kavorin::setup::g_module, MAKEINTRESOURCEA(IDD_INSTALL_OPTIONS), nullptr,
                                         &kavorin::setup::OptionsProcedure, 0);
  return result == IDOK ? 0 : -1;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    kavorin::setup::g_module = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}
