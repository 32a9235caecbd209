// "LOMBRA PC 환경 설정": the port entries, the server and the log option of
// the LOMBRA PC service, with the entry dialog and the About box. The rules
// and texts are the portable ones the command line uses too.
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

#include "common/text_codec.hpp"
#include "config/lombra/lombra_config.hpp"
#include "config/lombra/port_entry_rules.hpp"
#include "config/win32/log_viewer.hpp"
#include "config/win32/property_ids.h"
#include "config/win32/property_module.hpp"

namespace kavorin::property {
namespace {

constexpr int kServerPortDigits = 5;

struct PropertyState {
  CLombraConfig config = MachineLombraConfig();
  bool listChanged = false;
};

int Notify(HWND dialog, const std::string& text, UINT type) {
  return ShowMessage(dialog, text, LombraNoticeCaption(), type);
}

// --- The entry dialog ------------------------------------------------------

struct EntryRequest {
  PortEntryFields fields;
  bool editing = false;
  const std::vector<std::string>* installedPorts = nullptr;
};

template <std::size_t N>
void FillFixed(HWND dialog, int id, const std::array<const char*, N>& items, const std::string& current) {
  std::array<std::string, N> texts;
  int selected = -1;
  for (std::size_t i = 0; i < N; ++i) {
    texts[i] = Cp949FromUtf8(items[i]);
    if (texts[i] == current) selected = static_cast<int>(i);
  }
  FillCombo(dialog, id, texts.data(), N, selected);
}

std::string SelectedText(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

INT_PTR CALLBACK EntryProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* request = reinterpret_cast<EntryRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      request = reinterpret_cast<EntryRequest*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      if (request->editing) {
        const std::string edit = Cp949FromUtf8("수정");
        SetWindowTextA(dialog, edit.c_str());
        SetItemText(dialog, IDOK, edit);
      }
      const PortEntryFields& fields = request->fields;
      CheckDlgButton(dialog, IDC_ENTRY_ACTIVE, fields.active ? BST_CHECKED : BST_UNCHECKED);
      const auto& ports = *request->installedPorts;
      FillCombo(dialog, IDC_ENTRY_PORT, ports.data(), ports.size(), -1);
      SendDlgItemMessageA(dialog, IDC_ENTRY_PORT, CB_LIMITTEXT, kLombraMaxTextLength, 0);
      SetItemText(dialog, IDC_ENTRY_PORT, fields.port);
      FillFixed(dialog, IDC_ENTRY_SPEED, kSpeedItems, fields.speed);
      FillFixed(dialog, IDC_ENTRY_DATA_BITS, kDataBitItems, fields.dataBits);
      FillFixed(dialog, IDC_ENTRY_PARITY, kParityItems, fields.parity);
      FillFixed(dialog, IDC_ENTRY_STOP_BITS, kStopBitItems, fields.stopBits);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        PortEntryFields& fields = request->fields;
        fields.port = ItemText(dialog, IDC_ENTRY_PORT, kLombraTextBytes);
        fields.speed = SelectedText(dialog, IDC_ENTRY_SPEED);
        fields.dataBits = SelectedText(dialog, IDC_ENTRY_DATA_BITS);
        fields.parity = SelectedText(dialog, IDC_ENTRY_PARITY);
        fields.stopBits = SelectedText(dialog, IDC_ENTRY_STOP_BITS);
        fields.active = IsDlgButtonChecked(dialog, IDC_ENTRY_ACTIVE) == BST_CHECKED;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// The entry's fields after the user pressed OK and the checks passed.
std::optional<ComInfo> AskForEntry(HWND dialog, PropertyState& state, PortEntryFields start, int editedIndex) {
  EntryRequest request{std::move(start), editedIndex != 0, &state.config.installedPorts()};
  if (DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_PORT_ENTRY), dialog, &EntryProcedure,
                      reinterpret_cast<LPARAM>(&request)) != IDOK) {
    return std::nullopt;
  }
  if (const auto refusal = CheckPortEntry(request.fields, state.config, editedIndex)) {
    Notify(dialog, *refusal, MB_OK | MB_ICONWARNING);
    return std::nullopt;
  }
  auto entry = EntryFromFields(request.fields);
  if (!entry) Notify(dialog, MissingFieldMessage(), MB_OK | MB_ICONWARNING);
  return entry;
}

// --- The list --------------------------------------------------------------

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_PORT_LIST); }

