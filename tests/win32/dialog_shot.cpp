// dialog_shot: shows one dialog of a dialog library (Property.dll, or
// Konfira.dll, the installer's) for a screenshot.
//
//   dialog_shot.exe [--library <dll>] <export> [<button id> ...] [--hold <ms>]
//
// Loads the library (default Property.dll) and calls the export (its dialog runs modally on the main thread); a helper
// thread waits for the dialog, presses the buttons given, one after the
// other (each may open a further dialog), then prints the screen rectangle
// of the newest dialog on one line ("x y width height") and, after the
// hold (default 4000 ms), closes every dialog with Cancel.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/win32/dialog_operator.hpp"

namespace {

using namespace kavorin::dialog_test;

HWND WaitForNewDialog(const std::vector<HWND>& known) {
  return WaitForDialog([&](HWND window) {
    for (HWND seen : known) {
      if (seen == window) return false;
    }
    return true;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const char* libraryName = "Property.dll";
  const char* exportName = nullptr;
  std::vector<int> presses;
  DWORD hold = 4000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hold") == 0 && i + 1 < argc) {
      hold = static_cast<DWORD>(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--library") == 0 && i + 1 < argc) {
      libraryName = argv[++i];
    } else if (exportName == nullptr) {
      exportName = argv[i];
    } else {
      presses.push_back(std::atoi(argv[i]));
    }
  }
  if (exportName == nullptr) {
    std::fprintf(stderr, "usage: dialog_shot [--library <dll>] <export> [<button id> ...] [--hold <ms>]\n");
    return 2;
  }
  HMODULE library = LoadLibraryA(libraryName);
  if (library == nullptr) {
    std::fprintf(stderr, "dialog_shot: cannot load %s (error %lu)\n", libraryName, GetLastError());
    return 2;
  }
  auto view = reinterpret_cast<ViewFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library, exportName)));
  if (view == nullptr) {
    std::fprintf(stderr, "dialog_shot: no export %s in %s\n", exportName, libraryName);
    return 2;
  }
  std::thread helper([&] {
    std::vector<HWND> shown{WaitForNewDialog({})};
    for (int id : presses) {
      Press(shown.back(), id);
      shown.push_back(WaitForNewDialog(shown));
    }
    HWND last = shown.back();
    // With no window manager Wine leaves a program's first window drawn
    // inactive although it is in front: its caption would be grey, unlike
    // on a person's desktop. Nested dialogs are drawn active already.
    SetForegroundWindow(last);
    SendMessageA(last, WM_NCACTIVATE, TRUE, 0);
    Sleep(1000);  // painted, and the log viewer filled
    RECT place{};
    GetWindowRect(last, &place);
    std::printf("%ld %ld %ld %ld\n", place.left, place.top, place.right - place.left, place.bottom - place.top);
    std::fflush(stdout);
    Sleep(hold);
    while (!shown.empty()) {
      Press(shown.back(), IDCANCEL);
      WaitUntil([&] { return !IsWindow(shown.back()); }, 2000);
      shown.pop_back();
    }
  });
  view();
  helper.join();
  return 0;
}
