#pragma once
// Bytes received from the terminal that the link has not classified yet. At
// most 8191 bytes: a batch that does not fit is dropped whole, so the queue
// never holds a frame with a hole in it.
#include <array>
#include <cstdint>
#include <span>

namespace kavorin {

class ReceiveQueue {
 public:
  static constexpr std::size_t kCapacity = 8192;
  static constexpr std::size_t kMaxCount = kCapacity - 1;

  std::size_t count() const { return write_index_; }
  bool empty() const { return write_index_ == 0; }
  std::span<const std::uint8_t> bytes() const { return {buffer_.data(), write_index_}; }

  bool Append(std::uint8_t byte);
  // All of `batch` or nothing.
  bool AppendBatch(std::span<const std::uint8_t> batch);
  void Clear();

 private:
  std::array<std::uint8_t, kCapacity> buffer_{};
  std::size_t write_index_ = 0;
};

}  // namespace kavorin
