#include "host_test_support.hpp"

#include <cstdlib>
#include <fstream>
#include <vector>

namespace kavorin::test {
namespace {

constexpr char kHostWindow[] = "KAVORIN_Interface";
constexpr WPARAM kTrayExitCommand = 0x8000;

HANDLE Launch(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string BesideTest(const std::string& name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + name;
}

long RunToEnd(const std::string& commandLine, DWORD timeoutMs) {
  HANDLE process = Launch(commandLine);
  if (process == nullptr) return -1;
  const long code = WaitForExit(process, timeoutMs);
  CloseHandle(process);
  return code;
}

HWND FindHostWindow() { return FindWindowA(kHostWindow, kHostWindow); }

HANDLE OpenRunningHost(DWORD access) {
  HWND window = FindHostWindow();
  if (window == nullptr) return nullptr;
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return OpenProcess(access, FALSE, id);
}

std::string RunningHostProgram() {
  HANDLE process = OpenRunningHost(PROCESS_QUERY_LIMITED_INFORMATION);
  if (process == nullptr) return FindHostWindow() != nullptr ? "a host that cannot be opened" : "no host";
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const bool named = QueryFullProcessImageNameA(process, 0, path, &size);
  CloseHandle(process);
  return named ? std::string(path, size) : "a host whose program cannot be named";
}

long WaitForExit(HANDLE process, DWORD timeoutMs) {
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return static_cast<long>(code);
}

void EndAnyRunningHost() {
  HWND window = FindHostWindow();
  if (window == nullptr) return;
  HANDLE process = OpenRunningHost(SYNCHRONIZE | PROCESS_QUERY_INFORMATION);
  PostMessageA(window, WM_COMMAND, kTrayExitCommand, 0);
  if (process != nullptr) {
    WaitForExit(process);
    CloseHandle(process);
  }
}

HostProcess::~HostProcess() { End(); }

bool HostProcess::Start() {
  EndAnyRunningHost();
  const std::string host = "\"" + BesideTest("KAVORIN.exe") + "\"";
  if (RunToEnd(host + " /RegServer") != 0) return false;
  process_ = Launch(host);
  if (process_ == nullptr) return false;
  // Idle means: the class object is registered and the loop runs.
  return WaitForInputIdle(process_, kProcessWaitMs) == 0 && FindHostWindow() != nullptr;
}

long HostProcess::End() {
  if (process_ == nullptr) return -1;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    HWND window = FindHostWindow();
    if (window != nullptr) PostMessageA(window, WM_COMMAND, kTrayExitCommand, 0);
  }
  const long code = WaitForExit(process_);
  CloseHandle(process_);
  process_ = nullptr;
  return code;
}

IKAVORINComm* ActivateHost(HRESULT* result) {
  HRESULT status = S_OK;
  IUnknown* unknown = nullptr;
  IKAVORINComm* host = nullptr;
  status = CoCreateInstance(CLSID_KAVORINComm, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unknown));
  if (SUCCEEDED(status)) status = OleRun(unknown);
  if (SUCCEEDED(status)) status = unknown->QueryInterface(IID_IKAVORINComm, reinterpret_cast<void**>(&host));
  if (unknown != nullptr) unknown->Release();
  if (result != nullptr) *result = status;
  return SUCCEEDED(status) ? host : nullptr;
}

std::wstring CatPort(const char* profile) {
  const std::string name = std::string("KAVORIN_TEST_CAT_") + profile;
  const char* port = std::getenv(name.c_str());
  return port != nullptr ? std::wstring(port, port + std::string(port).size()) : std::wstring();
}

std::string BareCatPort(const char* profile) {
  const std::wstring wide = CatPort(profile);
  std::string port(wide.begin(), wide.end());
  if (port.rfind("\\\\.\\", 0) == 0) port.erase(0, 4);
  return port;
}

std::string BytesFromHost(const char* profile) {
  const char* folder = std::getenv("KAVORIN_TEST_CAT_RECORDS");
  if (folder == nullptr) return {};
  std::ifstream record(std::string(folder) + "\\" + profile + ".jsonl");
  std::string bytes;
  std::string line;
  const std::string hex_key = "\"hex\":\"";
  while (std::getline(record, line)) {
    if (line.find("\"from\":\"host\"") == std::string::npos) continue;
    std::size_t at = line.find(hex_key);
    if (at == std::string::npos) continue;
    for (at += hex_key.size(); at + 1 < line.size() && line[at] != '"'; at += 2) {
      bytes += static_cast<char>(HexValue(line[at]) * 16 + HexValue(line[at + 1]));
    }
  }
  return bytes;
}

int PollStatus(IKAVORINComm& host, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  do {
    int status = 1000;
    if (FAILED(host.StatusCheck(&status))) return 1000;
    if (status <= 0) return status;
    Sleep(20);
  } while (GetTickCount64() < deadline);
  return 1000;
}

}  // namespace kavorin::test
