#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/messages/cat_passage.hpp"

namespace kavorin {
namespace {

using Texts = std::vector<std::string>;
using namespace std::string_literals;

// "00", "01", ...: each text names its parameter position, so a frame body
// shows which text went into which field.
Texts Markers(int count) {
  Texts texts;
  for (int i = 0; i < count; ++i) texts.push_back((i < 10 ? "0" : "") + std::to_string(i));
  return texts;
}

// '|' stands for FS in the expected bodies below.
std::string Body(std::string readable) {
  for (char& c : readable) {
    if (c == '|') c = '\x1C';
  }
  return readable;
}

// The frame around a body, checked here independently of the code under test.
void ExpectFramed(const std::string& frame, const std::string& body) {
  ASSERT_GE(frame.size(), 5u);
  EXPECT_EQ(frame.front(), '\x02');
  EXPECT_EQ(frame.substr(1, frame.size() - 3), body);
  EXPECT_EQ(frame[frame.size() - 2], '\x03');
  unsigned lrc = 0;
  for (std::size_t i = 1; i + 1 < frame.size(); ++i) lrc ^= static_cast<unsigned char>(frame[i]);
  EXPECT_EQ(static_cast<unsigned char>(frame.back()), lrc | 0x20);
}

TEST(RequestMessage, SpecimenFramesAreByteExact) {
  struct Case {
    TextRequest request;
    Texts texts;
    std::string frame;
  };
  const Case cases[] = {
      {TextRequest::Track2Read, {}, "\x02RC\x03\x32"},
      {TextRequest::Track2AndIDRead, {}, "\x02RF\x03\x37"},
      {TextRequest::Track3Read, {}, "\x02RD\x03\x35"},
      {TextRequest::CashApprovalPrint, {"1000", "0"}, "\x02\x43\x31\x1C\x1C\x1C\x31\x30\x30\x30\x1C\x30\x03\x60"},
      // WCC and track share field 1: four separators, not five.
      {TextRequest::CreditAuth, {"", "", "", "", ""}, "\x02\x44\x31\x1C\x1C\x1C\x1C\x03\x76"},
  };
  for (const auto& c : cases) {
    CatPassage passage;
    EXPECT_EQ(passage.BuildText(c.request, c.texts), c.frame) << c.frame.substr(1, 2);
    EXPECT_EQ(passage.requestText(), c.frame);
  }
  CatPassage passage;
  EXPECT_EQ(passage.BuildMB(), "\x02\x4D\x42\x03\x2C");
  EXPECT_EQ(passage.messageKind(), 14);
}

struct ListCase {
  TextRequest request;
  int textCount;
  std::vector<std::pair<int, std::string>> changes;  // texts replaced in the markers
  const char* body;
  int kind;
};

// Every code's field list, and each rule that picks between sibling codes.
const ListCase kFieldLists[] = {
    {TextRequest::CreditAuth, 5, {}, "D1|0001|02|03|04", 1},
    {TextRequest::CreditCancel, 7, {}, "D2|0001|02|03|04|05|06", 2},
    {TextRequest::CashReceiptAuth, 5, {}, "K1|0001|02|03|04", 3},
    {TextRequest::CashReceiptCancel, 7, {}, "K2|0001|02|03|04|05|06", 4},
    {TextRequest::CreditAuth2, 6, {}, "D3|0001|02|03|04|05|", 1},
    {TextRequest::CashReceiptAuth2, 6, {}, "K3|0001|02|03|04|05|", 3},
    {TextRequest::CreditCancel2, 8, {}, "D4|0001|02|03|04|05|06|07|", 2},
    {TextRequest::CashReceiptCancel2, 8, {}, "K4|0001|02|03|04|05|06|07|", 4},
    {TextRequest::Track2Read, 0, {}, "RC", 5},
    {TextRequest::Track2AndIDRead, 0, {}, "RF", 5},
    {TextRequest::Track3Read, 0, {}, "RD", 6},
    {TextRequest::Track2AndSign, 2, {}, "RS|0001", 5},
    {TextRequest::Track2AndSignWAmountInfo, 4, {}, "RA|000102|03", 5},
    {TextRequest::SignRead, 3, {}, "RE|000102", 5},
    {TextRequest::FreeStyleTran, 2, {}, "FT|0001", 5},
    {TextRequest::CashApprovalPrint, 2, {}, "C1|||00|01", 7},
    {TextRequest::CashCancelPrint, 3, {}, "C2|||00||01|02", 8},
    {TextRequest::CreditAuthResultPrint, 15, {}, "P3|00|01|02|03||04|05|06|07|08|09|10|11|12||", 9},
    {TextRequest::CreditAuthResultPrint, 15, {{5, ""}}, "P3|00|01|02|03||04||06|07|08|09|10|11|12||", 9},
    {TextRequest::CreditAuthResultPrint, 15, {{5, ""}, {6, ""}}, "P1|00|01|02|03||04|07|08|09|10|11|12||", 9},
    {TextRequest::CreditCancelResultPrint, 16, {}, "P4|00|01|02|03|04|05|06|07|08|09|10|11|12|13||", 10},
    {TextRequest::CreditCancelResultPrint, 16, {{6, ""}, {7, ""}}, "P2|00|01|02|03|04|05|08|09|10|11|12|13||", 10},
    // The result prints have no business texts: never N5/N6.
    {TextRequest::CashReceiptAuthResultPrint, 15, {}, "N3|00|01|02|03||04|05|06|07|08|09|10|11|12|13|14", 11},
    {TextRequest::CashReceiptAuthResultPrint, 15, {{5, ""}, {6, ""}}, "N1|00|01|02|03||04|07|08|09|10|11|12|13|14", 11},
    {TextRequest::CashReceiptCancelResultPrint, 16, {}, "N4|00|01|02|03|04|05|06|07|08|09|10|11|12|13|14|15", 12},
    {TextRequest::CashReceiptCancelResultPrint, 16, {{6, ""}, {7, ""}},
     "N2|00|01|02|03|04|05|08|09|10|11|12|13|14|15", 12},
    {TextRequest::CashReceiptAuthPrint, 20, {},
     "N5|00|01|02|03||04|05|06|07|08|09|10|11|12|13|14|15|16|17|18|19", 11},
    // A ten-digit business number alone selects N5; its amounts are sent empty.
    {TextRequest::CashReceiptAuthPrint, 20, {{5, ""}, {6, ""}, {10, "1234567890"}, {11, ""}, {12, ""}, {13, ""}, {14, ""}},
     "N5|00|01|02|03||04|||07|08|09|1234567890|||||15|16|17|18|19", 11},
    {TextRequest::CashReceiptAuthPrint, 20, {{10, ""}, {11, ""}, {12, ""}, {13, ""}, {14, "TEL"}},
     "N5|00|01|02|03||04|05|06|07|08|09|||||TEL|15|16|17|18|19", 11},
    // Any other length alone is dropped with the whole business group.
    {TextRequest::CashReceiptAuthPrint, 20, {{10, "123456789"}, {11, ""}, {12, ""}, {13, ""}, {14, ""}},
     "N3|00|01|02|03||04|05|06|07|08|09|15|16|17|18|19", 11},
    {TextRequest::CashReceiptAuthPrint, 20, {{5, ""}, {6, ""}, {10, "12345678901"}, {11, ""}, {12, ""}, {13, ""}, {14, ""}},
     "N1|00|01|02|03||04|07|08|09|15|16|17|18|19", 11},
    {TextRequest::CashReceiptCancelPrint, 21, {},
     "N6|00|01|02|03|04|05|06|07|08|09|10|11|12|13|14|15|16|17|18|19|20", 12},
    {TextRequest::CashReceiptCancelPrint, 21, {{11, ""}, {12, ""}, {13, ""}, {14, ""}, {15, ""}},
     "N4|00|01|02|03|04|05|06|07|08|09|10|16|17|18|19|20", 12},
    {TextRequest::CashReceiptCancelPrint, 21, {{6, ""}, {7, ""}, {11, ""}, {12, ""}, {13, ""}, {14, ""}, {15, ""}},
     "N2|00|01|02|03|04|05|08|09|10|16|17|18|19|20", 12},
    {TextRequest::CreditAuthAndSignPrint, 17, {}, "P5|00|01|02|03|04|05||06|07|08|09|10|11|12|13|14||", 9},
    {TextRequest::CreditCancelAndSignPrint, 18, {}, "P6|00|01|02|03|04|05|06|07|08|09|10|11|12|13|14|15||", 10},
    {TextRequest::CreditAuthAndSignPrintFull, 22, {},
     "P7|00|01|02|03|04|05||06|07|08|09|10|11|12|13|14|15|16|17|18|19||", 9},
    {TextRequest::CreditCancelAndSignPrintFull, 23, {},
     "P8|00|01|02|03|04|05|06|07|08|09|10|11|12|13|14|15|16|17|18|19|20||", 10},
    // The terminal id (second text) goes after the quota (fourth).
    {TextRequest::CashReceiptAuthPrintFull, 21, {},
     "N7|00|02|03|01|04||05|06|07|08|09|10|11|12|13|14|15|16|17|18|19|20", 11},
    {TextRequest::CashReceiptCancelPrintFull, 22, {},
     "N8|00|02|03|01|04|05|06|07|08|09|10|11|12|13|14|15|16|17|18|19|20|21", 12},
};

TEST(RequestMessage, EveryCodeSendsItsFieldsInOrder) {
  for (const auto& c : kFieldLists) {
    SCOPED_TRACE(c.body);
    Texts texts = Markers(c.textCount);
    for (const auto& [at, text] : c.changes) texts[static_cast<std::size_t>(at)] = text;
    CatPassage passage;
    const auto frame = passage.BuildText(c.request, texts);
    ASSERT_TRUE(frame);
    ExpectFramed(*frame, Body(c.body));
    EXPECT_EQ(passage.messageKind(), c.kind);
    EXPECT_EQ(passage.requestText(), *frame);
  }
}

TEST(RequestMessage, TextsAreTakenAsTheyCameUpToTheirFirstNul) {
  CatPassage passage;
  // Missing texts are empty, extra ones are ignored, nothing is padded.
  EXPECT_EQ(passage.BuildText(TextRequest::CreditAuth, Texts{}), "\x02\x44\x31\x1C\x1C\x1C\x1C\x03\x76");
  ExpectFramed(*passage.BuildText(TextRequest::CashApprovalPrint, Texts{"5", "1", "x", "y"}), Body("C1|||5|1"));
  ExpectFramed(*passage.BuildText(TextRequest::CashApprovalPrint, Texts{"12\0" "34"s, " 7"}), Body("C1|||12| 7"));
  // Korean texts travel as their CP949 bytes ("할부").
  ExpectFramed(*passage.BuildText(TextRequest::FreeStyleTran, Texts{"\xC7\xD2", "\xBA\xCE"}), Body("FT|\xC7\xD2\xBA\xCE"));
}

TEST(RequestMessage, DataFramesAreByteExact) {
  CatPassage passage;
  // F1 counts the code and length text too: 10 bytes give 0015.
  const std::string f1 = "\x02" "F10015" "0123456789" "\x03\x71";
  EXPECT_EQ(passage.BuildF1("0123456789"), f1);
  EXPECT_EQ(f1.size(), 19u);
  EXPECT_EQ(passage.messageKind(), 13);
  // F3 ignores the size it is given.
  for (const int size : {0, 2, 99, -5}) EXPECT_EQ(passage.BuildF3("0A1b", size), "\x02" "F30002\x0A\x1B\x03\x65"s);
  // IU sends exactly the size given, padding the decoded bytes with zeros.
  EXPECT_EQ(passage.BuildIU("0A1B", 3), "\x02" "IU0003\x0A\x1B\x00\x03\x2D"s);
  ExpectFramed(*passage.BuildIU("0A1B", 1), "IU0001\x0A");
  ExpectFramed(*passage.BuildIU("", 0), "IU0000");
  EXPECT_EQ(passage.messageKind(), 13);
  EXPECT_EQ(passage.requestText(), "");  // data messages are not kept as the request text
  EXPECT_EQ(MessageKindOf("ZZ"), 0);
}

// A refused build leaves kind, request and response exactly as they were.
class Refusal : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(passage.BuildText(TextRequest::CreditAuth, Texts{"A", "B", "00", "1000", "0"}));
    passage.StoreResponse("\x02\x44\x31\x1C" "0000\x03\x20");
    before = passage;
  }
  void ExpectUnchanged() const {
    EXPECT_EQ(passage.messageKind(), before.messageKind());
    EXPECT_EQ(passage.requestText(), before.requestText());
    EXPECT_EQ(passage.responseText(), before.responseText());
  }
  CatPassage passage;
  CatPassage before;
};

