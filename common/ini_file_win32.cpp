// The ini reader on Windows: the system's private profile.
#include <windows.h>

#include <vector>

#include "common/ini_file.hpp"

namespace kavorin {

std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                          std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::vector<char> buffer(bufferSize, '\0');
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                                static_cast<DWORD>(bufferSize), path.c_str());
  return std::string(buffer.data(), length);
}

}  // namespace kavorin
