// "LOMBRA PC 환경 설정" of Property.dll, operated from a helper thread
// against the real registry of the Wine prefix: the list, the entry dialog
// in both modes, delete with its question, the rule of "확인", the log
// viewer and the About box.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "config/lombra/lombra_config.hpp"
#include "config/registry/registry_store.hpp"
#include "config/win32/property_ids.h"
#include "tests/win32/dialog_operator.hpp"

namespace kavorin::dialog_test {
namespace {

namespace fs = std::filesystem;

constexpr char kGeneral[] = "SOFTWARE\\TORQ\\LOMBRA\\Communication";
const std::string kNotice = "LOMBRA PC 알림: ";
using Rows = std::vector<std::vector<std::string>>;

fs::path ProgramFolder() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

// The log the service would write today, beside Property.dll.
fs::path TodayLog() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char name[32];
  std::snprintf(name, sizeof name, "%04u%02u%02u.log", now.wYear, now.wMonth, now.wDay);
  return ProgramFolder() / "log" / name;
}

class PropertyDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TORQ");
    fs::remove_all(ProgramFolder() / "log");
    view_ = library_.View("ViewPropertyDialog");
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TORQ");
    fs::remove_all(ProgramFolder() / "log");
  }

  // The settings dialog on this thread; `user` gets it on a helper thread.
  int Run(const std::function<void(HWND)>& user) {
    return RunDialog(view_, [&] {
      HWND dialog = WaitForCaption(Cp949("LOMBRA PC 환경 설정"));
      ASSERT_NE(dialog, nullptr) << "the settings dialog never showed";
      user(dialog);
    });
  }
  static Rows RowsOf(HWND dialog) { return ListRows(GetDlgItem(dialog, IDC_PORT_LIST), 6); }

  // Opens the entry dialog with `open`, lets `fill` fill it and presses its OK.
  static void Enter(const std::function<void()>& open, const std::function<void(HWND)>& fill,
                    const char* caption = "추가") {
    open();
    HWND entry = WaitForCaption(Cp949(caption));
    ASSERT_NE(entry, nullptr) << caption;
    fill(entry);
    Press(entry, IDOK);
    WaitUntil([&] { return !IsWindow(entry); });
  }

  PropertyLibrary library_;
  ViewFunction view_ = nullptr;
};

