// ZelkPayWeb's members against a scripted zelkpay43: what each operation
// receives (arguments in order, buffers and their sizes), the composite
// members, the base64 sign data, the results the control keeps, and texts
// that fill a buffer to its last byte.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/base64.hpp"
#include "tests/support/library_script.hpp"
#include "web/zelkpay_web/zelkpay_web.hpp"

namespace kavorin::web {
namespace {

using Log = std::vector<std::string>;

class ZelkPayWebTest : public ::testing::Test {
 protected:
  control::MemberResult Run(std::string_view name, std::vector<std::string> args = {}) {
    const control::InvokeOutcome outcome = control::Invoke(ZelkPayWebMembers(), control_, name, args);
    EXPECT_EQ(outcome.error, control::InvokeError::None) << name;
    return outcome.result;
  }
  std::int32_t Long(std::string_view name, std::vector<std::string> args = {}) {
    return Run(name, std::move(args)).number;
  }
  std::string Text(std::string_view name, std::vector<std::string> args = {}) {
    return Run(name, std::move(args)).text;
  }

  test::ScriptedLibrary library_;
  ZelkPayWeb control_{library_.Call()};
};

TEST_F(ZelkPayWebTest, EveryMemberReachesTheLibraryWithArgumentsItsOperationTakes) {
  const std::set<std::string_view> kept = {"GetExDevLogonResCode", "GetExDevLogonResMsg", "GetSendRequestResult"};
  for (const control::Member& member : ZelkPayWebMembers()) {
    SCOPED_TRACE(member.name);
    std::vector<std::string> args;
    for (const control::Param& param : control::Params(member)) {
      args.push_back(param.kind == control::ParamKind::Long ? "7" : "v" + std::to_string(args.size() + 1));
    }
    library_.ClearLog();
    const control::MemberResult result = Run(member.name, args);
    if (member.result == control::ResultKind::Long) {
      EXPECT_EQ(result.number, 0);
    }
    EXPECT_EQ(library_.log().empty(), kept.count(member.name) == 1);
    for (const std::string& line : library_.log()) EXPECT_EQ(line.find("o0"), std::string::npos);
  }
}

TEST_F(ZelkPayWebTest, FieldGettersLendTheBufferOfTheirFieldAndNeverReturnMoreThanItHolds) {
  const std::map<std::size_t, std::vector<std::string_view>> sizes = {
      {4096, {"GetResponseText"}},
      {120, {"GetBroadcastMessage", "GetDongleLogonBroadcastMessage"}},
      {60, {"GetPointCashBroadMessage"}},
      {40, {"GetCreditCardData", "GetPointCardData", "GetCashIdentityData", "GetResponseMessage", "GetCardName",
            "GetDongleLogonResponseMessage"}},
      {28, {"GetNotice", "GetBroadcastMessage1", "GetBroadcastMessage2", "GetBroadcastMessage3",
            "GetBroadcastMessage4", "GetPointCashBroadMessage1", "GetPointCashBroadMessage2",
            "GetDongleLogonBroadcastMessage1", "GetDongleLogonBroadcastMessage2", "GetDongleLogonBroadcastMessage3",
            "GetDongleLogonBroadcastMessage4", "GetCheckCardFlag"}},
      {20, {"GetDevInitial", "GetTransactionDate", "GetTotalAmount", "GetServiceAmount", "GetTaxAmount",
            "GetApprovalNumber", "GetPwdData", "GetTransportDate", "GetAuthNumber", "GetMemberStoreNumber",
            "GetDDCSlipNumber", "GetResponseMessage1", "GetResponseMessage2", "GetCustomerName",
            "GetPointCashAuthNumber", "GetBusinessNumber", "GetChecksResponseDate", "GetDongleSerialNo",
            "GetDongleSAMID", "GetDongleLogonDESTPK", "GetDongleLogonResponseMessage1",
            "GetDongleLogonResponseMessage2", "ReadTerminalNumber"}},
  };
  std::map<std::string_view, std::size_t> expected;
  for (const auto& [bytes, names] : sizes) {
    for (const std::string_view name : names) expected[name] = bytes;
  }
  // Every other plain field getter: DISPIDs 75 to 180 and 196 without
  // parameters, the point-back pair included.
  for (const control::Member& member : ZelkPayWebMembers()) {
    const bool field_getter = (member.dispid >= 75 && member.dispid <= 180) || member.dispid == 196;
    if (field_getter && control::ParamCount(member) == 0 && !expected.count(member.name)) expected[member.name] = 10;
  }
  ASSERT_EQ(expected.size(), 105u);
  for (const auto& [name, bytes] : expected) {
    SCOPED_TRACE(name);
    library_.ClearLog();
    Text(name);
    ASSERT_EQ(library_.log().size(), 1u);
    const std::vector<std::string> fields = test::SplitTabs(library_.log()[0]);
    EXPECT_EQ(fields.back(), "o" + std::to_string(bytes));
    // The library fills every output to its last byte, its zero past it.
    std::string answer = fields[0] + "\t0";
    for (std::size_t i = 1; i < fields.size(); ++i) answer += "\t" + std::string(bytes, 'F');
    library_.Answer(answer);
    EXPECT_EQ(Text(name), std::string(bytes - 1, 'F'));
  }
}

TEST_F(ZelkPayWebTest, CommonDataSetsTerminalAndTransactionNumberOnlyAfterItsFirstCallSucceeds) {
  library_.Answer("2\t0");
  library_.Answer("15\t-3");  // ignored
  library_.Answer("2\t-7");
  EXPECT_EQ(Long("SetCommonData", {"TERM01", "0042", "P", "TMP", "1"}), 0);
  EXPECT_EQ(Long("SetCommonData", {"TERM02", "0043", "P", "TMP", "0"}), -7);
  EXPECT_EQ(library_.log(), (Log{"2\tP\tTMP\t1", "15\tTERM01", "19\t0042", "2\tP\tTMP\t0"}));
}

TEST_F(ZelkPayWebTest, SignDataIsDecodedIntoAZeroFilledBufferOfItsSize) {
  const std::string block(2048, '\xA5');
  const std::string block_hex = test::HexOf(block);
  const struct {
    const char* member;
    std::vector<std::string> args;
    std::int32_t result;
    const char* logged;  // empty: the library is not called
  } rows[] = {
      {"SetSignInfo", {"1", "KEY", "MAC", "AQID/w=="}, 0, "143\t1\tKEY\tMAC\td2048:010203ff"},
      {"SetSignInfo", {"1", "KEY", "MAC", ""}, 0, "143\t1\tKEY\tMAC\td2048:"},
      {"SetSignInfo", {"1", "KEY", "MAC", "AQID*/w=="}, 0, "143\t1\tKEY\tMAC\td2048:010203"},
      {"SetSignInfo", {"1", "KEY", "MAC", Base64Encode(block)}, 0, nullptr},
      {"SetSignInfo", {"1", "KEY", "MAC", Base64Encode(block + "x")}, control::kArgumentTooLong, ""},
      {"SetDSCSignData", {"AAEC"}, 0, "154\td4096:000102"},
      {"SetDSCSignData", {Base64Encode(block + block + "x")}, control::kArgumentTooLong, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.member + std::string(" ") + row.args.back().substr(0, 12));
    library_.ClearLog();
    EXPECT_EQ(Long(row.member, row.args), row.result);
    if (row.logged == nullptr) {
      ASSERT_EQ(library_.log().size(), 1u);
      EXPECT_EQ(library_.log()[0], "143\t1\tKEY\tMAC\td2048:" + block_hex);
    } else if (*row.logged == '\0') {
      EXPECT_TRUE(library_.log().empty());
    } else {
      EXPECT_EQ(library_.log(), Log{row.logged});
    }
  }
}

TEST_F(ZelkPayWebTest, RequestTextDownloadAndSequenceNumberAreEmptyWhenTheLibraryFails) {
  library_.Answer("137\t0\tREQ-D1");
  library_.Answer("137\t-2\tleft behind");
  library_.Answer("192\t0\tDOWNLOADED");
  library_.Answer("192\t1\tleft behind");
  library_.Answer("ZELK_GetSequenceNumber\t0\t000123");
  library_.Answer("ZELK_GetSequenceNumber\t-1\t999");
  EXPECT_EQ(Text("GetRequestText", {"D1"}), "REQ-D1");
  EXPECT_EQ(Text("GetRequestText", {"X9"}), "");
  EXPECT_EQ(Text("SendDownload", {"REQUEST"}), "DOWNLOADED");
  EXPECT_EQ(Text("SendDownload", {"REQUEST"}), "");
  EXPECT_EQ(Text("GetSequenceNum"), "000123");
  EXPECT_EQ(Text("GetSequenceNum"), "");
  EXPECT_EQ(library_.log(), (Log{"137\tD1\to4096", "137\tX9\to4096", "192\tREQUEST\to4096", "192\tREQUEST\to4096",
                                 "ZELK_GetSequenceNumber\to10", "ZELK_GetSequenceNumber\to10"}));
  // Other getters hand back what the library left, whatever its result.
  library_.Answer("62\t-1\t9999");
  EXPECT_EQ(Text("GetResponseCode"), "9999");
}

TEST_F(ZelkPayWebTest, MembersSharingAnOperationEachCallItAfresh) {
  library_.Answer("189\t0\tDISCOUNT\tRESULT");
  library_.Answer("191\t0\t\xC1\xA4\xBB\xF3\t OK\tP-100\tBOSS\tMEMBER\tADDR\tTEL\tAGENCY");
  EXPECT_EQ(Text("GetPointBackDiscountData"), "DISCOUNT");
  EXPECT_EQ(Text("GetPointBackResultData"), "RESULT");
  EXPECT_EQ(Text("GetDownloadResponseMsg"), "\xC1\xA4\xBB\xF3 OK");
  const std::pair<const char*, const char*> fields[] = {
      {"GetDownloadProductNumber", "P-100"}, {"GetDownloadBossName", "BOSS"}, {"GetDownloadMemberName", "MEMBER"},
      {"GetDownloadMemberAddr", "ADDR"},     {"GetDownloadMemeberTel", "TEL"},  {"GetDownloadAgencyTel", "AGENCY"},
  };
  for (const auto& [member, value] : fields) EXPECT_EQ(Text(member), value) << member;
  const std::string download = "191\to256\to256\to256\to256\to256\to256\to256\to256";
  Log expected{"189\to10\to10", "189\to10\to10"};
  expected.insert(expected.end(), 7, download);
  EXPECT_EQ(library_.log(), expected);

  EXPECT_EQ(Long("SetDownloadInfo", {"1234567890", "V1"}), 0);
  EXPECT_EQ(Long("SetDownloadData", {"1234567890", "V2"}), 0);
  EXPECT_EQ(library_.log().back(), "190\t1234567890\tV2");
  library_.ClearLog();
  library_.Answer("182\t0\t\xB1\xE8\xC3\xB6\xBC\xF6");
  EXPECT_EQ(Text("GetDongleLogonMemberName", {"3"}), "\xB1\xE8\xC3\xB6\xBC\xF6");
  EXPECT_EQ(library_.log(), Log{"182\t3\to20"});
}

TEST_F(ZelkPayWebTest, DeviceLogonKeepsItsResultOnlyForZeroOrMinusThousand) {
  const std::vector<std::string> args = {"T1", "D1", "C1", "P1", "H1", "S1", "SAM"};
  const struct {
    int result;
    const char* code;
    const char* message;
  } rows[] = {
      {0, "0000", "OK"},
      {-1000, "8001", "\xBD\xC2\xC0\xCE\xB0\xC5\xBA\xCE"},  // a refusal, with its message
      {-1, "", ""},
      {0, "0000", "OK"},
      {5, "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result);
    library_.Answer("231\t" + std::to_string(row.result) + "\t" + (*row.code ? row.code + std::string("EXTRA") : "X") +
                    "\t" + (*row.message ? row.message : "left behind"));
    EXPECT_EQ(Long("ExecuteExDevLogonService", args), row.result);
    EXPECT_EQ(Text("GetExDevLogonResCode"), row.code);
    EXPECT_EQ(Text("GetExDevLogonResMsg"), row.message);
  }
  EXPECT_EQ(library_.log()[0], "231\tT1\tD1\tC1\tP1\tH1\tS1\tSAM\to100\to100\to100\to100\to100\to100\to100");
}

TEST_F(ZelkPayWebTest, SendRequestPassesTheTextWithItsLengthAndKeepsTheResult) {
  library_.Answer("50\t0\tRESULT-1");
  library_.Answer("50\t-4\t" + std::string(2048, 'R'));
  EXPECT_EQ(Text("GetSendRequestResult"), "");
  EXPECT_EQ(Long("ExecuteSendRequest", {"\xC8\xAB\xB1\xE6\xB5\xBF 100"}), 0);
  EXPECT_EQ(Text("GetSendRequestResult"), "RESULT-1");
  EXPECT_EQ(Long("ExecuteSendRequest", {"REQ"}), -4);
  EXPECT_EQ(Text("GetSendRequestResult"), std::string(2047, 'R'));
  EXPECT_EQ(library_.log(), (Log{"50\t\xC8\xAB\xB1\xE6\xB5\xBF 100\t10\to2048", "50\tREQ\t3\to2048"}));
  EXPECT_FALSE(control::FindMember(ZelkPayWebMembers(), "ExecuteSendRequest")->inTypeLibrary);
  EXPECT_FALSE(control::FindMember(ZelkPayWebMembers(), 195)->inTypeLibrary);
  EXPECT_TRUE(control::FindMember(ZelkPayWebMembers(), 196)->inTypeLibrary);
}

TEST_F(ZelkPayWebTest, SettersPassTheirTextsInOrder) {
  const struct {
    const char* member;
    std::vector<std::string> args;
    const char* logged;
  } rows[] = {
      {"Initialize", {}, "1"},
      {"ExecuteService", {"D1"}, "9\tD1"},
      {"SetAmountInfo", {"1004", "03", "0", "91", "410"}, "4\t1004\t03\t0\t91\t410"},
      {"SetChecksInfo", {"1", "2", "3", "4", "5", "6", "7", "8"}, "7\t1\t2\t3\t4\t5\t6\t7\t8"},
      {"SetMemberStoreInfo", {"\xC4\xAB\xBA\xB8\xB8\xB0"}, "16\t\xC4\xAB\xBA\xB8\xB8\xB0"},
      {"SetPointDongleTelecomType", {"KT"}, "149\tKT"},
      {"SetCreditDongleCardType", {"C"}, "186\tC"},
      {"SetLog", {"1"}, "271\t1"},
      {"UnInitialize", {}, "139"},
  };
  for (const auto& row : rows) {
    library_.Answer(test::SplitTabs(row.logged)[0] + "\t-9");
    EXPECT_EQ(Long(row.member, row.args), -9) << row.member;
    EXPECT_EQ(library_.log().back(), row.logged);
  }
}

}  // namespace
}  // namespace kavorin::web
