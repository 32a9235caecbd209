#include "contract/posix/runtime_dir.hpp"

#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace kavorin {
namespace {

std::string Describe(const char* call, const std::string& path, int error) {
  return std::string(call) + "(" + path + "): " + std::strerror(error);
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

RuntimePaths DefaultRuntimePaths() {
  RuntimePaths paths;
  if (const char* explicit_dir = std::getenv("KAVORIN_RUNTIME_DIR"); explicit_dir && *explicit_dir) {
    paths.dir = explicit_dir;
  } else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    paths.dir = std::string(xdg) + "/kavorin";
  } else {
    paths.dir = "/tmp/kavorin-" + std::to_string(::geteuid());
  }
  paths.socket = paths.dir + "/host.sock";
  paths.lock = paths.dir + "/host.lock";
  return paths;
}

RuntimeDirCheck CheckRuntimeDir(const std::string& dir, bool create, std::string& error) {
  if (create && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = Describe("mkdir", dir, errno);
    return RuntimeDirCheck::kUnusable;
  }
  struct stat info {};
  if (::lstat(dir.c_str(), &info) != 0) {
    error = Describe("lstat", dir, errno);
    return errno == ENOENT ? RuntimeDirCheck::kMissing : RuntimeDirCheck::kUnusable;
  }
  const std::string refused = "refusing the runtime folder " + dir + ": ";
  if (S_ISLNK(info.st_mode)) {
    error = refused + "it is a symbolic link";
    return RuntimeDirCheck::kUnsafe;
  }
  if (!S_ISDIR(info.st_mode)) {
    error = refused + "it is not a folder";
    return RuntimeDirCheck::kUnsafe;
  }
  if (info.st_uid != ::geteuid()) {
    error = refused + "it belongs to user " + std::to_string(info.st_uid) + ", not to user " +
            std::to_string(::geteuid());
    return RuntimeDirCheck::kUnsafe;
  }
  if ((info.st_mode & 0777) != 0700) {
    error = refused + "its mode is " + Octal(info.st_mode) + ", not 0700";
    return RuntimeDirCheck::kUnsafe;
  }
  return RuntimeDirCheck::kOk;
}

bool CheckSocketPeer(int fd, std::string& error) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
    error = std::string("getsockopt(SO_PEERCRED): ") + std::strerror(errno);
    return false;
  }
  if (peer.uid != ::geteuid()) {
    error = "the peer (process " + std::to_string(peer.pid) + ") runs as user " + std::to_string(peer.uid) +
            ", not as user " + std::to_string(::geteuid());
    return false;
  }
  return true;
}

int OpenLockFile(const std::string& path, std::string& error) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EEXIST || errno == ENOENT)) continue;  // raced with another host
    if (fd < 0) {
      error = errno == ELOOP ? path + " is a symbolic link" : Describe("open", path, errno);
      return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1) {
      ::close(fd);
      error = path + " is not a lock file of this user's (a regular file with one name)";
      return -1;
    }
    return fd;
  }
  error = "open(" + path + "): it keeps appearing and disappearing";
  return -1;
}

bool LockFileStillNamed(int fd, const std::string& path) {
  struct stat opened {}, named {};
  return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

bool ClearSocketPath(const std::string& path, std::string& error) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return true;
    error = Describe("lstat", path, errno);
    return false;
  }
  if (!S_ISSOCK(info.st_mode)) {
    error = "refusing to replace " + path + ": it is not a socket";
    return false;
  }
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = Describe("unlink", path, errno);
    return false;
  }
  return true;
}

}  // namespace kavorin
