#pragma once
// The host's command line. A switch starts with "-" or "/" and is recognised
// only as the last thing on the line: the rest of the line after the "-" or
// "/" must be "UnregServer" or "RegServer" (any case). COM starts a local
// server with "-Embedding", which therefore runs it as the server.
#include <string_view>

namespace kavorin {

enum class HostCommand { Serve, RegisterServer, UnregisterServer };

HostCommand ParseHostCommandLine(std::string_view commandLine);

}  // namespace kavorin
