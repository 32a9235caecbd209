#include "tests/win32/standins/recorder.hpp"

#include <windows.h>

#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/library_script.hpp"

namespace kavorin::standin {
namespace {

// This DLL's folder and file stem: "C:\dir\", "zelkpay43".
std::pair<std::string, std::string> Whereabouts() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Record), &module);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  const std::string full(path);
  const std::size_t slash = full.find_last_of("\\/");
  std::string stem = full.substr(slash + 1);
  stem.erase(std::min(stem.rfind('.'), stem.size()));
  return {full.substr(0, slash + 1), stem};
}

// This call's answer: the script's lines for `key` in turn, counted over
// the life of the process.
std::vector<std::string> Answer(const std::string& script, const std::string& key) {
  static std::map<std::string, std::size_t> calls;
  test::AnswerBook book;
  std::ifstream in(script, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    book.Add(line);
  }
  std::vector<std::string> answer;
  for (std::size_t i = 0, call = calls[key]++; i <= call; ++i) answer = book.Next(key);
  return answer;
}

}  // namespace

int Record(std::string_view key, std::span<const control::CallArg> args) {
  const auto [folder, stem] = Whereabouts();
  std::ofstream(folder + stem + ".log", std::ios::binary | std::ios::app) << test::LoggedCall(key, args) << "\n";
  return test::ApplyAnswer(Answer(folder + stem + ".script", std::string(key)), args);
}

}  // namespace kavorin::standin
