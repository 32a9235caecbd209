#pragma once
// The install plan's seams on Windows: files, windows, processes,
// self-registration, COM and message boxes.
#include "setup/setup_system.hpp"

namespace kavorin::setup {

// How long a closed program gets to end before its files are handled.
inline constexpr unsigned kCloseWaitMs = 5000;

class Win32SetupSystem final : public SetupSystem {
 public:
  DeleteResult RemoveFile(std::string_view path) override;
  bool CopyOver(std::string_view from, std::string_view to) override;
  bool Exists(std::string_view path) override;
  bool Writable(std::string_view path) override;
  bool Readable(std::string_view path) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool CreateFolder(std::string_view path) override;
  void CloseWindow(std::string_view classAndTitle) override;
  bool StartHidden(std::string_view commandLine, unsigned waitMs) override;
  SelfRegisterResult SelfRegister(std::string_view path, std::string_view entryPoint) override;
  void InitializeCom() override;
  void UninitializeCom() override;
  void ShowMessage(std::string_view text, std::string_view caption) override;

 private:
  bool comStarted_ = false;
};

}  // namespace kavorin::setup
