#include "host/link/frame.hpp"

#include <gtest/gtest.h>

#include "host/messages/message_kind.hpp"

namespace kavorin::testing {
namespace {

TEST(Frame, BuildsStxBodyEtxAndTheLrcOfEverythingAfterStx) {
  struct Case {
    std::string body;
    std::string frame;
  };
  const Case cases[] = {
      {"MB", std::string("\x02MB\x03\x2C", 5)},
      // XOR 'A' ^ 'B' ^ ETX = 0x00: bit 5 is set all the same.
      {"AB", std::string("\x02"
                         "AB\x03\x20",
                         5)},
      {"", std::string("\x02\x03\x23", 3)},
      {"D1\x1C"
       "01",
       std::string("\x02"
                   "D1\x1C"
                   "01\x03",
                   7) +
           static_cast<char>(('D' ^ '1' ^ 0x1C ^ '0' ^ '1' ^ 0x03) | 0x20)},
  };
  for (const auto& c : cases) {
    std::string frame;
    BeginFrame(frame);
    frame += c.body;
    EndFrame(frame);
    EXPECT_EQ(frame, c.frame) << c.body;
    EXPECT_EQ(Lrc(std::string_view(frame).substr(1, frame.size() - 2)), static_cast<std::uint8_t>(frame.back()));
  }
}

// Kinds 1 to 6 wait for a response frame, 1 to 4 carry a response code;
// every other kind ends on EOT.
TEST(MessageKind, CodesKeepTheirNumbersAndOnlyTransactionsAndReadsWaitForAResponse) {
  struct Case {
    const char* code;
    int kind;
    bool expectsResponse;
    bool transaction;
  };
  const Case cases[] = {
      {"D1", 1, true, true},    {"D4", 2, true, true},    {"K3", 3, true, true},    {"K2", 4, true, true},
      {"RA", 5, true, false},   {"FT", 5, true, false},   {"RD", 6, true, false},   {"C1", 7, false, false},
      {"C2", 8, false, false},  {"P7", 9, false, false},  {"P2", 10, false, false}, {"N5", 11, false, false},
      {"N8", 12, false, false}, {"IU", 13, false, false}, {"MB", 14, false, false}, {"ZZ", 0, false, false},
  };
  for (const auto& c : cases) {
    const MessageKind kind = MessageKindOf(c.code);
    EXPECT_EQ(kind, c.kind) << c.code;
    EXPECT_EQ(ExpectsResponse(kind), c.expectsResponse) << c.code;
    EXPECT_EQ(IsTransaction(kind), c.transaction) << c.code;
  }
}

}  // namespace
}  // namespace kavorin::testing
