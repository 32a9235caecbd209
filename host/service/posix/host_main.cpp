// KAVORIN, the terminal service host on Linux: one process a user, owning
// the terminal's serial port and serving every client over a Unix-domain
// socket. One asio thread runs everything (the socket, the timers, the
// serial channel, every call), so nothing around the link needs a lock.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <asio.hpp>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "host/link/frame_log.hpp"
#include "host/link/logged_serial_port.hpp"
#include "host/link/loop_timers_posix.hpp"
#include "host/link/serial_posix.hpp"
#include "host/service/host_command_line.hpp"
#include "host/service/posix/host_server.hpp"
#include "contract/posix/runtime_dir.hpp"
#include "host/service/terminal_service.hpp"

namespace {

// Start-up and failures go to stderr with a time, for whoever reads the
// journal; the daily log keeps only the StartComPort lines.
void Note(const std::string& text) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  std::fprintf(stderr, "%s KAVORIN[%d]: %s\n", stamp, static_cast<int>(::getpid()), text.c_str());
}

std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

// The single-instance lock, held for the life of the host. 0 when another
// host holds it (this start ends at once), -1 on a failure (said in `error`).
int TakeInstanceLock(const std::string& path, std::string& error) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int fd = kavorin::OpenLockFile(path, error);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return 0;
    }
    // A host that was ending may have removed the file between our open
    // and our lock: a lock on a file nobody can find keeps nobody out.
    if (kavorin::LockFileStillNamed(fd, path)) return fd;
    ::close(fd);
  }
  error = "the lock file " + path + " keeps being replaced";
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  const kavorin::RuntimePaths paths = kavorin::DefaultRuntimePaths();
  std::string error;
  if (kavorin::CheckRuntimeDir(paths.dir, true, error) != kavorin::RuntimeDirCheck::kOk) {
    Note("cannot use the runtime folder: " + error);
    return 1;
  }

  // One host a user: a second start ends at once, whatever its command line.
  const int lock_fd = TakeInstanceLock(paths.lock, error);
  if (lock_fd < 0) {
    Note(error);
    return 1;
  }
  if (lock_fd == 0) return 0;
  // The lock file names the serving process, for whoever must find it.
  const std::string pid_text = std::to_string(::getpid()) + "\n";
  if (::ftruncate(lock_fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::write(lock_fd, pid_text.data(), pid_text.size());
  }
  // Removed while still locked, so that no later host can lock a file that
  // is about to lose its name.
  auto release_lock = [&] {
    ::unlink(paths.lock.c_str());
    ::close(lock_fd);
  };

  // Linux has no class registry: registration has nothing to write.
  if (kavorin::ParseHostCommandLine(JoinArguments(argc, argv)) != kavorin::HostCommand::Serve) {
    release_lock();
    return 0;
  }

  asio::io_context loop;
  kavorin::SerialChannel channel(loop);
  kavorin::TerminalService* service_for_timers = nullptr;
  kavorin::LoopTimers timers(loop, [&](int id) { service_for_timers->OnTimer(id); });
  // The frame log, when switched on, sees the wire between the link and
  // the channel.
  const std::unique_ptr<kavorin::FrameLog> frame_log = kavorin::OpenFrameLogIfWanted(Note);
  kavorin::LoggedSerialPort port(channel, frame_log.get());
  kavorin::TerminalService service(port, timers);
  service_for_timers = &service;

  kavorin::HostServer server(loop, service);
  server.SetDiagnostics(Note);
  if (!server.Listen(paths.socket, error)) {
    Note(error);
    release_lock();
    return 1;
  }
  service.SetTerminateHandler([&] { loop.stop(); });
  // From ServiceTerminate on, a new client must find no socket and start the
  // next host rather than reach this one, which refuses work until it ends.
  service.SetEndingHandler([&] {
    server.StopAccepting();
    ::unlink(paths.socket.c_str());
  });
  service.SetDiagnostics(Note);

  asio::signal_set signals(loop, SIGTERM, SIGINT);
  signals.async_wait([&](asio::error_code ec, int signal_number) {
    if (ec) return;
    Note(std::string("ending on ") + ::strsignal(signal_number));
    service.Shutdown();
    loop.stop();
  });

  Note("serving on " + paths.socket);
  loop.run();

  server.Stop();
  ::unlink(paths.socket.c_str());
  release_lock();
  Note("ended");
  return 0;
}
