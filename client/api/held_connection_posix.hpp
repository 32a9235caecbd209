#pragma once
// The library's one connection to the host on Linux, held for the life of
// the process: made on first use, made again when the host has gone, shared
// by every thread. A connection costs a connect, the peer and folder checks
// and the greeting, several times the call itself; holding it leaves a getter
// export little more than its round trip.
//
// Threads take turns: one export's calls at a time, from its activation to
// its last call. Host methods answer from memory and never wait for the
// terminal, so a waiting thread waits microseconds, one export's calls (the
// mode switch and the print of a free-style print) are never split by
// another thread's, and the host sees one client per process as it did one
// activation per export.
//
// fork: a child must never talk on its parent's socket (their frames would
// interleave and the answers reach the wrong process). A fork waits for the
// turn in progress to end; the child closes its copy of the socket and makes
// its own connection on its first call. The connection is closed when the
// library is unloaded.
#include <string>

#include "contract/posix/host_client.hpp"

namespace kavorin {

class HeldConnectionTurn {
 public:
  // Waits for the calling thread's turn.
  HeldConnectionTurn();
  ~HeldConnectionTurn();
  HeldConnectionTurn(const HeldConnectionTurn&) = delete;
  HeldConnectionTurn& operator=(const HeldConnectionTurn&) = delete;

  HostClient& client();
  // The socket the connection was made to: a runtime folder named anew in
  // the environment gets a connection of its own, checked as every new one.
  std::string& socketPath();
};

}  // namespace kavorin
