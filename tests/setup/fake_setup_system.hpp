#pragma once
// A machine for the install plan's tests: files in a map, with files that
// a running program holds (they will neither go nor be overwritten, but may
// be renamed) and files held without sharing (nothing at all works on
// them). Every call is recorded as one line, in order.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "setup/setup_system.hpp"

namespace kavorin::test {

class FakeSetupSystem final : public setup::SetupSystem {
 public:
  setup::DeleteResult RemoveFile(std::string_view path) override {
    const std::string file(path);
    Log("delete " + file);
    if (!files.contains(file)) return setup::DeleteResult::kNotFound;
    if (running.contains(file) || unshared.contains(file)) return setup::DeleteResult::kFailed;
    files.erase(file);
    return setup::DeleteResult::kDeleted;
  }
  bool CopyOver(std::string_view from, std::string_view to) override {
    const std::string source(from), target(to);
    Log("copy " + target);
    if (!files.contains(source) || unshared.contains(source) || running.contains(target) || unshared.contains(target)) {
      return false;
    }
    files[target] = files[source];
    return true;
  }
  bool Exists(std::string_view path) override { return files.contains(std::string(path)); }
  bool Writable(std::string_view path) override { return files.contains(std::string(path)); }
  bool Readable(std::string_view path) override { return files.contains(std::string(path)); }
  bool Rename(std::string_view from, std::string_view to) override {
    const std::string source(from), target(to);
    Log("rename " + source + " -> " + target);
    if (!files.contains(source) || unshared.contains(source) || files.contains(target)) return false;
    files[target] = files[source];
    files.erase(source);
    if (running.erase(source) != 0) running.insert(target);
    return true;
  }
  bool CreateFolder(std::string_view path) override {
    Log("folder " + std::string(path));
    return true;
  }
  void CloseWindow(std::string_view classAndTitle) override { Log("close " + std::string(classAndTitle)); }
  bool StartHidden(std::string_view commandLine, unsigned waitMs) override {
    Log("start " + std::string(commandLine) + " wait " + std::to_string(waitMs));
    return true;
  }
  setup::SelfRegisterResult SelfRegister(std::string_view path, std::string_view entryPoint) override {
    Log(std::string(entryPoint) + " " + std::string(path));
    return selfRegisterResult;
  }
  void InitializeCom() override { Log("com on"); }
  void UninitializeCom() override { Log("com off"); }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    Log("message " + std::string(caption) + "|" + std::string(text));
  }

  void Log(std::string line) { calls.push_back(std::move(line)); }
  std::vector<std::string> Matching(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
      if (call.starts_with(prefix)) found.push_back(call);
    }
    return found;
  }

  std::map<std::string, std::string> files;
  std::set<std::string> running, unshared;
  setup::SelfRegisterResult selfRegisterResult = setup::SelfRegisterResult::kDone;
  std::vector<std::string> calls;
};

}  // namespace kavorin::test
