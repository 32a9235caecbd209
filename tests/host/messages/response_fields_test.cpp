#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base64.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin {
namespace {

using Texts = std::vector<std::string>;
using namespace std::string_literals;

// A response frame from a readable body ('|' for FS); ETX and an LRC byte
// close it, which the getters must not read as part of the last field.
std::string Response(std::string body) {
  for (char& c : body) {
    if (c == '|') c = '\x1C';
  }
  return "\x02" + body + "\x03\x7F";
}

// The passage after a request of `kind`'s family and its response.
CatPassage After(TextRequest request, const std::string& response) {
  CatPassage passage;
  passage.BuildText(request, Texts{});
  passage.StoreResponse(response);
  return passage;
}

struct Expect {
  ResultField field;
  int result;
  std::string value;
};

void ExpectFields(const CatPassage& passage, const std::vector<Expect>& expected) {
  for (const auto& e : expected) {
    std::string out = "stale";
    EXPECT_EQ(passage.GetField(e.field, out), e.result) << static_cast<int>(e.field);
    EXPECT_EQ(out, e.value) << static_cast<int>(e.field);
  }
}

const std::string kCreditResponse = Response(
    "D1|0000OK|1234567890123456=1234|03|20240101120000|20231231|1000|AUTH01|ISS|MEMBER|D|NOTICE|ACQ|DISPLAY|"
    "ANNOUNCE|CASHNO|CASHANN");

TEST(ResponseFields, TransactionLayout) {
  ExpectFields(After(TextRequest::CreditAuth, kCreditResponse),
               {{ResultField::ResponseCode, 0, "0000OK"},
                {ResultField::CardNumber, 0, "1234567890******"},
                {ResultField::InstallmentData, 0, "03"},
                {ResultField::CashReceiptType, -2, ""},
                {ResultField::AuthTime, 0, "20240101120000"},
                {ResultField::BeforeAuthDate, 0, "20231231"},
                {ResultField::AuthAmount, 0, "1000"},
                {ResultField::AuthNumber, 0, "AUTH01"},
                {ResultField::IssueCode, 0, "ISS"},
                {ResultField::MemberNumber, 0, "MEMBER"},
                {ResultField::DDCFlag, 0, "D"},
                {ResultField::Notice, 0, "NOTICE"},
                {ResultField::AcquireCode, 0, "ACQ"},
                {ResultField::DisplayData, 0, "DISPLAY"},
                {ResultField::AnnounceData, 0, "ANNOUNCE"},
                {ResultField::CashReceiptAuthNumber, 0, "CASHNO"},
                {ResultField::CashReceiptAnnounceData, 0, "CASHANN"},
                {ResultField::WCC, -2, ""},
                {ResultField::SignPADSignData, -2, ""}});
  ExpectFields(After(TextRequest::CashReceiptCancel, kCreditResponse),
               {{ResultField::InstallmentData, -2, ""}, {ResultField::CashReceiptType, 0, "03"}});
}

TEST(ResponseFields, ResultCodesInTheirOrderOfChecks) {
  // No response beats a wrong kind: after a print every getter gives -1.
  CatPassage print;
  print.BuildText(TextRequest::CashApprovalPrint, Texts{"1000", "0"});
  ExpectFields(print, {{ResultField::ResponseCode, -1, ""}, {ResultField::WCC, -1, ""}});
  // A wrong kind beats too few fields.
  ExpectFields(After(TextRequest::CashApprovalPrint, Response("C1|x")), {{ResultField::ResponseCode, -2, ""}});
  ExpectFields(After(TextRequest::CreditAuth, Response("D1|0000|1234|")),
               {{ResultField::InstallmentData, 0, ""},  // present but empty
                {ResultField::AuthTime, -3, ""},
                {ResultField::CashReceiptAnnounceData, -3, ""}});
  // Before any request (kind 0) nothing is accepted.
  CatPassage fresh;
  fresh.StoreResponse(kCreditResponse);
  ExpectFields(fresh, {{ResultField::ResponseCode, -2, ""}, {ResultField::TrackData, -2, ""}});
}

TEST(ResponseFields, CardNumberMasking) {
  const std::pair<const char*, const char*> cases[] = {
      {"1234567890123456=1234", "1234567890******"},
      {"12345", "12345"},
      {"123456", "******"},
      {"1234567", "1******"},
      {"12345=999999", "12345"},
      {"=123456789", ""},
      {"", ""},
  };
  for (const auto& [field, shown] : cases) {
    ExpectFields(After(TextRequest::CreditAuth, Response("D1|0000|"s + field + "|00")),
                 {{ResultField::CardNumber, 0, shown}});
  }
}

TEST(ResponseFields, ReadLayoutCutsPartsOfFields) {
  // Sign data bytes 01 02 FF travel as Base64 "AQL/".
  const auto full = After(TextRequest::Track2AndSign, Response("RS|A9410123456789=2512|1ABCDEFGHIJ|HASH|\x01\x02\xFF"));
  ExpectFields(full, {{ResultField::WCC, 0, "A"},
                      {ResultField::TrackData, 0, "9410123456789=2512"},
                      {ResultField::FreeStyleTranResult, 0, "A"},
                      {ResultField::FreeStyleTranResMsg, 0, "9410123456789=2512"},
                      {ResultField::SignPADLCDType, 0, "1"},
                      {ResultField::SignPADDefineFunction, 0, "AB"},
                      {ResultField::SignPADModelNumber, 0, "CDE"},
                      {ResultField::SignPADSWVersion, 0, "FG"},
                      {ResultField::SignPADCompressMethod, 0, "HI"},
                      {ResultField::SignPADHashData, 0, "HASH"},
                      {ResultField::SignPADSignData, 0, "AQL/"},
                      {ResultField::ResponseCode, -2, ""}});
  // Parts running past the end give what there is, possibly nothing.
  ExpectFields(After(TextRequest::Track3Read, Response("RD|A|1ABC")),
               {{ResultField::SignPADModelNumber, 0, "C"},
                {ResultField::SignPADSWVersion, 0, ""},
                {ResultField::SignPADHashData, -3, ""}});
  ExpectFields(After(TextRequest::Track2Read, Response("RC||1AB|")),
               {{ResultField::WCC, 0, ""},
                {ResultField::TrackData, 0, ""},
                {ResultField::SignPADModelNumber, 0, ""},
                {ResultField::SignPADHashData, 0, ""},
                {ResultField::SignPADSignData, -3, ""}});
}

TEST(ResponseFields, ReadsOverAKeptCreditResponseUseTheReadLayout) {
  // The sign reads build without resetting: the credit answer is read as kind 5.
  CatPassage passage = After(TextRequest::CreditAuth, kCreditResponse);
  passage.BuildText(TextRequest::Track2AndSign, Texts{"CAT", "0001"});
  ExpectFields(passage, {{ResultField::ResponseCode, -2, ""}, {ResultField::TrackData, 0, "000OK"}});
}

TEST(ResponseFields, LongSignDataComesBackWhole) {
  std::string sign;
  for (int i = 0; i < 8000; ++i) sign.push_back(static_cast<char>(1 + i % 27));  // no FS, no NUL
  const auto passage = After(TextRequest::SignRead, Response("RE|A|1|H|" + sign));
  std::string out;
  ASSERT_EQ(passage.GetField(ResultField::SignPADSignData, out), 0);
  EXPECT_EQ(out.size(), 10668u);  // 4 * ceil(8000 / 3): more than any 8192-byte buffer holds
  const auto decoded = Base64Decode(out);
  EXPECT_EQ(std::string(decoded.begin(), decoded.end()), sign);
}

TEST(ResponseFields, ResponseCodeCheck) {
  struct Case {
    TextRequest request;
    std::string response;
    int result;
  };
  const Case cases[] = {
      {TextRequest::CreditAuth, Response("D1|0000|x"), 0},
      {TextRequest::CreditCancel2, Response("D4|5001 NOTE|x"), 0},
      {TextRequest::CashReceiptAuth, Response("K1|0001|x"), -2},
      {TextRequest::CashReceiptCancel, Response("K2|000"), -2},  // shorter than four characters
      {TextRequest::CreditAuth, Response("D1|00000"), 0},
      {TextRequest::CreditAuth, "", -1},
      {TextRequest::Track2Read, Response("RC|9999"), 0},  // reads carry no code to check
      {TextRequest::SignRead, Response("RE"), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(After(c.request, c.response).CheckResponseCode(), c.result) << c.response;
}

TEST(ResponseFields, ParsePassageCountsSeparators) {
  const auto passage = After(TextRequest::CreditAuth, Response("D1|one||three"));
  std::string out = "untouched";
  const std::pair<int, const char*> found[] = {{1, "one"}, {2, ""}, {3, "three"}};
  for (const auto& [n, field] : found) {
    EXPECT_EQ(passage.parse_passage(n, out), 0);
    EXPECT_EQ(out, field);
  }
  out = "untouched";
  for (const int n : {4, 0, -1}) EXPECT_EQ(passage.parse_passage(n, out), -2) << n;
  EXPECT_EQ(out, "untouched");
  // Too short to hold a code and its closing bytes: no field at all.
  for (const char* tiny : {"\x02", "\x02\x44\x31\x1C", "\x1C\x1C\x1C\x1C"}) {
    EXPECT_EQ(After(TextRequest::CreditAuth, tiny).parse_passage(1, out), -2) << tiny;
  }
}

TEST(ResponseFields, StoredResponseEndsAtItsFirstNul) {
  CatPassage passage = After(TextRequest::CreditAuth, "\x02" "D1\x1C" "0000\x00\x1C" "1234\x03\x20"s);
  EXPECT_EQ(passage.responseText(), "\x02" "D1\x1C" "0000");
  passage.ResetPassage();
  EXPECT_EQ(passage.responseText(), "");
  EXPECT_EQ(passage.requestText(), "");
  EXPECT_EQ(passage.messageKind(), 0);
}

}  // namespace
}  // namespace kavorin
