#pragma once
// What setup and Uninstall ask of the machine, in small pieces: files,
// running programs and their windows, self-registration, COM and message
// boxes. The registry goes through RegistryStore. Paths are Windows paths
// in CP949; tests give a fake that records every call.
#include <string>
#include <string_view>

namespace kavorin::setup {

enum class DeleteResult { kDeleted, kNotFound, kFailed };

enum class SelfRegisterResult {
  kDone,
  kOleFailed,     // OleInitialize failed: nothing was loaded
  kNotLoaded,     // the file did not load
  kNoEntry,       // no such export
  kEntryFailed,   // the export returned a failure
};

class SetupSystem {
 public:
  virtual ~SetupSystem() = default;

  // A failure other than "no such file" is kFailed.
  virtual DeleteResult RemoveFile(std::string_view path) = 0;
  // Overwrites the target.
  virtual bool CopyOver(std::string_view from, std::string_view to) = 0;
  virtual bool Exists(std::string_view path) = 0;
  // The file exists and may be written / read (its access rights).
  virtual bool Writable(std::string_view path) = 0;
  virtual bool Readable(std::string_view path) = 0;
  virtual bool Rename(std::string_view from, std::string_view to) = 0;
  // An existing folder is fine.
  virtual bool CreateFolder(std::string_view path) = 0;

  // Sends WM_DESTROY to the top-level window of that class and title, if
  // there is one, and waits a bounded time for its program to end.
  virtual void CloseWindow(std::string_view classAndTitle) = 0;
  // Starts a command line with no window; waits up to waitMs for it to end
  // (0: not at all).
  virtual bool StartHidden(std::string_view commandLine, unsigned waitMs) = 0;
  // Loads the library, calls its entry point by name, frees it.
  virtual SelfRegisterResult SelfRegister(std::string_view path, std::string_view entryPoint) = 0;

  virtual void InitializeCom() = 0;
  virtual void UninitializeCom() = 0;
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
};

}  // namespace kavorin::setup