TEST_F(PropertyDialogTest, AMissingStoreOpensWithTheDefaults) {
  std::vector<std::string> columns;
  Rows rows;
  std::string host, port;
  bool logging = false, can_view_log = true;
  const int result = Run([&](HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
    for (int i = 0; i < 6; ++i) {
      char title[64] = {};
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = title;
      column.cchTextMax = sizeof title;
      SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
      columns.push_back(Utf8FromCp949(title) + "/" + std::to_string(column.cx));
    }
    rows = RowsOf(dialog);
    host = ControlText(dialog, IDC_SERVER_HOST);
    port = ControlText(dialog, IDC_SERVER_PORT);
    logging = Checked(dialog, IDC_LOG_OPTION);
    can_view_log = Enabled(dialog, IDC_VIEW_LOG);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(columns, (std::vector<std::string>{"포트/50", "속도/50", "데이터비트/78", "패리티비트/78", "정지비트/60",
                                               "활성화/50"}));
  EXPECT_EQ(rows, (Rows{{"COM1", "9600", "8", "없음", "1", "예"}}));
  EXPECT_EQ(host, kDefaultServerHost);
  EXPECT_EQ(port, "9001");
  EXPECT_TRUE(logging);
  EXPECT_FALSE(can_view_log) << "no log today";
  EXPECT_EQ(MachineRegistry().ReadNumber(kGeneral, "PORTCount"), 1u);
}

TEST_F(PropertyDialogTest, EntriesAreAddedEditedAndDeletedWithTheirChecks) {
  std::vector<std::string> messages;
  std::vector<std::string> speeds, parities;
  std::string edit_caption, edit_button, shown_port;
  Rows after_add, after_edit, after_no, after_delete;
  const int result = Run([&](HWND dialog) {
    // Add COM5 at 19200, odd parity.
    Enter([&] { Press(dialog, IDC_ADD_PORT); },
          [&](HWND entry) {
            speeds = ComboItems(entry, IDC_ENTRY_SPEED);
            parities = ComboItems(entry, IDC_ENTRY_PARITY);
            EXPECT_EQ(ComboSelection(entry, IDC_ENTRY_SPEED), 3) << "9600";
            EXPECT_EQ(ComboSelection(entry, IDC_ENTRY_DATA_BITS), 0) << "8";
            EXPECT_EQ(ComboSelection(entry, IDC_ENTRY_PARITY), 0);
            EXPECT_EQ(ComboSelection(entry, IDC_ENTRY_STOP_BITS), 0);
            EXPECT_TRUE(Checked(entry, IDC_ENTRY_ACTIVE));
            EXPECT_EQ(ControlText(entry, IDC_ENTRY_PORT), "");
            EXPECT_EQ(Utf8FromCp949(ControlText(entry, IDOK)), "추가");
            SetControlText(entry, IDC_ENTRY_PORT, "COM5");
            SelectCombo(entry, IDC_ENTRY_SPEED, "19200");
            SelectCombo(entry, IDC_ENTRY_PARITY, "홀수");
          });
    WaitUntil([&] { return RowsOf(dialog).size() == 2; });
    after_add = RowsOf(dialog);
    // The same port again, and an entry without a port.
    Enter([&] { Press(dialog, IDC_ADD_PORT); }, [&](HWND entry) { SetControlText(entry, IDC_ENTRY_PORT, "COM5"); });
    messages.push_back(TakeMessage());
    Enter([&] { Press(dialog, IDC_ADD_PORT); }, [](HWND) {});
    messages.push_back(TakeMessage());

    // Double-click the second row: the entry dialog edits it.
    HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    Enter([&] { PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.left + 5, row.top + 3)); },
          [&](HWND entry) {
            edit_caption = Utf8FromCp949(WindowText(entry));
            edit_button = Utf8FromCp949(ControlText(entry, IDOK));
            shown_port = ControlText(entry, IDC_ENTRY_PORT);
            SelectCombo(entry, IDC_ENTRY_STOP_BITS, "2");
            CheckDlgButton(entry, IDC_ENTRY_ACTIVE, BST_UNCHECKED);
          },
          "수정");
    WaitUntil([&] { return RowsOf(dialog)[1][4] == "2"; });
    after_edit = RowsOf(dialog);

    // Delete: nothing selected, then COM5 selected, "아니오", then "예".
    Press(dialog, IDC_DELETE_PORT);
    messages.push_back(TakeMessage());
    LVITEMA select{};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
    Press(dialog, IDC_DELETE_PORT);
    ShownBox question = WaitForMessageBox();
    messages.push_back(Utf8FromCp949(question.caption) + ": " + Utf8FromCp949(question.text));
    Answer(question, IDNO);
    after_no = RowsOf(dialog);
    Press(dialog, IDC_DELETE_PORT);
    Answer(WaitForMessageBox(), IDYES);
    WaitUntil([&] { return RowsOf(dialog).size() == 1; });
    after_delete = RowsOf(dialog);

    // The list changed: "확인" says so and closes.
    Press(dialog, IDOK);
    messages.push_back(TakeMessage());
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(speeds, (std::vector<std::string>{"1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000",
                                              "57600", "115200"}));
  EXPECT_EQ(parities, (std::vector<std::string>{"없음", "짝수", "홀수"}));
  EXPECT_EQ(after_add, (Rows{{"COM1", "9600", "8", "없음", "1", "예"}, {"COM5", "19200", "8", "홀수", "1", "예"}}));
  EXPECT_EQ(edit_caption, "수정");
  EXPECT_EQ(edit_button, "수정");
  EXPECT_EQ(shown_port, "COM5");
  EXPECT_EQ(after_edit[1], (std::vector<std::string>{"COM5", "19200", "8", "홀수", "2", "아니오"}));
  EXPECT_EQ(after_no.size(), 2u);
  EXPECT_EQ(after_delete, (Rows{{"COM1", "9600", "8", "없음", "1", "예"}}));
  EXPECT_EQ(messages, (std::vector<std::string>{
                          kNotice + "변경할 COM5 포트가 리스트에 존재 하여 적용 할 수 없습니다.",
                          kNotice + "작성되지 않은 항목이 존재하여 적용 할 수 없습니다.",
                          kNotice + "삭제할 항목을 리스트에서 선택하여 주시기 바랍니다.",
                          kNotice + "COM5 포트를 정말로 삭제 하시겠습니까?",
                          kNotice + "변경된 값을 적용 하기 위해서는 서비스를 재 시작 하셔야 합니다.",
                      }));
  EXPECT_EQ(MachineRegistry().ReadNumber(kGeneral, "PORTCount"), 1u);
  EXPECT_FALSE(MachineRegistry().OpenKey("SOFTWARE\\TORQ\\LOMBRA\\LIST2"));
}

TEST_F(PropertyDialogTest, ConfirmSavesTheServerOnlyWhenItChanged) {
  // Unchanged: closes without a word.
  std::string message = "unset";
  EXPECT_EQ(Run([&](HWND dialog) {
              Press(dialog, IDOK);
              message = TakeMessage(1500);
            }),
            1);
  EXPECT_EQ(message, "");

  EXPECT_EQ(Run([&](HWND dialog) {
              SetControlText(dialog, IDC_SERVER_HOST, "10.20.30.40");
              SetControlText(dialog, IDC_SERVER_PORT, "7001");
              CheckDlgButton(dialog, IDC_LOG_OPTION, BST_UNCHECKED);
              Press(dialog, IDOK);
              message = TakeMessage();
            }),
            1);
  EXPECT_EQ(message, kNotice + "변경된 값을 적용 하기 위해서는 서비스를 재 시작 하셔야 합니다.");
  EXPECT_EQ(MachineRegistry().ReadText(kGeneral, "HOST", 256), "10.20.30.40");
  EXPECT_EQ(MachineRegistry().ReadNumber(kGeneral, "PORT"), 7001u);
  EXPECT_EQ(MachineRegistry().ReadNumber(kGeneral, "LOGHIDE"), 0u);

  // Cancel keeps what is stored.
  EXPECT_EQ(Run([&](HWND dialog) {
              SetControlText(dialog, IDC_SERVER_HOST, "elsewhere");
              Press(dialog, IDCANCEL);
            }),
            2);
  EXPECT_EQ(MachineRegistry().ReadText(kGeneral, "HOST", 256), "10.20.30.40");
}

// A count naming an entry that is not there, the one entry being COM1: the
// store is repaired and the dialog opens on it.
TEST_F(PropertyDialogTest, ABrokenStoreIsRepairedAndOpens) {
  RegistryStore& registry = MachineRegistry();
  ASSERT_TRUE(registry.CreateKey(kGeneral));
  registry.WriteText(kGeneral, "HOST", "pay.example");
  registry.WriteNumber(kGeneral, "PORTCount", 2);
  registry.WriteNumber(kGeneral, "PORT", 7000);
  registry.WriteNumber(kGeneral, "LOGHIDE", 0);
  const std::string list1 = "SOFTWARE\\TORQ\\LOMBRA\\LIST1";
  ASSERT_TRUE(registry.CreateKey(list1));
  registry.WriteText(list1, "COMPORT", "COM1");
  for (const char* name : {"SPEED", "DATABIT", "PARITYBIT", "STOPBIT", "Active"}) {
    registry.WriteNumber(list1, name, std::string(name) == "SPEED" ? 38400 : 1);
  }
  Rows rows;
  EXPECT_EQ(Run([&](HWND dialog) {
              rows = RowsOf(dialog);
              Press(dialog, IDCANCEL);
            }),
            2);
  EXPECT_EQ(rows, (Rows{{"COM1", "38400", "1", "짝수", "1.5", "예"}}));
  EXPECT_EQ(registry.ReadNumber(kGeneral, "PORTCount"), 1u);
}

TEST_F(PropertyDialogTest, TheLogViewerFillsAfterAMomentAndKeepsItsEdges) {
  fs::create_directories(TodayLog().parent_path());
  std::string expected;
  {
    std::ofstream log(TodayLog(), std::ios::binary);
    for (int i = 1; i <= 60; ++i) {
      const std::string line = "09:00:" + std::to_string(i) + " " + Cp949("승인 요청") + " " + std::to_string(i);
      log << line << "\r\n";
      expected += line + "\n";
    }
  }
  std::string at_first = "unset", filled, cleared = "unset", about_caption;
  int first_visible = 0;
  bool edges_kept = false;
  std::string missing_message;
  const int result = Run([&](HWND dialog) {
    ASSERT_TRUE(Enabled(dialog, IDC_VIEW_LOG));
    Press(dialog, IDC_VIEW_LOG);
    HWND viewer = WaitForCaption(Cp949("LOMBRA PC 로그 보기"));
    ASSERT_NE(viewer, nullptr);
    HWND view = GetDlgItem(viewer, IDC_LOG_TEXT);
    at_first = WindowText(view);
    WaitUntil([&] { return GetWindowTextLengthA(view) > 0; });
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(view)) * 2 + 1, '\0');
    text.resize(static_cast<std::size_t>(
        SendMessageA(view, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    filled = text;
    first_visible = static_cast<int>(SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0));

    // Grown by 100 x 60 pixels, every control keeps its right and bottom distance.
    RECT client{}, ok_before{}, view_before{};
    GetClientRect(viewer, &client);
    GetWindowRect(GetDlgItem(viewer, IDOK), &ok_before);
    GetWindowRect(view, &view_before);
    RECT frame{};
    GetWindowRect(viewer, &frame);
    SetWindowPos(viewer, nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top + 60,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT ok_after{}, view_after{};
    WaitUntil([&] {
      GetWindowRect(GetDlgItem(viewer, IDOK), &ok_after);
      GetWindowRect(view, &view_after);
      return ok_after.right - ok_before.right == 100;
    });
    edges_kept = ok_after.right - ok_before.right == 100 && ok_after.bottom - ok_before.bottom == 60 &&
                 view_after.right - view_before.right == 100 && view_after.bottom - view_before.bottom == 60 &&
                 view_after.left == view_before.left && view_after.top == view_before.top;

    Press(viewer, IDC_LOG_CLEAR);
    WaitUntil([&] { return GetWindowTextLengthA(view) == 0; });
    cleared = WindowText(view);
    Press(viewer, IDOK);
    WaitUntil([&] { return !IsWindow(viewer); });

    // The file gone, the viewer says so.
    fs::remove(TodayLog());
    Press(dialog, IDC_VIEW_LOG);
    missing_message = TakeMessage();
    if (HWND again = WaitForCaption(Cp949("LOMBRA PC 로그 보기"))) Press(again, IDOK);

    Press(dialog, IDC_ABOUT);
    HWND about = WaitForCaption(Cp949("LOMBRA PC 정보"));
    about_caption = about != nullptr ? "shown" : "";
    if (about != nullptr) Press(about, IDOK);
    WaitUntil([&] { return !IsWindow(about); });
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(at_first, "") << "filled only after its delay";
  filled.erase(std::remove(filled.begin(), filled.end(), '\r'), filled.end());
  EXPECT_EQ(filled, expected);
  EXPECT_GT(first_visible, 20) << "scrolled to the end";
  EXPECT_TRUE(edges_kept);
  EXPECT_EQ(cleared, "");
  EXPECT_EQ(missing_message, kNotice + "로그 파일을 열 수 없습니다.");
  EXPECT_EQ(about_caption, "shown");
}

}  // namespace
}  // namespace kavorin::dialog_test
