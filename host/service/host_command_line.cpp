#include "host/service/host_command_line.hpp"

#include <cctype>

namespace kavorin {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

HostCommand ParseHostCommandLine(std::string_view commandLine) {
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    if (commandLine[i] != '-' && commandLine[i] != '/') continue;
    const std::string_view rest = commandLine.substr(i + 1);
    if (EqualsIgnoringCase(rest, "UnregServer")) return HostCommand::UnregisterServer;
    if (EqualsIgnoringCase(rest, "RegServer")) return HostCommand::RegisterServer;
  }
  return HostCommand::Serve;
}

}  // namespace kavorin