TEST_F(Refusal, TextFrameOfMoreThan8191Bytes) {
  // D1 with only the amount given: 9 framing bytes plus the amount.
  const auto atLimit = passage.BuildText(TextRequest::CreditAuth, Texts{"", "", "", std::string(8182, '1'), ""});
  ASSERT_TRUE(atLimit);
  EXPECT_EQ(atLimit->size(), 8191u);
  before = passage;
  EXPECT_FALSE(passage.BuildText(TextRequest::CreditAuth, Texts{"", "", "", std::string(8183, '1'), ""}));
  ExpectUnchanged();
  EXPECT_FALSE(passage.BuildText(TextRequest::CashReceiptAuthPrint, Texts(20, std::string(500, 'x'))));
  ExpectUnchanged();
}

TEST_F(Refusal, DataFrameOfMoreThan8192Bytes) {
  const auto f1 = passage.BuildF1(std::string(8183, 'a'));
  ASSERT_TRUE(f1);
  EXPECT_EQ(f1->size(), 8192u);
  EXPECT_EQ(f1->substr(3, 4), "8188");
  const auto f3 = passage.BuildF3(std::string(2 * 8183, 'F'), 0);
  ASSERT_TRUE(f3);
  EXPECT_EQ(f3->size(), 8192u);
  EXPECT_EQ(f3->substr(3, 4), "8183");
  const auto iu = passage.BuildIU("FF", 8183);
  ASSERT_TRUE(iu);
  EXPECT_EQ(iu->size(), 8192u);
  ASSERT_TRUE(passage.BuildText(TextRequest::CreditAuth, Texts{}));
  before = passage;

  EXPECT_FALSE(passage.BuildF1(std::string(8184, 'a')));
  EXPECT_FALSE(passage.BuildF3(std::string(2 * 8184, 'F'), 0));
  EXPECT_FALSE(passage.BuildF3(std::string(2 * 8183 + 1, 'F'), 0));  // the odd digit makes byte 8184
  EXPECT_FALSE(passage.BuildIU("FF", 8184));
  EXPECT_FALSE(passage.BuildIU("FF", -1));
  EXPECT_FALSE(passage.BuildIU(std::string(2 * 8184, 'F'), 3));  // would not fit the decode buffer
  ExpectUnchanged();
}

}  // namespace
}  // namespace kavorin