void ShowRow(HWND dialog, int row, const ComInfo& entry, bool insert) {
  const auto texts = PortRowTexts(entry);
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<char*>(texts[0].c_str());
  if (insert) {
    SendMessageA(List(dialog), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  } else {
    SendMessageA(List(dialog), LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  for (std::size_t column = 1; column < texts.size(); ++column) {
    item.iSubItem = static_cast<int>(column);
    item.pszText = const_cast<char*>(texts[column].c_str());
    SendMessageA(List(dialog), LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

void ShowRows(HWND dialog, const CLombraConfig& config) {
  SendMessageA(List(dialog), LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const ComInfo& entry : config.ports()) ShowRow(dialog, row++, entry, true);
}

void BuildColumns(HWND dialog) {
  SendMessageA(List(dialog), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  int index = 0;
  for (const ListColumn& column : kPortListColumns) {
    const std::string title = Cp949FromUtf8(column.title);
    LVCOLUMNA header{};
    header.mask = LVCF_TEXT | LVCF_WIDTH;
    header.cx = column.width;
    header.pszText = const_cast<char*>(title.c_str());
    SendMessageA(List(dialog), LVM_INSERTCOLUMNA, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&header));
  }
}

int SelectedRow(HWND dialog) {
  return static_cast<int>(SendMessageA(List(dialog), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// --- The settings dialog's commands -----------------------------------------

void AddEntry(HWND dialog, PropertyState& state) {
  const PortEntryFields start{"", std::to_string(kNewEntrySpeed), std::to_string(kNewEntryDataBits),
                              Cp949FromUtf8(kParityItems[0]), kStopBitItems[0], true};
  const auto entry = AskForEntry(dialog, state, start, 0);
  if (!entry) return;
  if (!state.config.AddComInfo(entry->port, entry->speed, entry->dataBits, entry->parity, entry->stopBits,
                               entry->active, true)) {
    Notify(dialog, AddFailedMessage(), MB_OK | MB_ICONERROR);
    return;
  }
  ShowRows(dialog, state.config);
  state.listChanged = true;
}

void EditEntry(HWND dialog, PropertyState& state, int row) {
  ComInfo current;
  if (row < 0 || !state.config.GetComInfo(row + 1, current)) return;
  const auto entry = AskForEntry(dialog, state, FieldsOf(current), row + 1);
  if (!entry) return;
  if (!state.config.UpdateComInfo(row + 1, entry->port, entry->speed, entry->dataBits, entry->parity,
                                  entry->stopBits, entry->active)) {
    Notify(dialog, UpdateFailedMessage(), MB_OK | MB_ICONERROR);
    return;
  }
  state.config.GetComInfo(row + 1, current);
  ShowRow(dialog, row, current, false);
  state.listChanged = true;
}

void DeleteEntry(HWND dialog, PropertyState& state) {
  const int row = SelectedRow(dialog);
  std::string port;
  if (row < 0 || !state.config.GetComPortName(row + 1, port)) {
    Notify(dialog, SelectToDeleteMessage(), MB_OK | MB_ICONWARNING);
    return;
  }
  if (Notify(dialog, DeleteQuestion(port), MB_YESNO | MB_ICONWARNING) != IDYES) return;
  if (!state.config.DeleteComInfo(port)) {
    Notify(dialog, DeleteFailedMessage(port), MB_OK | MB_ICONERROR);
    return;
  }
  SendMessageA(List(dialog), LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  state.listChanged = true;
}

void Confirm(HWND dialog, PropertyState& state) {
  const ServerSettings settings{ItemText(dialog, IDC_SERVER_HOST, kLombraTextBytes),
                                static_cast<int>(GetDlgItemInt(dialog, IDC_SERVER_PORT, nullptr, FALSE)),
                                IsDlgButtonChecked(dialog, IDC_LOG_OPTION) == BST_CHECKED ? 1 : 0};
  switch (ApplyServerSettings(state.config, settings, state.listChanged)) {
    case ConfirmOutcome::kNotSaved:
      // Saying "restart the service" here would report a failure as success.
      Notify(dialog, state.config.lastErrorMessage(), MB_OK | MB_ICONERROR);
      return;
    case ConfirmOutcome::kRestartService:
      Notify(dialog, RestartServiceMessage(), MB_OK | MB_ICONWARNING);
      break;
    case ConfirmOutcome::kNothingChanged:
      break;
  }
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

bool Open(HWND dialog, PropertyState& state) {
  CLombraConfig& config = state.config;
  config.Reset();
  config.EnumInstalledPorts();
  if (!config.ReadConfig()) return false;
  BuildColumns(dialog);
  ShowRows(dialog, config);
  SendDlgItemMessageA(dialog, IDC_SERVER_HOST, EM_LIMITTEXT, kLombraMaxTextLength, 0);
  SendDlgItemMessageA(dialog, IDC_SERVER_PORT, EM_LIMITTEXT, kServerPortDigits, 0);
  SetItemText(dialog, IDC_SERVER_HOST, config.host());
  SetDlgItemInt(dialog, IDC_SERVER_PORT, static_cast<UINT>(config.serverPort()), FALSE);
  CheckDlgButton(dialog, IDC_LOG_OPTION, config.logOption() == 1 ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_VIEW_LOG), TodayLogExists());
  return true;
}

INT_PTR CALLBACK PropertyProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<PropertyState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      if (!Open(dialog, *reinterpret_cast<PropertyState*>(lParam))) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_PORT_LIST && header->code == NM_DBLCLK) {
        EditEntry(dialog, *state, reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ADD_PORT:
          AddEntry(dialog, *state);
          return TRUE;
        case IDC_DELETE_PORT:
          DeleteEntry(dialog, *state);
          return TRUE;
        case IDC_VIEW_LOG:
          ShowLogViewer(dialog);
          return TRUE;
        case IDC_ABOUT:
          DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_ABOUT), dialog, &AboutProcedure, 0);
          return TRUE;
        case IDOK:
          Confirm(dialog, *state);
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
}  // namespace kavorin::property

// 3: the settings dialog is open already; 1: closed with "확인"; 2: closed
// otherwise, or a store that could not be read nor rebuilt.
extern "C" int ViewPropertyDialog() {
  kavorin::property::PropertyState state;
  return kavorin::property::ShowDialogOnce(IDD_PROPERTY, &kavorin::property::PropertyProcedure,
                                           reinterpret_cast<LPARAM>(&state));
}
