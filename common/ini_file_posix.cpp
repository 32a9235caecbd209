// The ini reader on POSIX: what GetPrivateProfileString does with the files
// the installer writes (sections and keys in any case, blanks around names
// and values ignored, ";" comments, one pair of quotes taken off a value).
#include <algorithm>
#include <cctype>
#include <fstream>

#include "common/ini_file.hpp"

namespace kavorin {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                          std::size_t bufferSize) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';') continue;
    if (trimmed.front() == '[') {
      const auto close = trimmed.find(']');
      in_section = close != std::string::npos && EqualsIgnoringCase(Trim(trimmed.substr(1, close - 1)), section);
      continue;
    }
    const auto equals = trimmed.find('=');
    if (!in_section || equals == std::string::npos || !EqualsIgnoringCase(Trim(trimmed.substr(0, equals)), key)) {
      continue;
    }
    std::string value = Trim(trimmed.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    if (bufferSize == 0) return {};
    return value.substr(0, bufferSize - 1);
  }
  return {};
}

}  // namespace kavorin
