#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "client/api/client_platform.hpp"
#include "common/config_dir.hpp"
#include "contract/posix/port_names_posix.hpp"

namespace kavorin {
namespace {

// In the child: a clean start, holding none of the caller's descriptors.
void PrepareChild() {
  ::setsid();
  const int null_fd = ::open("/dev/null", O_RDWR);
  const char* log_path = std::getenv("KAVORIN_HOST_LOG");
  const int log_fd = log_path != nullptr && *log_path ? ::open(log_path, O_WRONLY | O_CREAT | O_APPEND, 0600) : -1;
  ::dup2(null_fd, STDIN_FILENO);
  ::dup2(log_fd >= 0 ? log_fd : null_fd, STDOUT_FILENO);
  ::dup2(log_fd >= 0 ? log_fd : null_fd, STDERR_FILENO);
  const long max_fd = ::sysconf(_SC_OPEN_MAX);
  for (int fd = 3; fd < (max_fd > 0 ? max_fd : 1024); ++fd) ::close(fd);
  ::signal(SIGPIPE, SIG_DFL);
}

}  // namespace

std::string HostProgramPath(const std::string& libraryFolder) { return libraryFolder + "KAVORIN"; }

void RunProgram(const std::string& program, const std::string& argument) {
  const char* arg = argument.empty() ? nullptr : argument.c_str();
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    PrepareChild();
    if (arg == nullptr) {
      // The server outlives the caller: a grandchild, reaped by init.
      if (::fork() != 0) ::_exit(0);
    }
    ::execl(program.c_str(), "KAVORIN", arg, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // The registration run, or the short-lived parent of the server. Waiting
  // for it keeps the registration run from holding the single-instance lock
  // while the server starts; it never takes long, but the wait is bounded.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (::waitpid(child, nullptr, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string FormatPortForHost(const std::string& stored) { return stored; }

std::string ReadOldTypeMasterKey() {
  // $KAVORIN_CONFIG_DIR/signpad/old_type_master_key: the 8 key bytes on the
  // first line. Anything else counts as no key.
  std::ifstream in(ConfigDir() + "/signpad/old_type_master_key", std::ios::binary);
  std::string key;
  std::getline(in, key);
  if (!key.empty() && key.back() == '\r') key.pop_back();
  return key.size() == 8 ? key : std::string();
}

int TestOpenPort(const std::string& formattedName) {
  if (formattedName.size() < 2) return -1;
  const PortResolution resolved = ResolvePortNameOnHost(formattedName);
  if (!resolved.ok) return -3;
  const int fd = ::open(resolved.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -3;  // EBUSY: the running host holds it exclusively
  // The host also locks the device, which holds against root too; a port in
  // use fails the test as a Windows port opened without sharing does.
  const bool in_use = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return in_use ? -3 : 0;
}

}  // namespace kavorin
