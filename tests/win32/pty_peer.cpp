// The Linux side of the Windows serial tests, run around the Wine test
// program:
//
//   pty_peer <prefix>/dosdevices -- <command...>
//
// It maps four COM ports into the Wine prefix and passes their names to the
// command in the environment:
//   KAVORIN_TEST_COM_A, KAVORIN_TEST_COM_B  two ends of a null-modem: what
//       one end writes, the other reads (two ptys, relayed here);
//   KAVORIN_TEST_COM_STALL  a port whose other end never reads, so writes
//       back up;
//   KAVORIN_TEST_COM_HELD  a pty whose master is only held, as a plain
//       program holds it (see pty_holder.cpp): nothing reads or answers;
//       with KAVORIN_MODEM_LINES_SHIM set (the shim's LD_PRELOAD path), the
//       command runs with that shim, which gives this pty modem lines, as a
//       USB adapter has (see modem_lines_shim.c);
//   KAVORIN_TEST_COM_GONE  a pty that goes away (both ends closed here) as
//       soon as a byte is written to it, as a USB adapter pulled out;
//   KAVORIN_TEST_COM_MISSING  a name whose device does not exist.
// Ports are taken from COM40 upwards, skipping ones in use, so test programs
// can run side by side. The links go when the command ends.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Pty {
  int master = -1;
  int slave = -1;  // kept open so the master never sees a hang-up
  std::string path;
};

Pty OpenPty() {
  Pty pty;
  pty.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) {
    perror("pty_peer: posix_openpt");
    exit(125);
  }
  pty.path = ptsname(pty.master);
  // Raw from the start, so nothing is echoed or translated before the
  // Windows side sets its own line settings.
  termios settings{};
  tcgetattr(pty.master, &settings);
  cfmakeraw(&settings);
  tcsetattr(pty.master, TCSANOW, &settings);
  pty.slave = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
  fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
  return pty;
}

std::vector<std::string> g_links;

bool IsStale(const std::string& link) {
  char target[512] = {};
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return false;
  std::string text(target, static_cast<std::size_t>(length));
  const auto mark = text.find("kavorin-missing-");
  if (mark != std::string::npos) return kill(atoi(text.c_str() + mark + 16), 0) != 0;
  struct stat info {};
  return stat(link.c_str(), &info) != 0;
}

// Links the next free comN to `target`; returns N.
int Claim(const std::string& dosdevices, const std::string& target) {
  for (int n = 40; n <= 256; ++n) {
    const std::string link = dosdevices + "/com" + std::to_string(n);
    if (symlink(target.c_str(), link.c_str()) == 0) {
      g_links.push_back(link);
      return n;
    }
    if (errno == EEXIST && IsStale(link)) {
      unlink(link.c_str());
      --n;
    }
  }
  fprintf(stderr, "pty_peer: no free COM number in %s\n", dosdevices.c_str());
  exit(125);
}

std::string PortName(int n) { return "\\\\.\\COM" + std::to_string(n); }

void Relay(int from, int to, std::string& pending, short events) {
  if (events & POLLIN) {
    char buffer[4096];
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got > 0) pending.append(buffer, static_cast<std::size_t>(got));
  }
  if (!pending.empty()) {
    const ssize_t put = write(to, pending.data(), pending.size());
    if (put > 0) pending.erase(0, static_cast<std::size_t>(put));
  }
}

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    fprintf(stderr, "usage: pty_peer <dosdevices> -- <command...>\n");
    return 125;
  }
  const std::string dosdevices = argv[1];
  if (mkdir(dosdevices.c_str(), 0755) != 0 && errno != EEXIST) {
    perror("pty_peer: dosdevices");
    return 125;
  }

  Pty a = OpenPty();
  Pty b = OpenPty();
  Pty stall = OpenPty();
  // Left exactly as openpty makes it: not raw, never drained.
  Pty held;
  char held_name[256] = {};
  if (openpty(&held.master, &held.slave, held_name, nullptr, nullptr) != 0) {
    perror("pty_peer: openpty");
    return 125;
  }
  held.path = held_name;
  Pty gone = OpenPty();
  // Only this process may hold its master, or closing it here hangs nothing up.
  fcntl(gone.master, F_SETFD, FD_CLOEXEC);
  fcntl(gone.slave, F_SETFD, FD_CLOEXEC);
  const std::string missing = "/nonexistent/kavorin-missing-" + std::to_string(getpid());

  {
    // One claimer at a time, so two peers never take the same number.
    const std::string lock_path = dosdevices + "/../.kavorin-ports.lock";
    const int lock = open(lock_path.c_str(), O_CREAT | O_RDWR, 0644);
    if (lock >= 0) flock(lock, LOCK_EX);
    setenv("KAVORIN_TEST_COM_A", PortName(Claim(dosdevices, a.path)).c_str(), 1);
    setenv("KAVORIN_TEST_COM_B", PortName(Claim(dosdevices, b.path)).c_str(), 1);
    setenv("KAVORIN_TEST_COM_STALL", PortName(Claim(dosdevices, stall.path)).c_str(), 1);
    setenv("KAVORIN_TEST_COM_HELD", PortName(Claim(dosdevices, held.path)).c_str(), 1);
    setenv("KAVORIN_TEST_COM_GONE", PortName(Claim(dosdevices, gone.path)).c_str(), 1);
    setenv("KAVORIN_TEST_COM_MISSING", PortName(Claim(dosdevices, missing)).c_str(), 1);
    if (lock >= 0) close(lock);
  }

  if (const char* shim = getenv("KAVORIN_MODEM_LINES_SHIM"); shim != nullptr && *shim != '\0') {
    setenv("LD_PRELOAD", shim, 1);
    setenv("KAVORIN_MODEM_LINES_PTYS", held.path.c_str(), 1);
  }

  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[3], argv + 3);
    perror("pty_peer: exec");
    _exit(127);
  }

  std::string a_to_b;
  std::string b_to_a;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (g_stop) {
      kill(child, SIGTERM);
      waitpid(child, &status, 0);
      break;
    }
    pollfd fds[3] = {{a.master, POLLIN, 0}, {b.master, POLLIN, 0}, {gone.master, POLLIN, 0}};
    if (!a_to_b.empty()) fds[1].events |= POLLOUT;
    if (!b_to_a.empty()) fds[0].events |= POLLOUT;
    if (poll(fds, gone.master >= 0 ? 3 : 2, 50) < 0 && errno != EINTR) break;
    if (gone.master >= 0 && (fds[2].revents & POLLIN)) {
      close(gone.master);
      close(gone.slave);
      gone.master = gone.slave = -1;
    }
    Relay(a.master, b.master, a_to_b, static_cast<short>((fds[0].revents & POLLIN) | (fds[1].revents & POLLOUT)));
    Relay(b.master, a.master, b_to_a, static_cast<short>((fds[1].revents & POLLIN) | (fds[0].revents & POLLOUT)));
  }

  for (const std::string& link : g_links) unlink(link.c_str());
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
