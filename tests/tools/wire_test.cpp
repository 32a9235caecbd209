#include "tools/catsim/wire.hpp"

#include <gtest/gtest.h>

#include <ctime>

#include "common/text_codec.hpp"
#include "tools/catsim/recorder.hpp"
#include "tools/catsim/responses.hpp"

namespace catsim {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

TEST(Wire, FramesAndLrcMatchTheKnownVectors) {
  EXPECT_EQ(Lrc(Bytes({0x41, 0x42, 0x03})), 0x20);
  struct Case {
    const char* code;
    std::vector<std::string> fields;
    std::string frame;
  };
  const Case cases[] = {
      {"RC", {}, Bytes({0x02, 0x52, 0x43, 0x03, 0x32})},
      {"RF", {}, Bytes({0x02, 0x52, 0x46, 0x03, 0x37})},
      {"RD", {}, Bytes({0x02, 0x52, 0x44, 0x03, 0x35})},
      {"MB", {}, Bytes({0x02, 0x4D, 0x42, 0x03, 0x2C})},
      {"C1", {"", "", "1000", "0"},
       Bytes({0x02, 0x43, 0x31, 0x1C, 0x1C, 0x1C, 0x31, 0x30, 0x30, 0x30, 0x1C, 0x30, 0x03, 0x60})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TextFrame(c.code, c.fields), c.frame);
    EXPECT_TRUE(HasGoodLrc(c.frame));
    std::optional<Request> parsed = ParseRequest(c.frame);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->code, c.code);
    EXPECT_EQ(parsed->fields, c.fields);
  }
  std::string bad = cases[4].frame;
  bad.back() = 0x61;
  EXPECT_FALSE(HasGoodLrc(bad));
}

TEST(Wire, KindsOfTheCodes) {
  const std::pair<const char*, int> cases[] = {
      {"D1", 1}, {"D4", 2}, {"K3", 3}, {"K2", 4}, {"RC", 5}, {"FT", 5}, {"RD", 6}, {"C1", 7}, {"C2", 8},
      {"P7", 9}, {"P2", 10}, {"N5", 11}, {"N8", 12}, {"IU", 13}, {"MB", 14}, {"ZZ", 0}, {"", 0}, {"D", 0},
  };
  for (auto [code, kind] : cases) EXPECT_EQ(KindOf(code), kind) << code;
}

// Data frames carry any byte, ETX included: their end follows from the
// length text (F1 announces its text length plus 5).
TEST(FrameAssembler, FindsTheEndOfTextAndDataFrames) {
  auto data = [](const char* code, const char* length, const std::string& payload) {
    std::string frame = std::string(1, kStx) + code + length + payload + kEtx;
    return frame + Lrc(std::string_view(frame).substr(1));
  };
  const std::string withEtx = Bytes({0x03, 0x03, 0x41});
  const std::string cases[] = {
      TextFrame("D1", {"A", "00", "1004", "0"}),
      data("F3", "0003", withEtx),
      data("IU", "0003", withEtx),
      data("F1", "0008", withEtx),
      TextFrame("MB", {}),
  };
  for (const std::string& frame : cases) {
    SCOPED_TRACE(Hex(frame));
    FrameAssembler assembler;
    for (std::size_t i = 0; i < frame.size(); ++i) {
      FrameAssembler::Status status = assembler.Add(frame[i]);
      EXPECT_EQ(status, i + 1 == frame.size() ? FrameAssembler::Status::Complete : FrameAssembler::Status::NeedMore)
          << "at byte " << i;
    }
    EXPECT_EQ(assembler.frame(), frame);
    std::optional<Request> parsed = ParseRequest(frame);
    ASSERT_TRUE(parsed);
    if (parsed->isData) {
      EXPECT_EQ(parsed->data, withEtx);
    }
  }

  FrameAssembler endless;
  FrameAssembler::Status status = endless.Add(kStx);
  for (std::size_t i = 1; i < kMaxFrameBytes && status == FrameAssembler::Status::NeedMore; ++i) status = endless.Add('x');
  EXPECT_EQ(status, FrameAssembler::Status::NeedMore);
  EXPECT_EQ(endless.Add('x'), FrameAssembler::Status::Overflow);
}

