#pragma once
// Another local user for tests of what one user must not be able to do to
// another: made with useradd when the tests run as root (as CI does), and
// nothing otherwise; the test then skips and says why.
#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace kavorin::testing {

struct OtherUser {
  uid_t uid = 0;
  gid_t gid = 0;
};

inline constexpr char kOtherUserName[] = "kavorin-test";

// The other user, made if missing; nothing (with the reason) when this
// process cannot make or become it.
inline std::optional<OtherUser> SecondUser(std::string& why_not) {
  if (::geteuid() != 0) {
    why_not = "needs root to create and become a second user";
    return std::nullopt;
  }
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (const passwd* entry = ::getpwnam(kOtherUserName)) return OtherUser{entry->pw_uid, entry->pw_gid};
    // Test cases run side by side: another one may be adding it right now.
    const std::string command = std::string("useradd --system --no-create-home --shell /usr/sbin/nologin ") +
                                kOtherUserName + " >/dev/null 2>&1";
    (void)std::system(command.c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  why_not = std::string("useradd could not create the user ") + kOtherUserName;
  return std::nullopt;
}

// In a child process: becomes the other user for good (group first).
inline bool BecomeUser(const OtherUser& user) {
  return ::setgroups(0, nullptr) == 0 && ::setresgid(user.gid, user.gid, user.gid) == 0 &&
         ::setresuid(user.uid, user.uid, user.uid) == 0;
}

// Waits for a child; its exit code, or -1 when it did not end in time.
inline int WaitChild(pid_t child, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return -1;
}

}  // namespace kavorin::testing
