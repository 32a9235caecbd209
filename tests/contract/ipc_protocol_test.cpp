#include "contract/ipc_protocol.hpp"

#include <gtest/gtest.h>

namespace kavorin::ipc {
namespace {

std::string_view Payload(const std::string& frame) { return std::string_view(frame).substr(kHeaderBytes); }

TEST(IpcProtocol, FramesCarryTheirLengthLittleEndian) {
  const std::string hello = EncodeHello();
  EXPECT_EQ(hello, std::string("\x07\x00\x00\x00\x01KAVR\x01\x00", 11));
  EXPECT_EQ(PayloadLength(hello.substr(0, 4)), 7u);
  EXPECT_EQ(DecodeHello(Payload(hello)), kVersion);
  EXPECT_EQ(DecodeWelcome(Payload(EncodeWelcome())), kVersion);
}

TEST(IpcProtocol, CallsAndRepliesRoundTrip) {
  const std::vector<ServiceValue> args = {std::u16string(u"단말기 COM3"), std::int32_t{-7}, std::u16string(),
                                          std::int32_t{0x7FFFFFFF}};
  const auto call = DecodeCall(Payload(EncodeCall(54, args)));
  ASSERT_TRUE(call);
  EXPECT_EQ(call->dispid, 54);
  EXPECT_EQ(call->args, args);

  const ServiceReply reply{kDispatched, {std::int32_t{-3}, std::u16string(u"4000******")}};
  const auto decoded = DecodeReply(Payload(EncodeReply(reply)));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->dispatch, kDispatched);
  EXPECT_EQ(decoded->outs, reply.outs);
}

TEST(IpcProtocol, TextsTravelAsUtf8) {
  const std::string frame = EncodeCall(1, {std::u16string(u"가")});
  EXPECT_NE(frame.find("\xEA\xB0\x80"), std::string::npos);
}

TEST(IpcProtocol, AnythingThatDoesNotParseExactlyIsMalformed) {
  const std::string call = std::string(Payload(EncodeCall(2, {std::u16string(u"abc"), std::int32_t{1}})));
  EXPECT_FALSE(DecodeCall(call + "x"));                    // trailing byte
  EXPECT_FALSE(DecodeCall(call.substr(0, call.size() - 1)));  // cut short
  EXPECT_FALSE(DecodeReply(call));                         // wrong type
  EXPECT_FALSE(DecodeCall(""));
  std::string bad_tag = call;
  bad_tag[7] = 9;  // the first value's tag
  EXPECT_FALSE(DecodeCall(bad_tag));
  std::string long_text = call;
  long_text[8] = '\xFF';  // text length far past the end
  EXPECT_FALSE(DecodeCall(long_text));
  EXPECT_FALSE(DecodeHello(std::string("\x01KAVX\x01\x00", 7)));
  // Too many values for any method.
  std::string many("\x03\x01\x00\x00\x00", 5);
  many += std::string("\xFF\x00", 2);
  EXPECT_FALSE(DecodeCall(many));
}

TEST(IpcProtocol, PayloadLengthIsBounded) {
  EXPECT_FALSE(PayloadLength(std::string("\x00\x00\x00\x00", 4)));
  EXPECT_EQ(PayloadLength(std::string("\x00\x00\x04\x00", 4)), kMaxPayload);
  EXPECT_FALSE(PayloadLength(std::string("\x01\x00\x04\x00", 4)));
  EXPECT_FALSE(PayloadLength("abc"));
}

}  // namespace
}  // namespace kavorin::ipc