std::tm FixedTime() {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 2;
  t.tm_mday = 9;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 7;
  return t;
}

TEST(Responses, ATransactionAnswerEchoesTheRequest) {
  const ResponseOptions defaults;
  Request d2{"D2", {"A1234", "03", "50000", "30012345", "260301", "0"}, "", false};
  std::vector<std::string> fields = TransactionFields(d2, defaults, FixedTime());
  ASSERT_EQ(fields.size(), 16u);
  EXPECT_EQ(fields[0], "0000");
  EXPECT_EQ(fields[1], "9410123456781234=3012");
  EXPECT_EQ(fields[2], "03");            // installment, as asked
  EXPECT_EQ(fields[3], "260309140507");  // YYMMDDhhmmss
  EXPECT_EQ(fields[4], "260301");        // original date of the cancel
  EXPECT_EQ(fields[5], "50000");
  EXPECT_EQ(fields[12], kavorin::Cp949FromUtf8("정상승인"));
  EXPECT_EQ(fields[14], "");  // credit: no cash-receipt number

  Request k1{"K1", {"A1234", "1", "7000", "0"}, "", false};
  fields = TransactionFields(k1, defaults, FixedTime());
  EXPECT_EQ(fields[2], "1");
  EXPECT_EQ(fields[4], "");
  EXPECT_EQ(fields[5], "7000");
  EXPECT_FALSE(fields[14].empty());

  ResponseOptions custom;
  custom.responseCode = "8001";
  custom.transaction = {{2, "1234"}, {18, "extra"}};
  fields = TransactionFields(k1, custom, FixedTime());
  EXPECT_EQ(fields[0], "8001");
  EXPECT_EQ(fields[1], "1234");
  ASSERT_EQ(fields.size(), 18u);
  EXPECT_EQ(fields[17], "extra");
}

TEST(Responses, ReadAnswersFollowTheReadLayout) {
  const ResponseOptions defaults;
  std::vector<std::string> rc = ReadFields(Request{"RC", {}, "", false}, defaults);
  ASSERT_EQ(rc.size(), 4u);
  EXPECT_EQ(rc[0][0], 'A');
  EXPECT_EQ(rc[1].size(), 10u);
  EXPECT_TRUE(rc[3].empty());

  std::vector<std::string> rs = ReadFields(Request{"RS", {"12345678" "0001"}, "", false}, defaults);
  ASSERT_FALSE(rs[3].empty());
  for (char c : rs[3]) {
    EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "sign data must not look like a control byte";
  }
  EXPECT_EQ(ReadFields(Request{"FT", {"01"}, "", false}, defaults)[0][0], '0');

  EXPECT_FALSE(BuildResponse(Request{"C1", {}, "", false}, defaults, FixedTime()));
  EXPECT_FALSE(BuildResponse(Request{"MB", {}, "", false}, defaults, FixedTime()));
  ResponseOptions coded;
  coded.messageCode = "R1";
  std::optional<std::string> frame = BuildResponse(Request{"RC", {}, "", false}, coded, FixedTime());
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->substr(1, 2), "R1");
  EXPECT_TRUE(HasGoodLrc(*frame));
}

TEST(Recorder, OneJsonObjectALine) {
  WireEvent host{1042, WireEvent::Kind::FromHost, 0, std::string(1, kEnq), "", ""};
  EXPECT_EQ(ToJsonLine(host), R"({"t_us":1042,"from":"host","hex":"05"})");
  WireEvent terminal{1990, WireEvent::Kind::FromTerminal, 2, Bytes({0x02, 0x1C, 0xC1}), "", ""};
  EXPECT_EQ(ToJsonLine(terminal), R"({"t_us":1990,"from":"terminal","hex":"021CC1","exchange":2})");
  WireEvent note{7, WireEvent::Kind::Note, 1, "", "bad-request", "a\"b\x01"};
  EXPECT_EQ(ToJsonLine(note), R"({"t_us":7,"event":"bad-request","detail":"a\"b\u0001","exchange":1})");
}

}  // namespace
}  // namespace catsim
