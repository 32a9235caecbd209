#include "host/link/receive_queue.hpp"

#include <algorithm>

namespace kavorin {

bool ReceiveQueue::Append(std::uint8_t byte) {
  if (write_index_ >= kMaxCount) return false;
  buffer_[write_index_++] = byte;
  return true;
}

bool ReceiveQueue::AppendBatch(std::span<const std::uint8_t> batch) {
  if (batch.size() > kMaxCount - write_index_) return false;
  std::copy(batch.begin(), batch.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(write_index_));
  write_index_ += batch.size();
  return true;
}

void ReceiveQueue::Clear() {
  buffer_.fill(0);
  write_index_ = 0;
}

}  // namespace kavorin
