#pragma once
// The ini file beside the program or library ("kavorin.ini"), read the way
// the Windows private-profile calls read it. The client library finds the
// terminal's port there, the host its diagnostics switches. Implemented in
// ini_file_posix.cpp (a reader of its own) and ini_file_win32.cpp (the
// system's private profile).
#include <cstddef>
#include <string>

namespace kavorin {

// The ini file's name; it lies in the folder of the module that reads it.
inline constexpr char kIniFileName[] = "kavorin.ini";

// [section] key of an ini file, up to bufferSize - 1 bytes; empty when the
// file, section or key is missing. Section and key match in any case.
std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                          std::size_t bufferSize);

}  // namespace kavorin
