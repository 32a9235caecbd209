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
  // The thread whose turn it is: the library's own fork (starting the host)
  // happens inside a turn, and that thread must not wait for itself. No
  // thread_local: a library with thread storage of its own must stay
  // loadable and unloadable without leaving blocks behind.
  std::atomic<pthread_t> owner{};
  // Set, under the lock, by the thread whose fork took the lock.
  bool fork_waited = false;
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

bool InTurn(const Held& held) { return ::pthread_equal(held.owner.load(), ::pthread_self()) != 0; }

void BeforeFork() {
  Held* held = g_held.load();
  if (held == nullptr || InTurn(*held)) return;
  held->mutex.lock();
  held->fork_waited = true;
}

// Only the thread that forked runs these; when its fork took the lock, no
// other thread can have touched fork_waited since.
void AfterForkInParent() {
  Held* held = g_held.load();
  if (held == nullptr || !held->fork_waited) return;
  held->fork_waited = false;
  held->mutex.unlock();
}

void AfterForkInChild() {
  Held* held = g_held.load();
  if (held == nullptr) return;
  // Only the child's copy of the descriptor goes: the parent's connection
  // stays whole.
  held->client.Close();
  if (!held->fork_waited) return;
  held->fork_waited = false;
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
  Held& held = TheHeld();
  held.mutex.lock();
  held.owner.store(::pthread_self());
}

HeldConnectionTurn::~HeldConnectionTurn() {
  Held& held = TheHeld();
  held.owner.store(pthread_t{});
  held.mutex.unlock();
}

HostClient& HeldConnectionTurn::client() { return TheHeld().client; }
std::string& HeldConnectionTurn::socketPath() { return TheHeld().socket_path; }

}  // namespace kavorin
