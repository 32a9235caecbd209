#include "tools/catsim/script.hpp"

#include <gtest/gtest.h>

namespace catsim {
namespace {

using namespace std::chrono_literals;

TEST(ParseScript, ReadsEveryFault) {
  std::string error;
  auto parse = [&](const char* text) {
    std::optional<ExchangeScript> script = ParseScript(text, error);
    EXPECT_TRUE(script) << text << ": " << error;
    return script.value_or(ExchangeScript{});
  };
  EXPECT_EQ(parse("").enqReply, Reply::Normal);
  EXPECT_EQ(parse("silence").enqReply, Reply::Silence);
  EXPECT_EQ(parse("nak").enqReply, Reply::Nak);
  EXPECT_EQ(parse("dle").enqReply, Reply::Dle);
  EXPECT_EQ(parse("eot").enqReply, Reply::Eot);
  EXPECT_EQ(parse("request-silence").requestReply, Reply::Silence);
  EXPECT_EQ(parse("request-nak").requestReply, Reply::Nak);
  EXPECT_EQ(parse("request-dle").requestReply, Reply::Dle);
  EXPECT_EQ(parse("request-eot").requestReply, Reply::Eot);
  EXPECT_EQ(parse("noise-before-ack=0006").noiseBeforeAck, std::string("\x00\x06", 2));
  EXPECT_EQ(parse("noise-before-response=41").noiseBeforeResponse, "A");

  ExchangeScript inside = parse("noise-inside=04@5");
  EXPECT_EQ(inside.noiseInside, "\x04");
  EXPECT_EQ(inside.noiseInsideAt, 5u);
  EXPECT_EQ(parse("noise-inside=04").noiseInsideAt, 3u);

  ExchangeScript split = parse("split");
  EXPECT_TRUE(split.split);
  EXPECT_FALSE(split.splitAt);
  EXPECT_EQ(split.splitPause, 200ms);
  split = parse("split=350@12");
  EXPECT_EQ(split.splitPause, 350ms);
  EXPECT_EQ(split.splitAt, 12u);
  EXPECT_EQ(parse("split@7").splitAt, 7u);

  EXPECT_EQ(parse("bad-lrc").badLrc, 1);
  EXPECT_EQ(parse("bad-lrc=3").badLrc, 3);
  EXPECT_EQ(parse("slow=5").slowByte, 5ms);
  EXPECT_TRUE(parse("hang-up").hangUp);
  EXPECT_FALSE(parse("no-eot").eot);
  EXPECT_EQ(parse("response-code=8001").responseCode, "8001");

  ExchangeScript combined = parse("bad-lrc=2,split=10,no-eot");
  EXPECT_EQ(combined.badLrc, 2);
  EXPECT_TRUE(combined.split);
  EXPECT_FALSE(combined.eot);
}

TEST(ParseScript, RefusesWhatItCannotRead) {
  for (const char* text : {"loud", "slow", "slow=x", "split=1@x", "noise-before-ack=0", "noise-before-ack=zz",
                           "bad-lrc=-1", "response-code"}) {
    std::string error;
    EXPECT_FALSE(ParseScript(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace
}  // namespace catsim
