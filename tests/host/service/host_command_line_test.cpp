#include "host/service/host_command_line.hpp"

#include <gtest/gtest.h>

namespace kavorin {
namespace {

TEST(HostCommandLine, SwitchCountsOnlyAsTheLastThing) {
  const std::pair<const char*, HostCommand> cases[] = {
      {"/RegServer", HostCommand::RegisterServer},
      {"/regserver", HostCommand::RegisterServer},
      {"-REGSERVER", HostCommand::RegisterServer},
      {"/UnregServer", HostCommand::UnregisterServer},
      {"-Embedding /unregserver", HostCommand::UnregisterServer},
      {"/RegServer /Other", HostCommand::Serve},
      {"/RegServer ", HostCommand::Serve},
      {"-Embedding", HostCommand::Serve},
      {"", HostCommand::Serve},
      {"RegServer", HostCommand::Serve},
      {"/tmp/RegServer", HostCommand::RegisterServer},  // every "/" starts a switch
  };
  for (const auto& [line, command] : cases) EXPECT_EQ(ParseHostCommandLine(line), command) << line;
}

}  // namespace
}  // namespace kavorin
