#pragma once
// setup and Uninstall, step by step, over the machine's seams.
//
// setup: close the running host and sign-pad program; create the folders;
// delete the old set; copy the new one only when every deletion worked;
// register; ask for the options; write the uninstall entry; report.
// Uninstall: close them; unregister; delete; remove the entry only when
// every deletion worked; report.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/registry/registry_store.hpp"
#include "setup/setup_system.hpp"

namespace kavorin::setup {

inline constexpr char kWindowsVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr char kProgramFilesValue[] = "ProgramFilesDir";
inline constexpr std::size_t kProgramFilesBytes = 100;
inline constexpr char kDefaultProgramFiles[] = "C:\\Program Files";

inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZELK4Web(Halveron)";
inline constexpr char kDisplayName[] = "ZELK4Web(Halveron)";
inline constexpr char kDisplayVersion[] = "1.0";

// The windows of the programs that hold installed files while they run.
inline constexpr char kSignPadWindow[] = "KavSignPad_Interface";
inline constexpr char kHostWindow[] = "KAVORIN_Interface";

// Uninstall waits this long for each "/UnregServer" run before it deletes
// the program that is running it.
inline constexpr unsigned kUnregisterWaitMs = 10000;

struct InstallFolders {
  std::string programFiles;  // ends with a backslash
  std::string parent;        // ...\HALVERON
  std::string folder;        // ...\HALVERON\WEB
};

// From "ProgramFilesDir", or "C:\Program Files" when it cannot be read.
InstallFolders FindInstallFolders(RegistryStore& registry);

std::string PathIn(std::string_view folder, std::string_view name);

struct SetupOutcome {
  int failedDeletion = 0;                // the number of the last file that would not go
  std::vector<std::string> failedCopies;  // names
  bool cancelled = false;
  bool entryWritten = false;
  bool Failed() const { return failedDeletion != 0 || !failedCopies.empty(); }
};

// optionsDialog: 0 when the options were confirmed, -1 when cancelled.
SetupOutcome RunSetup(SetupSystem& system, RegistryStore& registry, std::string_view sourceFolder,
                      const std::function<int()>& optionsDialog);

struct UninstallOutcome {
  int failedDeletion = 0;
  bool entryRemoved = false;
  bool Failed() const { return failedDeletion != 0; }
};

UninstallOutcome RunUninstall(SetupSystem& system, RegistryStore& registry);

// One self-registration entry point of one file; a failed OLE start is
// shown to the user, every other failure is not.
void SelfRegisterFile(SetupSystem& system, std::string_view path, std::string_view entryPoint);

}  // namespace kavorin::setup
