#pragma once
// What the library's connection export needs of its platform: starting the
// host program, the open test of a port and the form in which
// a port name goes to the host. Implemented in client_platform_posix.cpp and
// client_platform_win32.cpp.
#include <string>

namespace kavorin {

// The host program in the library's folder: "KAVORIN.exe" on Windows,
// "KAVORIN" on Linux.
std::string HostProgramPath(const std::string& libraryFolder);

// Starts `program` with an optional argument, hidden, without waiting for
// it to serve. A registration run ("/RegServer") is waited for, boundedly,
// so that it has left before the server starts.
void RunProgram(const std::string& program, const std::string& argument);

// The port name as the host's open call takes it: "\\.\COM3" on Windows NT,
// as stored on Linux.
std::string FormatPortForHost(const std::string& stored);

// Opens and closes the port at once: 0 it could be opened; -1 the name is
// shorter than 2 characters; -2 the system says it already exists; -3 any
// other failure (a port the running host holds fails this way).
int TestOpenPort(const std::string& formattedName);

// The 8-byte master key of page-encoded (old type) signatures, from the
// installation's configuration; empty when none is configured.
std::string ReadOldTypeMasterKey();

}  // namespace kavorin
