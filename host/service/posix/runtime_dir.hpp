#pragma once
// Where the host and its clients meet on Linux: a private folder holding the
// socket and the single-instance lock.
//   $KAVORIN_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kavorin, else /tmp/kavorin-<uid>
#include <string>

namespace kavorin {

struct RuntimePaths {
  std::string dir;
  std::string socket;  // dir/host.sock
  std::string lock;    // dir/host.lock
};

RuntimePaths DefaultRuntimePaths();

// Creates the folder (mode 0700) if needed and checks that it is ours and
// private: a folder someone else owns, or that others can enter, would let
// them impersonate the host. Returns false with a reason.
bool PrepareRuntimeDir(const std::string& dir, std::string& error);

}  // namespace kavorin
