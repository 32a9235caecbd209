#include "client/api/held_connection_posix.hpp"

#include <pthread.h>

#include <atomic>
#include <mutex>
#include <new>

namespace kavorin {
namespace {

struct Held {
  std::mutex mutex;
  HostClient client;
  std::string socket_path;
};

void BeforeFork();
void AfterForkInParent();
void AfterForkInChild();

// Never destroyed: a thread may still be in a call while the process exits.
// CloseAtUnload closes the socket instead.
std::atomic<Held*> g_held{nullptr};

Held& TheHeld() {
  alignas(Held) static unsigned char storage[sizeof(Held)];
  static Held* const held = [] {
    Held* made = new (storage) Held;
    ::pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild);
    g_held.store(made);
    return made;
  }();
  return *held;
}

// The library's own fork (starting the host) happens inside a turn: that
// thread must not wait for itself.
thread_local bool t_in_turn = false;
thread_local bool t_fork_waited = false;

void BeforeFork() {
  Held* held = g_held.load();
  if (held == nullptr || t_in_turn) return;
  held->mutex.lock();
  t_fork_waited = true;
}

void AfterForkInParent() {
  Held* held = g_held.load();
  if (held == nullptr || !t_fork_waited) return;
  t_fork_waited = false;
  held->mutex.unlock();
}

void AfterForkInChild() {
  Held* held = g_held.load();
  if (held == nullptr) return;
  // Only the child's copy of the descriptor goes: the parent's connection
  // stays whole.
  held->client.Close();
  if (!t_fork_waited) return;
  t_fork_waited = false;
  held->mutex.unlock();
}

struct CloseAtUnload {
  ~CloseAtUnload() {
    Held* held = g_held.load();
    if (held == nullptr) return;
    // A call still running as the process ends keeps its socket; the
    // kernel closes it.
    std::unique_lock<std::mutex> lock(held->mutex, std::try_to_lock);
    if (!lock) return;
    held->client.Close();
    std::string().swap(held->socket_path);
  }
} g_close_at_unload;

}  // namespace

HeldConnectionTurn::HeldConnectionTurn() {
  TheHeld().mutex.lock();
  t_in_turn = true;
}

HeldConnectionTurn::~HeldConnectionTurn() {
  t_in_turn = false;
  TheHeld().mutex.unlock();
}

HostClient& HeldConnectionTurn::client() { return TheHeld().client; }
std::string& HeldConnectionTurn::socketPath() { return TheHeld().socket_path; }

}  // namespace kavorin
