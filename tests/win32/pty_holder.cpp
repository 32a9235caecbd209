// A plain program at the other end of a serial line: it makes a pty, links
// LINK to its slave (replacing what is there in one step), prints the
// slave's path and then only holds both ends, reading and writing nothing,
// until it is signalled. A USB adapter with a silent terminal behind it, or
// a pty a user made by hand, looks like this to Wine; catsim and the pty
// peer, which drain their master, do not.
//
//   pty_holder LINK
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: pty_holder LINK\n");
    return 125;
  }
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    perror("pty_holder: openpty");
    return 125;
  }
  const std::string link = argv[1];
  const std::string fresh = link + ".new";
  unlink(fresh.c_str());
  if (symlink(name, fresh.c_str()) != 0 || rename(fresh.c_str(), link.c_str()) != 0) {
    perror("pty_holder: link");
    return 125;
  }
  printf("%s\n", name);
  fflush(stdout);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  int which = 0;
  sigwait(&signals, &which);
  return 0;
}
