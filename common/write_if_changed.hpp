#pragma once
// For the generators that run at build time: a file is rewritten only when
// its text changes, so that an unchanged table relinks nothing.
#include <fstream>
#include <sstream>
#include <string>

namespace kavorin {

inline bool WriteIfChanged(const char* path, const std::string& text) {
  {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream old;
    old << in.rdbuf();
    if (in && old.str() == text) return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace kavorin
