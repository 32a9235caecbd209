#include "contract/ipc_protocol.hpp"

#include "common/text_codec.hpp"

namespace kavorin::ipc {
namespace {

constexpr std::string_view kMagic = "KAVR";
constexpr std::uint8_t kTagInt = 1;
constexpr std::uint8_t kTagText = 2;

class Writer {
 public:
  explicit Writer(MessageType type) { out_.push_back(static_cast<char>(type)); }
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) { Little(v, 2); }
  void U32(std::uint32_t v) { Little(v, 4); }
  void I32(std::int32_t v) { Little(static_cast<std::uint32_t>(v), 4); }
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  void Values(const std::vector<ServiceValue>& values) {
    U16(static_cast<std::uint16_t>(values.size()));
    for (const auto& value : values) {
      if (const auto* number = std::get_if<std::int32_t>(&value)) {
        U8(kTagInt);
        I32(*number);
      } else {
        const std::string text = Utf8FromUtf16(std::get<std::u16string>(value));
        U8(kTagText);
        U32(static_cast<std::uint32_t>(text.size()));
        Bytes(text);
      }
    }
  }
  std::string Frame() const {
    std::string frame;
    const auto size = static_cast<std::uint32_t>(out_.size());
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
    return frame + out_;
  }

 private:
  void Little(std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  std::string out_;
};

class Reader {
 public:
  Reader(std::string_view payload, MessageType type) : in_(payload) {
    ok_ = !in_.empty() && static_cast<std::uint8_t>(in_[0]) == static_cast<std::uint8_t>(type);
    pos_ = 1;
  }
  bool ok() const { return ok_; }
  bool AtEnd() const { return ok_ && pos_ == in_.size(); }

  std::uint32_t Little(int bytes) {
    if (!Have(static_cast<std::size_t>(bytes))) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint32_t{static_cast<std::uint8_t>(in_[pos_ + i])} << (8 * i);
    pos_ += static_cast<std::size_t>(bytes);
    return v;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
  std::int32_t I32() { return static_cast<std::int32_t>(Little(4)); }
  std::string_view Bytes(std::size_t n) {
    if (!Have(n)) return {};
    const auto bytes = in_.substr(pos_, n);
    pos_ += n;
    return bytes;
  }
  std::vector<ServiceValue> Values() {
    std::vector<ServiceValue> values;
    const std::uint16_t count = U16();
    if (count > kMaxValues) ok_ = false;
    for (std::uint16_t i = 0; ok_ && i < count; ++i) {
      const std::uint8_t tag = U8();
      if (tag == kTagInt) {
        values.emplace_back(I32());
      } else if (tag == kTagText) {
        const std::uint32_t size = Little(4);
        values.emplace_back(Utf16FromUtf8(Bytes(size)));
      } else {
        ok_ = false;
      }
    }
    return values;
  }

 private:
  bool Have(std::size_t n) {
    if (!ok_ || in_.size() - pos_ < n) ok_ = false;
    return ok_;
  }
  std::string_view in_;
  std::size_t pos_ = 0;
  bool ok_ = false;
};

}  // namespace

std::string EncodeHello() {
  Writer w(MessageType::Hello);
  w.Bytes(kMagic);
  w.U16(kVersion);
  return w.Frame();
}

std::string EncodeWelcome() {
  Writer w(MessageType::Welcome);
  w.U16(kVersion);
  return w.Frame();
}

std::string EncodeCall(std::int32_t dispid, const std::vector<ServiceValue>& args) {
  Writer w(MessageType::Call);
  w.I32(dispid);
  w.Values(args);
  return w.Frame();
}

std::string EncodeReply(const ServiceReply& reply) {
  Writer w(MessageType::Reply);
  w.I32(reply.dispatch);
  w.Values(reply.outs);
  return w.Frame();
}

std::optional<std::uint16_t> DecodeHello(std::string_view payload) {
  Reader r(payload, MessageType::Hello);
  const bool magic = r.Bytes(kMagic.size()) == kMagic;
  const std::uint16_t version = r.U16();
  if (!magic || !r.AtEnd()) return std::nullopt;
  return version;
}

std::optional<std::uint16_t> DecodeWelcome(std::string_view payload) {
  Reader r(payload, MessageType::Welcome);
  const std::uint16_t version = r.U16();
  if (!r.AtEnd()) return std::nullopt;
  return version;
}

std::optional<Call> DecodeCall(std::string_view payload) {
  Reader r(payload, MessageType::Call);
  Call call;
  call.dispid = r.I32();
  call.args = r.Values();
  if (!r.AtEnd()) return std::nullopt;
  return call;
}

std::optional<ServiceReply> DecodeReply(std::string_view payload) {
  Reader r(payload, MessageType::Reply);
  ServiceReply reply;
  reply.dispatch = r.I32();
  reply.outs = r.Values();
  if (!r.AtEnd()) return std::nullopt;
  return reply;
}

std::optional<std::uint32_t> PayloadLength(std::string_view header) {
  if (header.size() != kHeaderBytes) return std::nullopt;
  std::uint32_t size = 0;
  for (int i = 0; i < 4; ++i) size |= std::uint32_t{static_cast<std::uint8_t>(header[i])} << (8 * i);
  if (size == 0 || size > kMaxPayload) return std::nullopt;
  return size;
}

}  // namespace kavorin::ipc
