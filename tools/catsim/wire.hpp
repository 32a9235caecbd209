#pragma once
// The terminal's view of the wire: control bytes, frames, the LRC and the
// message codes it knows. Kept apart from the host's own implementation on
// purpose, so that tests which pit one against the other check something.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catsim {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kEot = 0x04;
inline constexpr char kEnq = 0x05;
inline constexpr char kAck = 0x06;
inline constexpr char kDle = 0x10;
inline constexpr char kXon = 0x11;
inline constexpr char kXoff = 0x13;
inline constexpr char kNak = 0x15;
inline constexpr char kFs = 0x1C;

// The largest frame either side stores.
inline constexpr std::size_t kMaxFrameBytes = 8192;

// XOR of every byte after STX through ETX, with bit 5 set.
char Lrc(std::string_view afterStxThroughEtx);

// STX, code, FS + field for each field, ETX, LRC.
std::string TextFrame(std::string_view code, const std::vector<std::string>& fields);

// The message kind a request code records: 1-4 transactions, 5-6 reads (both
// expect a response frame), 7-14 prints, data and the drawer (EOT only);
// 0 for a code the terminal does not know.
int KindOf(std::string_view code);
inline bool ExpectsResponse(int kind) { return kind >= 1 && kind <= 6; }
inline bool IsTransaction(int kind) { return kind >= 1 && kind <= 4; }

struct Request {
  std::string code;
  std::vector<std::string> fields;  // text messages
  std::string data;                 // F1, F3, IU: the data block
  bool isData = false;
};

// Splits a complete frame whose LRC has been checked.
std::optional<Request> ParseRequest(std::string_view frame);
bool HasGoodLrc(std::string_view frame);

// Assembles one request frame from bytes that start with STX. Text frames
// end at ETX + LRC; F1/F3/IU frames carry binary data (ETX may be inside),
// so their end follows from the length text.
class FrameAssembler {
 public:
  enum class Status { NeedMore, Complete, Overflow };
  void Reset() { frame_.clear(); expected_ = 0; }
  bool Started() const { return !frame_.empty(); }
  Status Add(char byte);
  const std::string& frame() const { return frame_; }

 private:
  std::string frame_;
  std::size_t expected_ = 0;  // total length once known from a length text
};

std::string Hex(std::string_view bytes);

}  // namespace catsim
