#pragma once
// Where the host and its clients meet on Linux, and the rules both sides
// apply before they talk: a private folder holding the socket and the
// single-instance lock.
//   $KAVORIN_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kavorin, else /tmp/kavorin-<uid>
//
// Whoever can put a socket where a client looks receives its calls (track
// data included) and answers them. So the folder is used only when it is a
// real folder (not a symbolic link), owned by the user itself and closed to
// everyone else (mode 0700), and every connection is checked at both ends:
// the peer's user must be our own. A folder that breaks a rule is refused,
// never repaired: changing the mode of a folder someone else made (a shared
// /tmp among them) would hand that folder over. A missing folder is created
// private, which is the only way a default folder comes to be ours.
#include <string>

namespace kavorin {

struct RuntimePaths {
  std::string dir;
  std::string socket;  // dir/host.sock
  std::string lock;    // dir/host.lock
};

RuntimePaths DefaultRuntimePaths();

enum class RuntimeDirCheck {
  kOk,
  kMissing,   // not there (and not asked to create it)
  kUnsafe,    // there, but a link, someone else's or open to others
  kUnusable,  // cannot be created or looked at (a missing parent, ...)
};

// Checks `dir` against the rules; with `create`, a missing folder is made
// (mode 0700) first. Anything but kOk comes with the reason in `error`.
RuntimeDirCheck CheckRuntimeDir(const std::string& dir, bool create, std::string& error);

// The peer of a connected Unix socket must run as our own user. False with
// the reason (naming the peer's user and process) otherwise.
bool CheckSocketPeer(int fd, std::string& error);

// Opens the single-instance lock file in a checked folder: never through a
// link, created only when missing, and only a regular file of our own with
// one name. -1 with the reason on failure.
int OpenLockFile(const std::string& path, std::string& error);

// True when `fd` (locked) is still the file the lock path names: a host that
// ended may have removed it between our open and our lock.
bool LockFileStillNamed(int fd, const std::string& path);

// Makes way for the socket: a leftover socket is removed, anything else at
// that path is refused (it is not ours to delete). The caller holds the lock.
bool ClearSocketPath(const std::string& path, std::string& error);

}  // namespace kavorin
