#include "setup/install_plan.hpp"

#include "setup/installed_files.hpp"
#include "setup/setup_texts.hpp"

namespace kavorin::setup {
namespace {

constexpr std::string_view kRegisterEntry = "DllRegisterServer";
constexpr std::string_view kUnregisterEntry = "DllUnregisterServer";

void CloseRunningPrograms(SetupSystem& system) {
  system.CloseWindow(kSignPadWindow);
  system.CloseWindow(kHostWindow);
}

// The number of the last file that could not be deleted, 0 when every one
// went or was not there.
template <std::size_t N>
int DeleteFiles(SetupSystem& system, std::string_view folder, const std::array<int, N>& order) {
  int failed = 0;
  for (int number : order) {
    if (system.RemoveFile(PathIn(folder, FileNumber(number).name)) == DeleteResult::kFailed) failed = number;
  }
  return failed;
}

// A target that will not be overwritten (a program still running from it)
// may still be renamed: it steps aside as "<name>.bak" and the copy is tried
// once more.
bool CopyWithRetry(SetupSystem& system, const std::string& from, const std::string& to) {
  if (system.CopyOver(from, to)) return true;
  if (!system.Writable(to) || !system.Readable(from)) return false;
  const std::string aside = to + ".bak";
  system.RemoveFile(aside);
  if (!system.Rename(to, aside)) return false;
  return system.CopyOver(from, to);
}

void CopySet(SetupSystem& system, std::string_view source, std::string_view folder, SetupOutcome& outcome) {
  auto copy = [&](std::string_view name) {
    if (!CopyWithRetry(system, PathIn(source, name), PathIn(folder, name))) outcome.failedCopies.emplace_back(name);
  };
  for (int number : kCopyOrder) copy(FileNumber(number).name);
  for (std::string_view ini : kIniFiles) {
    if (!system.Exists(PathIn(folder, ini))) copy(ini);
  }
  copy(kUninstallProgram);
}

// Libraries by their entry point first, then the two programs by their
// command line.
void RegisterSet(SetupSystem& system, std::string_view folder, bool registering) {
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.registration == Registration::kSelf) {
      SelfRegisterFile(system, PathIn(folder, file.name), registering ? kRegisterEntry : kUnregisterEntry);
    }
  }
  for (const InstalledFile& file : kInstalledFiles) {
    if (file.registration != Registration::kServerExe) continue;
    // Quoted: the folder usually holds a space ("Program Files").
    const std::string command =
        "\"" + PathIn(folder, file.name) + "\"" + (registering ? " /RegServer" : " /UnregServer");
    system.StartHidden(command, registering ? 0 : kUnregisterWaitMs);
  }
}

bool WriteUninstallEntry(RegistryStore& registry, std::string_view folder) {
  if (!registry.CreateKey(kUninstallKey) || !registry.OpenKey(kUninstallKey)) return false;
  bool written = registry.WriteText(kUninstallKey, "DisplayName", kDisplayName);
  written = registry.WriteText(kUninstallKey, "DisplayIcon", PathIn(folder, FileNumber(1).name)) && written;
  written = registry.WriteText(kUninstallKey, "DisplayVersion", kDisplayVersion) && written;
  written = registry.WriteText(kUninstallKey, "UnInstallString", PathIn(folder, "UnInstall.exe")) && written;
  return written;
}

}  // namespace

InstallFolders FindInstallFolders(RegistryStore& registry) {
  const auto read = registry.ReadText(kWindowsVersionKey, kProgramFilesValue, kProgramFilesBytes);
  InstallFolders folders;
  folders.programFiles = (read ? *read : std::string(kDefaultProgramFiles)) + "\\";
  folders.parent = folders.programFiles + "HALVERON";
  folders.folder = folders.programFiles + "HALVERON\\WEB";
  return folders;
}

std::string PathIn(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
  return path;
}

void SelfRegisterFile(SetupSystem& system, std::string_view path, std::string_view entryPoint) {
  if (system.SelfRegister(path, entryPoint) == SelfRegisterResult::kOleFailed) {
    system.ShowMessage(OleFailedText(), OleFailedCaption());
  }
}

SetupOutcome RunSetup(SetupSystem& system, RegistryStore& registry, std::string_view sourceFolder,
                      const std::function<int()>& optionsDialog) {
  SetupOutcome outcome;
  const InstallFolders folders = FindInstallFolders(registry);
  CloseRunningPrograms(system);
  system.InitializeCom();
  system.CreateFolder(folders.parent);
  system.CreateFolder(folders.folder);

  outcome.failedDeletion = DeleteFiles(system, folders.folder, kSetupDeleteOrder);
  if (outcome.failedDeletion == 0) CopySet(system, sourceFolder, folders.folder, outcome);
  // A set that could not be replaced is still registered where it lies.
  RegisterSet(system, folders.folder, true);

  if (optionsDialog() == -1) {
    outcome.cancelled = true;
    system.ShowMessage(SetupCancelledText(), SetupCancelledCaption());
    system.UninitializeCom();
    return outcome;
  }
  outcome.entryWritten = WriteUninstallEntry(registry, folders.folder);
  system.ShowMessage(outcome.Failed() ? SetupFailedText() : SetupDoneText(), SetupResultCaption());
  system.UninitializeCom();
  return outcome;
}

UninstallOutcome RunUninstall(SetupSystem& system, RegistryStore& registry) {
  UninstallOutcome outcome;
  CloseRunningPrograms(system);
  system.InitializeCom();
  const InstallFolders folders = FindInstallFolders(registry);
  RegisterSet(system, folders.folder, false);
  outcome.failedDeletion = DeleteFiles(system, folders.folder, kUninstallDeleteOrder);
  if (outcome.failedDeletion == 0) outcome.entryRemoved = registry.DeleteKey(kUninstallKey);
  system.UninitializeCom();
  system.ShowMessage(outcome.Failed() ? UninstallFailedText() : UninstallDoneText(), UninstallResultCaption());
  return outcome;
}

}  // namespace kavorin::setup
