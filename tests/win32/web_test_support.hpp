#pragma once
// What the tests of the web control share: KAVORIN_Web.ocx in an install
// folder beside the client library it imports (and, for the end-to-end
// tests, the host), and a watcher that reads and dismisses the dialogs of
// another process.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/win32/ctl_test_support.hpp"

namespace kavorin::web_test {

using ctl_test::ClassOf;
using ctl_test::Click;
using ctl_test::ItemText;
using ctl_test::kMessageBoxText;
using ctl_test::TextOf;

namespace fs = std::filesystem;

using ctl_test::ProgramFolder;

// The control, the library and (withHost) the host with its dialog library
// in a folder of their own: the library reads kavorin.ini and writes its
// log there.
class WebInstallation {
 public:
  WebInstallation(const std::string& name, bool withHost) {
    folder_ = fs::temp_directory_path() / ("kavorin-web-" + name + "-" + std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    std::vector<const char*> files{"KAVORIN_Web.ocx", "KAVORIN_Ctl.dll"};
    if (withHost) files.insert(files.end(), {"KAVORIN.exe", "Property.dll"});
    for (const char* file : files) fs::copy_file(ProgramFolder() / file, folder_ / file);
  }
  ~WebInstallation() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  WebInstallation(const WebInstallation&) = delete;
  WebInstallation& operator=(const WebInstallation&) = delete;

  const fs::path& folder() const { return folder_; }
  fs::path Control() const { return folder_ / "KAVORIN_Web.ocx"; }
  void WriteIniPort(const std::string& port) const {
    std::ofstream(folder_ / "kavorin.ini", std::ios::binary) << "[General]\r\nCOM_Port=" << port << "\r\n";
  }

 private:
  fs::path folder_;
};

struct SeenDialog {
  std::string caption;  // CP949
  std::string text;     // the message box's text, CP949
};

// While it lives, a helper thread looks at the visible dialogs of one
// process (or of this one) and answers every message box with OK, keeping
// caption and text. Dialogs that are not message boxes go to `other`, if
// given, once each.
class DialogWatcher {
 public:
  explicit DialogWatcher(DWORD process = GetCurrentProcessId(), std::function<void(HWND)> other = {})
      : process_(process), other_(std::move(other)), thread_([this] { Run(); }) {}
  ~DialogWatcher() { Stop(); }
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void Watch(DWORD process) { process_ = process; }
  std::vector<SeenDialog> MessageBoxes() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* self = reinterpret_cast<DialogWatcher*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == self->process_ && ClassOf(window) == "#32770" && IsWindowVisible(window)) {
      self->found_.push_back(window);
    }
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      found_.clear();
      EnumWindows(&Collect, reinterpret_cast<LPARAM>(this));
      for (HWND window : found_) {
        HWND text = GetDlgItem(window, kMessageBoxText);
        if (text != nullptr) {
          {
            std::lock_guard lock(mutex_);
            seen_.push_back({TextOf(window), TextOf(text)});
          }
          Click(window, IDOK);
        } else if (other_ && handled_.insert(window).second) {
          other_(window);
        }
      }
      Sleep(10);
    }
  }

  std::atomic<DWORD> process_;
  std::function<void(HWND)> other_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<SeenDialog> seen_;
  std::vector<HWND> found_;
  std::set<HWND> handled_;
  std::thread thread_;
};

}  // namespace kavorin::web_test
