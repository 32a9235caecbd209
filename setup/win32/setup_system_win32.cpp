#include "setup/win32/setup_system_win32.hpp"

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "common/message_box.hpp"

namespace kavorin::setup {
namespace {

DWORD Attributes(std::string_view path) { return GetFileAttributesA(std::string(path).c_str()); }
bool IsFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

}  // namespace

DeleteResult Win32SetupSystem::RemoveFile(std::string_view path) {
  if (DeleteFileA(std::string(path).c_str())) return DeleteResult::kDeleted;
  return GetLastError() == ERROR_FILE_NOT_FOUND ? DeleteResult::kNotFound : DeleteResult::kFailed;
}

bool Win32SetupSystem::CopyOver(std::string_view from, std::string_view to) {
  return CopyFileA(std::string(from).c_str(), std::string(to).c_str(), FALSE) != FALSE;
}

bool Win32SetupSystem::Exists(std::string_view path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool Win32SetupSystem::Writable(std::string_view path) {
  const DWORD attributes = Attributes(path);
  return IsFile(attributes) && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool Win32SetupSystem::Readable(std::string_view path) { return IsFile(Attributes(path)); }

bool Win32SetupSystem::Rename(std::string_view from, std::string_view to) {
  return MoveFileA(std::string(from).c_str(), std::string(to).c_str()) != FALSE;
}

bool Win32SetupSystem::CreateFolder(std::string_view path) {
  return CreateDirectoryA(std::string(path).c_str(), nullptr) != FALSE || GetLastError() == ERROR_ALREADY_EXISTS;
}

void Win32SetupSystem::CloseWindow(std::string_view classAndTitle) {
  const std::string name(classAndTitle);
  HWND window = FindWindowA(name.c_str(), name.c_str());
  if (window == nullptr) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = processId == 0 ? nullptr : OpenProcess(SYNCHRONIZE, FALSE, processId);
  // A program that no longer answers does not hold setup up.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, kCloseWaitMs, &ignored);
  if (process != nullptr) {
    WaitForSingleObject(process, kCloseWaitMs);
    CloseHandle(process);
  }
}

bool Win32SetupSystem::StartHidden(std::string_view commandLine, unsigned waitMs) {
  std::vector<char> command(commandLine.begin(), commandLine.end());
  command.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return false;
  }
  if (waitMs != 0) WaitForSingleObject(started.hProcess, waitMs);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

SelfRegisterResult Win32SetupSystem::SelfRegister(std::string_view path, std::string_view entryPoint) {
  if (FAILED(OleInitialize(nullptr))) return SelfRegisterResult::kOleFailed;
  // A file on a drive that is not ready fails quietly instead of asking.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  SelfRegisterResult result = SelfRegisterResult::kNotLoaded;
  if (HMODULE library = LoadLibraryExA(std::string(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    const auto entry = reinterpret_cast<EntryPoint>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, std::string(entryPoint).c_str())));
    if (entry == nullptr) {
      result = SelfRegisterResult::kNoEntry;
    } else {
      result = SUCCEEDED(entry()) ? SelfRegisterResult::kDone : SelfRegisterResult::kEntryFailed;
    }
    FreeLibrary(library);
  }
  SetErrorMode(previousMode);
  OleUninitialize();
  return result;
}

void Win32SetupSystem::InitializeCom() { comStarted_ = SUCCEEDED(CoInitialize(nullptr)); }

void Win32SetupSystem::UninitializeCom() {
  if (comStarted_) CoUninitialize();
  comStarted_ = false;
}

void Win32SetupSystem::ShowMessage(std::string_view text, std::string_view caption) {
  ShowMessageBox(std::string(caption), std::string(text));
}

}  // namespace kavorin::setup
