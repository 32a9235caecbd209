// The COM port chooser of Property.dll, driven as a user would: the dialog
// runs modally on the test's thread while a helper thread finds it by its
// caption, types into the edit and clicks the buttons. The port lands in
// the real registry of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "config/port_setting.hpp"

namespace kavorin {
namespace {

constexpr char kCaption[] = "COM Port \xBC\xB3\xC1\xA4";
constexpr int kPortEdit = 1039;
constexpr DWORD kWaitMs = 10000;

using ViewFunction = int (*)();

void ClearStoredPort() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPortRegistryKey); }

HWND WaitForChooser() {
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  while (GetTickCount64() < deadline) {
    HWND found = FindWindowA(nullptr, kCaption);
    if (found != nullptr && IsWindowVisible(found)) return found;
    Sleep(20);
  }
  return nullptr;
}

std::string EditText(HWND dialog) {
  char text[256] = {};
  GetDlgItemTextA(dialog, kPortEdit, text, sizeof text);
  return text;
}

void Type(HWND dialog, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, kPortEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND dialog, int button) { SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0); }

class ChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearStoredPort();
    library_ = LoadLibraryA("Property.dll");
    ASSERT_NE(library_, nullptr) << GetLastError();
    view_ = reinterpret_cast<ViewFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library_, "ViewKAVORINCOMPort")));
    ASSERT_NE(view_, nullptr);
  }
  void TearDown() override {
    if (library_ != nullptr) FreeLibrary(library_);
    ClearStoredPort();
  }

  // Runs the chooser on this thread and `user` on a helper thread that gets
  // the dialog's window; returns what the chooser returned.
  int RunChooser(const std::function<void(HWND)>& user) {
    bool shown = false;
    std::thread helper([&] {
      HWND dialog = WaitForChooser();
      if (dialog == nullptr) return;
      shown = true;
      user(dialog);
    });
    const int result = view_();
    helper.join();
    EXPECT_TRUE(shown) << "the chooser never showed";
    return result;
  }

  HMODULE library_ = nullptr;
  ViewFunction view_ = nullptr;
};

TEST_F(ChooserTest, OkStoresAPortAndKeepsTheDialogOpen) {
  std::string shown;
  bool still_open = false;
  const int result = RunChooser([&](HWND dialog) {
    shown = EditText(dialog);
    Type(dialog, "COM3");
    Click(dialog, IDOK);
    still_open = IsWindow(dialog) && FindWindowA(nullptr, kCaption) == dialog;
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(shown, "") << "nothing stored yet";
  EXPECT_TRUE(still_open);
  EXPECT_EQ(result, 2);
  EXPECT_EQ(ReadStoredPort(), std::optional<std::string>("COM3"));

  // Reopened, it shows the stored port.
  RunChooser([&](HWND dialog) {
    shown = EditText(dialog);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(shown, "COM3");
}

TEST_F(ChooserTest, TextsThatAreNotPortNamesAreNotStored) {
  ASSERT_EQ(StorePort("COM7"), PortStoreResult::kStored);
  RunChooser([&](HWND dialog) {
    for (const char* text : {"com3", "Com3", "", "3", "PORT1"}) {
      Type(dialog, text);
      Click(dialog, IDOK);
    }
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(ReadStoredPort(), std::optional<std::string>("COM7"));
}

TEST_F(ChooserTest, CancelStoresNothing) {
  ASSERT_EQ(StorePort("COM2"), PortStoreResult::kStored);
  const int result = RunChooser([&](HWND dialog) {
    Type(dialog, "COM9");
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(ReadStoredPort(), std::optional<std::string>("COM2"));
}

TEST_F(ChooserTest, ASecondCallWhileOpenReturnsThree) {
  int second = 0;
  RunChooser([&](HWND dialog) {
    second = view_();
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(second, 3);
  EXPECT_EQ(FindWindowA(nullptr, kCaption), nullptr);
}

TEST_F(ChooserTest, AStoredValueTooLongForTheEditIsNotShownCut) {
  const std::string long_port = "COM" + std::string(150, '1');
  ASSERT_EQ(StorePort(long_port), PortStoreResult::kStored);
  std::string shown = "unset";
  RunChooser([&](HWND dialog) {
    shown = EditText(dialog);
    // A pasted text over the edit's limit is not stored cut either.
    Type(dialog, "COM" + std::string(200, '2'));
    Click(dialog, IDOK);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(shown, "");
  EXPECT_EQ(ReadStoredPort(), std::optional<std::string>(long_port));
}

TEST(PortSettingTest, TheStoreRules) {
  struct Case {
    std::string text;
    PortStoreResult result;
  };
  const Case cases[] = {
      {"COM1", PortStoreResult::kStored},
      {"COM12", PortStoreResult::kStored},
      {"COM", PortStoreResult::kStored},
      {"com1", PortStoreResult::kNotAPortName},
      {"CoM1", PortStoreResult::kNotAPortName},
      {" COM1", PortStoreResult::kNotAPortName},
      {"", PortStoreResult::kNotAPortName},
      {"COM" + std::string(252, '9'), PortStoreResult::kStored},
      {"COM" + std::string(253, '9'), PortStoreResult::kTooLong},
      {"COM1\r\n[*]", PortStoreResult::kControlByte},
      {"COM1\x7F", PortStoreResult::kControlByte},
  };
  ClearStoredPort();
  EXPECT_EQ(ReadStoredPort(), std::nullopt);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 8));
    EXPECT_EQ(StorePort(c.text), c.result);
    if (c.result == PortStoreResult::kStored) {
      EXPECT_EQ(ReadStoredPort(), std::optional<std::string>(c.text));
    }
  }
  ClearStoredPort();
}

}  // namespace
}  // namespace kavorin
