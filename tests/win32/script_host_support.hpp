#pragma once
// Running a page's script under Wine's own script host (cscript) from a
// test, and reading back the "name=value" lines it printed.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "tests/win32/host_test_support.hpp"

namespace kavorin::script_test {

namespace fs = std::filesystem;

inline constexpr DWORD kScriptWaitMs = 120000;

inline std::string Quoted(const fs::path& path) {
  std::string quoted(1, '"');
  quoted += path.string();
  quoted.push_back('"');
  return quoted;
}

// Runs a script under cscript with its output in a file; the exit code, or
// -1 when it did not end in time. `started` gets the process id at once.
inline long RunScript(const std::string& script, const fs::path& output,
                      const std::function<void(DWORD)>& started = [](DWORD) {}) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileW(output.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string line = "cscript.exe //nologo \"" + script + "\"";
  const BOOL created =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(file);
  if (!created) return -1;
  CloseHandle(process.hThread);
  started(process.dwProcessId);
  const long code = test::WaitForExit(process.hProcess, kScriptWaitMs);
  CloseHandle(process.hProcess);
  return code;
}

inline std::map<std::string, std::string> Lines(const fs::path& output) {
  std::ifstream in(output);
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

}  // namespace kavorin::script_test
