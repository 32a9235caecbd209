#include "common/message_box.hpp"

#include <mutex>

namespace kavorin {
namespace {

struct HandlerSlot {
  std::mutex mutex;
  MessageBoxHandler handler;
};

HandlerSlot& Slot() {
  static HandlerSlot slot;
  return slot;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(Slot().mutex);
  Slot().handler = std::move(handler);
}

void ShowMessageBox(const std::string& caption, const std::string& text) {
  MessageBoxHandler handler;
  {
    std::lock_guard lock(Slot().mutex);
    handler = Slot().handler;
  }
  if (handler) {
    handler(caption, text);
  } else {
    ShowPlatformMessageBox(caption, text);
  }
}

}  // namespace kavorin
