#pragma once
// What the frame log writes for the bytes of one direction of the wire: the
// link's control bytes by name, a frame as its message code, the length of
// the rest and its check byte, and nothing of the message data except a
// transaction response's result code and its card number masked as the
// getters mask it. Track data, sign data, amounts and texts never reach the
// log, whatever their message. docs/frame-log.md shows the lines.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavorin {

enum class WireDirection { kHostToTerminal, kTerminalToHost };

// "H>T" or "T>H".
const char* WireDirectionMark(WireDirection direction);

// Builds the lines of one direction. Bytes come in as the port moves them;
// a batch is what one write sent or one read delivered. A frame ends where
// the link sees it end: a batch whose last two bytes are ETX and the LRC.
// Holds only a bounded start of a frame, whatever its length.
class FrameLineBuilder {
 public:
  explicit FrameLineBuilder(WireDirection direction) : direction_(direction) {}

  void Feed(std::span<const std::uint8_t> bytes);
  // The batch is over: the line of what it completed, if anything did (a
  // frame still waiting for its end holds the line back).
  std::optional<std::string> EndBatch();
  // The port closed: whatever is held, a frame cut short included.
  std::optional<std::string> Flush();

  // The most tokens a line carries; further bytes outside a frame are
  // counted as stray bytes instead.
  static constexpr std::size_t kMaxTokens = 16;
  // How much of a frame's start is kept to find its code and fields.
  static constexpr std::size_t kKeptFrameStart = 96;

 private:
  void Outside(std::uint8_t byte);
  void EndStrayRun();
  std::string FrameToken(bool ended) const;
  std::optional<std::string> TakeLine();

  WireDirection direction_;
  std::vector<std::string> tokens_;
  std::size_t stray_ = 0;
  bool in_frame_ = false;
  std::string frame_start_;  // the first kKeptFrameStart bytes after STX
  std::size_t frame_length_ = 0;  // bytes after STX so far
  std::uint8_t frame_xor_ = 0;    // of every byte after STX so far
  std::uint8_t last_ = 0, before_last_ = 0;
};

}  // namespace kavorin
