#pragma once
// Which device a port name opens on a POSIX host.
//
// Callers keep the Windows names they always used ("COM1"). A name maps the
// way Wine maps it, so one mental model serves both builds:
//   COMn (any case)  -> <config>/dosdevices/comn when that entry exists
//                       (usually a symlink to /dev/ttyUSB0, a pty, ...),
//                       else /dev/ttyS<n-1>
//   /anything        -> opened as it is
// Anything else is refused with a message that says why.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kavorin {

// Highest COM number Wine maps (com1 .. com256).
inline constexpr int kMaxComPortNumber = 256;

// n of "COMn" (any case, n written without a leading zero, 1..256).
std::optional<int> ComPortNumber(std::string_view name);

struct PortResolution {
  bool ok = false;
  std::string path;   // device to open when ok
  std::string error;  // why not, when !ok
};

// `entryExists` tells whether a dosdevices entry is there (a dangling
// symlink counts: opening it then fails with an error naming that path,
// which beats silently opening a different port).
PortResolution ResolvePortName(std::string_view name, std::string_view configDir,
                               const std::function<bool(const std::string&)>& entryExists);

}  // namespace kavorin
