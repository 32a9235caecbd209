// The KAVORIN_Web members against a scripted client library: what reaches
// the library, in which order and with which texts; which message the
// operator sees; what the page gets back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "common/base64.hpp"
#include "common/message_box.hpp"
#include "common/text_codec.hpp"
#include "tests/web/scripted_library.hpp"
#include "web/kavorin_web/kavorin_web.hpp"

namespace kavorin::web {
namespace {

using control::MemberResult;
using test::ExportCall;
using test::TheScript;
using ::testing::ElementsAre;

struct Shown {
  std::string caption;
  std::string text;  // UTF-8 here, for readable failures
  bool operator==(const Shown&) const = default;
};

class KavorinWebTest : public ::testing::Test {
 protected:
  KavorinWebTest() : control_(test::ScriptedBinding()) {
    SetMessageBoxHandler([this](const std::string& caption, const std::string& text) {
      shown_.push_back({Utf8FromCp949(caption), Utf8FromCp949(text)});
    });
  }
  ~KavorinWebTest() override { SetMessageBoxHandler({}); }

  MemberResult Call(std::string_view name, std::vector<std::string> args = {}) {
    const control::InvokeOutcome outcome = control::Invoke(KavorinWebMembers(), control_, name, args);
    EXPECT_EQ(outcome.error, control::InvokeError::None) << name;
    return outcome.result;
  }
  std::int32_t Long(std::string_view name, std::vector<std::string> args = {}) {
    const MemberResult result = Call(name, std::move(args));
    EXPECT_EQ(result.kind, control::ResultKind::Long) << name;
    return result.number;
  }
  std::string Text(std::string_view name, std::vector<std::string> args = {}) {
    const MemberResult result = Call(name, std::move(args));
    EXPECT_EQ(result.kind, control::ResultKind::Text) << name;
    return result.text;
  }
  std::vector<int> Ordinals() const {
    std::vector<int> ordinals;
    for (const ExportCall& call : TheScript().calls) ordinals.push_back(call.ordinal);
    return ordinals;
  }
  // A complete set of voucher values that passes every check, each value
  // its own name so that a list shows where each went.
  void StoreValidVoucher() {
    const std::pair<const char*, const char*> values[] = {
        {"SetResCodePrintData", "0000"},           {"SetCardNumPrintData", "9410123456******"},
        {"SetInstallmentPrintData", "Installment"}, {"SetTranTypePrintData", "TranType"},
        {"SetAuthTimePrintData", "250102123456"},   {"SetBeforeTranDatePrintData", "20250101"},
        {"SetAuthAmountPrintData", "AuthAmount"},   {"SetServiceAmountPrintData", "ServiceAmount"},
        {"SetTaxAmountPrintData", "TaxAmount"},     {"SetAuthNumberPrintData", "AuthNumber"},
        {"SetIssuerNamePrintData", "IssuerName"},   {"SetMemberNumPrintData", "MemberNum"},
        {"SetNoticePrintData", "Notice"},           {"SetAcquirNamePrintData", "AcquirName"},
        {"SetAnnouncePrintData", "Announce"},       {"SetCashReceiptAuthNumPrintData", "CashReceiptAuthNum"},
        {"SetCashReceiptAnnouncePrintData", "CashReceiptAnnounce"},
    };
    for (const auto& [setter, value] : values) EXPECT_EQ(Call(setter, {value}).kind, control::ResultKind::None);
  }
  void StoreBusiness() {
    for (const char* setter : {"SetBizNumber", "SetBossName", "SetBizName", "SetBizAddress", "SetBizTelephone"}) {
      Call(setter, {std::string(setter).substr(3)});
    }
  }

  KavorinWeb control_;
  std::vector<Shown> shown_;
};

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word == "-" ? "" : word);
  return words;
}

// ---------------------------------------------------------------------------
TEST_F(KavorinWebTest, TransactionsForwardTheirTextsInsideTheCallSequence) {
  const struct {
    const char* member;
    int ordinal;
    int params;
  } rows[] = {
      {"CreditAuth", 2, 5},         {"CreditCancel", 7, 7},        {"CashReceiptAuth", 6, 5},
      {"CashReceiptCancel", 8, 7},  {"Track2Read", 9, 0},          {"Track3Read", 10, 0},
      {"CashApprovalPrint", 5, 2},  {"CashCancelPrint", 11, 3},    {"CreditAuth2", 48, 6},
      {"CreditCancel2", 50, 8},     {"CashReceiptAuth2", 49, 6},   {"CashReceiptCancel2", 51, 8},
      {"Track2AndSignRead", 38, 2}, {"Track2AndIDRead", 70, 0},    {"FreeStylePrint", 54, 1},
      {"ImageUpload", 55, 1},       {"Track2AndSignReadWithValue", 62, 4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.member);
    TheScript().calls.clear();
    std::vector<std::string> args;
    for (int i = 0; i < row.params; ++i) args.push_back("a" + std::to_string(i));
    EXPECT_EQ(Long(row.member, args), 0);
    EXPECT_THAT(TheScript().calls, ElementsAre(ExportCall{1, {}}, ExportCall{row.ordinal, args}, ExportCall{3, {}}));
  }
  EXPECT_TRUE(shown_.empty());
}

TEST_F(KavorinWebTest, EachFailingStepShowsItsMessageAndEndsTheSequence) {
  const std::string no_module = "단말기와 통신 모듈을 호출할 수 없습니다. 프로그램 설치를 확인하여 주시기 바랍니다.";
  const struct {
    int ordinal;  // the step that fails
    int code;
    std::vector<int> reached;
    std::optional<Shown> message;
  } rows[] = {
      {1, -10000, {1}, Shown{"KAVORIN 통신포트 설정 에러", no_module}},
      {1, -2, {1}, Shown{"KAVORIN 통신포트 설정 에러", "단말기와 통신을 연결할 수 없습니다. 다른 프로그램이 사용하는지 확인하여 주시기 바랍니다."}},
      {1, -1, {1}, Shown{"KAVORIN 통신포트 설정 에러", "단말기와 통신할 통신포트를 설정하여 주시기 바랍니다."}},
      {1, -3, {1}, std::nullopt},
      {2, -10000, {1, 2}, Shown{"KAVORIN 서비스 설정 에러", no_module}},
      {2, -2, {1, 2}, Shown{"KAVORIN 서비스 설정 에러", "단말기와 통신할 통신포트가 초기화 되지 않았습니다. 다시 시작하여 주시기 바랍니다."}},
      {2, -20, {1, 2}, std::nullopt},
      {3, -1000, {1, 2, 3}, Shown{"KAVORIN 서비스 실행 에러", "단말기와의 통신 상태 체크 화면 활성화에 실패 하였습니다. 다시 시작하여 주시기 바랍니다."}},
      {3, -1, {1, 2, 3}, std::nullopt},
      {3, -3, {1, 2, 3}, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "ordinal " << row.ordinal << " code " << row.code);
    TheScript().calls.clear();
    TheScript().results = {{row.ordinal, row.code}};
    shown_.clear();
    EXPECT_EQ(Long("CreditAuth", {"", "9410", "00", "1004", "0"}), row.code);
    EXPECT_EQ(Ordinals(), row.reached);
    if (row.message) {
      EXPECT_THAT(shown_, ElementsAre(*row.message));
    } else {
      EXPECT_TRUE(shown_.empty());
    }
  }
}

TEST_F(KavorinWebTest, EveryCheckRowInOrderAndTheFirstFailureWins) {
  // Which value each row looks at, how to fail it, and the code for each
  // check (0: the check does not look at it): credit approval, credit
  // cancel, cash receipt approval, cash receipt cancel.
  const struct {
    const char* setter;
    const char* failing;
    std::array<int, 4> code;
  } rows[] = {
      {"SetResCodePrintData", "0000 ", {-1, -1, -1, -1}},
      {"SetResCodePrintData", "0001", {-1, -1, -1, -1}},
      {"SetCardNumPrintData", "123456789", {-2, -2, -2, -2}},
      {"SetCardNumPrintData", "12345678901", {-2, -2, 0, 0}},
      {"SetTranTypePrintData", "1", {0, 0, -8, -8}},
      {"SetAuthTimePrintData", "25010212345", {-3, -3, -3, -3}},
      {"SetAuthAmountPrintData", "", {-4, -4, -4, -4}},
      {"SetIssuerNamePrintData", "", {-5, -5, 0, 0}},
      {"SetMemberNumPrintData", "", {-6, -6, -6, -6}},
      {"SetBeforeTranDatePrintData", "2025010", {0, -7, 0, -7}},
  };
  const char* prints[] = {"CreditAuthResultPrint", "CreditCancelResultPrint", "CashReceiptAuthPrint",
                          "CashReceiptCancelPrint"};
  for (const auto& row : rows) {
    for (std::size_t check = 0; check < 4; ++check) {
      SCOPED_TRACE(testing::Message() << row.setter << "=\"" << row.failing << "\" " << prints[check]);
      StoreValidVoucher();
      Call(row.setter, {row.failing});
      TheScript().calls.clear();
      shown_.clear();
      EXPECT_EQ(Long(prints[check]), row.code[check]);
      if (row.code[check] != 0) {
        EXPECT_EQ(Ordinals(), std::vector<int>{1}) << "the print export is not called";
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(shown_[0].caption, "KAVORIN 데이터 설정 에러");
      } else {
        EXPECT_EQ(Ordinals().size(), 3u);
      }
    }
  }
  // The first failing row decides: ResCode before CardNum, TranType before
  // AuthTime, MemberNum before BeforeTranDate.
  StoreValidVoucher();
  Call("SetResCodePrintData", {""});
  Call("SetCardNumPrintData", {""});
  EXPECT_EQ(Long("CashReceiptCancelPrint"), -1);
  StoreValidVoucher();
  Call("SetTranTypePrintData", {""});
  Call("SetAuthTimePrintData", {""});
  EXPECT_EQ(Long("CashReceiptAuthPrint"), -8);
  StoreValidVoucher();
  Call("SetMemberNumPrintData", {""});
  Call("SetBeforeTranDatePrintData", {""});
  EXPECT_EQ(Long("CreditCancelResultPrint"), -6);
}

TEST_F(KavorinWebTest, DataMessagesAreTheOperatorsTexts) {
  const std::pair<const char*, const char*> rows[] = {
      {"SetResCodePrintData", "전표인쇄시 필요한 데이터 중 응답코드가 인쇄 가능한 데이터가 아닙니다."},
      {"SetCardNumPrintData", "전표인쇄시 필요한 데이터 중 카드 또는 핸드폰번호 데이터가 인쇄 가능한 데이터가 아닙니다."},
      {"SetAuthTimePrintData", "전표인쇄시 필요한 데이터 중 승인일시가 인쇄 가능한 데이터가 아닙니다."},
      {"SetAuthAmountPrintData", "전표인쇄시 필요한 데이터 중 승인금액이 인쇄 가능한 데이터가 아닙니다."},
      {"SetIssuerNamePrintData", "전표인쇄시 필요한 데이터 중 발급사 명이 인쇄 가능한 데이터가 아닙니다."},
      {"SetMemberNumPrintData", "전표인쇄시 필요한 데이터 중 가맹점 번호가 인쇄 가능한 데이터가 아닙니다."},
      {"SetBeforeTranDatePrintData", "전표인쇄시 필요한 데이터 중 원 거래일자가 인쇄 가능한 데이터가 아닙니다."},
      {"SetTranTypePrintData", "전표인쇄시 필요한 데이터 중 현금영수증 거래유형이 인쇄 가능한 데이터가 아닙니다."},
  };
  for (const auto& [setter, text] : rows) {
    SCOPED_TRACE(setter);
    StoreValidVoucher();
    Call(setter, {""});
    shown_.clear();
    Long("CashReceiptCancelPrint");
    Long("CreditCancelResultPrint");
    ASSERT_FALSE(shown_.empty());
    EXPECT_EQ(shown_[0], (Shown{"KAVORIN 데이터 설정 에러", text}));
  }
}

// The lists as each print export receives them, byte for byte; "-" is an
// argument the page left empty.
TEST_F(KavorinWebTest, EveryPrintPassesItsListInOrderAndSwitchesOnBusinessValues) {
  const std::string credit =
      "0000 9410123456****** Installment 250102123456 AuthAmount ServiceAmount TaxAmount AuthNumber IssuerName "
      "MemberNum";
  const std::string cancel =
      "0000 9410123456****** Installment 250102123456 20250101 AuthAmount ServiceAmount TaxAmount AuthNumber "
      "IssuerName MemberNum";
  const std::string cash =
      "0000 9410123456****** TranType 250102123456 AuthAmount ServiceAmount TaxAmount AuthNumber IssuerName "
      "MemberNum";
  const std::string cash_cancel =
      "0000 9410123456****** TranType 250102123456 20250101 AuthAmount ServiceAmount TaxAmount AuthNumber "
      "IssuerName MemberNum";
  const std::string tail = " Notice AcquirName Announce CashReceiptAuthNum CashReceiptAnnounce";
  const std::string business = " BizNumber BossName BizName BizAddress BizTelephone";
  const auto signed_list = [](const std::string& list, const std::string& lead) {
    return "0000 " + lead + list.substr(4);
  };
  const struct {
    const char* member;
    std::vector<std::string> args;
    int plain_ordinal;
    std::string plain;
    int business_ordinal;
    std::string with_business;
  } rows[] = {
      {"CreditAuthResultPrint", {}, 12, credit + tail, 12, credit + tail},
      {"CreditCancelResultPrint", {}, 13, cancel + tail, 13, cancel + tail},
      {"CashReceiptAuthPrint", {}, 14, cash + tail, 36, cash + business + tail},
      {"CashReceiptCancelPrint", {}, 15, cash_cancel + tail, 37, cash_cancel + business + tail},
      {"CreditAuthAndSignPrint", {"CAT1", "SEQ"}, 46, signed_list(credit, "CAT1 SEQ") + tail, 63,
       signed_list(credit, "CAT1 SEQ") + business + tail},
      {"CreditCancelAndSignPrint", {"CAT1", "SEQ"}, 47, signed_list(cancel, "CAT1 SEQ") + tail, 66,
       signed_list(cancel, "CAT1 SEQ") + business + tail},
      {"CashReceiptAuthPrintFull", {"CAT1"}, 64, signed_list(cash, "CAT1") + " - - - - -" + tail, 64,
       signed_list(cash, "CAT1") + business + tail},
      {"CashReceiptCancelPrintFull", {"CAT1"}, 65, signed_list(cash_cancel, "CAT1") + " - - - - -" + tail, 65,
       signed_list(cash_cancel, "CAT1") + business + tail},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.member);
    Call("PrintDataInit");
    StoreValidVoucher();
    TheScript().calls.clear();
    EXPECT_EQ(Long(row.member, row.args), 0);
    EXPECT_THAT(TheScript().calls,
                ElementsAre(ExportCall{1, {}}, ExportCall{row.plain_ordinal, Words(row.plain)}, ExportCall{3, {}}));
    StoreBusiness();
    TheScript().calls.clear();
    EXPECT_EQ(Long(row.member, row.args), 0);
    EXPECT_THAT(TheScript().calls, ElementsAre(ExportCall{1, {}}, ExportCall{row.business_ordinal,
                                                                             Words(row.with_business)},
                                               ExportCall{3, {}}));
    // Each export gets exactly as many texts as it takes.
    EXPECT_EQ(TheScript().calls[1].args.size(),
              static_cast<std::size_t>(ArgumentCount(ExportByOrdinal(row.business_ordinal))));
  }
  // BizAddress is the 15th (16th) argument of the two "Full" cash-receipt prints.
  EXPECT_EQ(TheScript().calls[1].args[15], "BizAddress");
  EXPECT_TRUE(shown_.empty());
}

TEST_F(KavorinWebTest, OneBusinessValueIsEnoughToSwitchAndTheValuesOutliveAPrint) {
  StoreValidVoucher();
  Call("SetBizTelephone", {"02-123-4567"});
  EXPECT_EQ(Long("CashReceiptAuthPrint"), 0);
  ASSERT_EQ(Ordinals(), (std::vector<int>{1, 36, 3}));
  const std::vector<std::string>& args = TheScript().calls[1].args;
  ASSERT_EQ(args.size(), 20u);
  EXPECT_EQ(std::vector<std::string>(args.begin() + 10, args.begin() + 15),
            (std::vector<std::string>{"", "", "", "", "02-123-4567"}));
  // Stored values stay after a print; only PrintDataInit and the setters
  // change them.
  TheScript().calls.clear();
  EXPECT_EQ(Long("CashReceiptAuthPrint"), 0);
  EXPECT_EQ(TheScript().calls[1].args, args);
}

TEST_F(KavorinWebTest, CancelAndSignPrintChecksAsAnApproval) {
  StoreValidVoucher();
  Call("SetBeforeTranDatePrintData", {""});
  EXPECT_EQ(Long("CreditCancelAndSignPrint", {"CAT1", "001"}), 0);
  EXPECT_EQ(Ordinals(), (std::vector<int>{1, 47, 3}));
  EXPECT_EQ(TheScript().calls[1].args[6], "");
  EXPECT_EQ(Long("CreditCancelResultPrint"), -7);
}

TEST_F(KavorinWebTest, AfterPrintDataInitEveryPrintFailsOnTheResponseCode) {
  StoreValidVoucher();
  StoreBusiness();
  Call("PrintDataInit");
  for (const std::string& value : control_.values()) EXPECT_EQ(value, "");
  const std::pair<const char*, std::vector<std::string>> prints[] = {
      {"CreditAuthResultPrint", {}},       {"CreditCancelResultPrint", {}},
      {"CashReceiptAuthPrint", {}},        {"CashReceiptCancelPrint", {}},
      {"CreditAuthAndSignPrint", {"", ""}}, {"CreditCancelAndSignPrint", {"", ""}},
      {"CashReceiptAuthPrintFull", {""}},  {"CashReceiptCancelPrintFull", {""}},
  };
  for (const auto& [member, args] : prints) EXPECT_EQ(Long(member, args), -1) << member;
  EXPECT_EQ(shown_.size(), 8u);
}

TEST_F(KavorinWebTest, GettersCutTheLibrarysTextToTheirBuffers) {
  const struct {
    const char* member;
    int ordinal;
    std::size_t most;  // bytes the page can get
  } rows[] = {
      {"GetResponseCode", 17, 4095}, {"GetCardNumber", 18, 4095},     {"GetInstallmentData", 19, 4095},
      {"GetCashReceiptTranType", 20, 4095}, {"GetAuthTime", 21, 4095}, {"GetBeforeAuthDate", 22, 4095},
      {"GetAuthAmount", 23, 4095},   {"GetAuthNumber", 24, 4095},     {"GetIssuerCode", 25, 4095},
      {"GetMemberNumber", 26, 4095}, {"GetDDCFlag", 27, 4095},        {"GetNotice", 28, 4095},
      {"GetAcquirCode", 29, 4095},   {"GetDisplayData", 30, 4095},    {"GetAnnounceData", 31, 4095},
      {"GetCashReceiptAuthNumber", 32, 4095}, {"GetCashReceiptAnnounceData", 33, 4095},
      {"GetWCC", 34, 4095},          {"GetTrackData", 35, 4095},      {"GetSignPADComMethod", 43, 11},
      {"GetSignPADHashValue", 44, 39}, {"GetSignPADSignData", 45, 2047},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.member);
    TheScript().texts[row.ordinal] = "short";
    TheScript().calls.clear();
    EXPECT_EQ(Text(row.member), "short");
    EXPECT_EQ(Ordinals(), std::vector<int>{row.ordinal}) << "no connection, no status step";
    // The library may write far more than the member's buffer holds.
    TheScript().texts[row.ordinal] = std::string(8000, 'x');
    EXPECT_EQ(Text(row.member), std::string(row.most, 'x'));
  }
  // A cut never splits a double-byte character.
  TheScript().texts[43] = "1234567890" + Cp949FromUtf8("가");
  EXPECT_EQ(Text("GetSignPADComMethod"), "1234567890");
  EXPECT_TRUE(shown_.empty());
}

TEST_F(KavorinWebTest, AFailingGetterReturnsTheEmptyTextWithAMessageOnlyForAComFailure) {
  TheScript().texts[17] = "0000";
  TheScript().results[17] = -2;
  EXPECT_EQ(Text("GetResponseCode"), "");
  EXPECT_TRUE(shown_.empty());
  TheScript().results[17] = -10000;
  EXPECT_EQ(Text("GetResponseCode"), "");
  const std::string no_module = "단말기와 통신 모듈을 호출할 수 없습니다. 프로그램 설치를 확인하여 주시기 바랍니다.";
  EXPECT_THAT(shown_, ElementsAre(Shown{"KAVORIN 데치터 참조 에러", no_module}));
  // ServiceExit shows the same message for the same code, nothing else.
  shown_.clear();
  TheScript().results[4] = -1;
  Call("ServiceExit");
  EXPECT_TRUE(shown_.empty());
  TheScript().results[4] = -10000;
  EXPECT_EQ(Call("ServiceExit").kind, control::ResultKind::None);
  EXPECT_THAT(shown_, ElementsAre(Shown{"KAVORIN 데치터 참조 에러", no_module}));
  EXPECT_EQ(Ordinals(), (std::vector<int>{17, 17, 4, 4}));
}

TEST_F(KavorinWebTest, SignDataAsciiIsTheBase64OfTheBytesUpToTheFirstZero) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""},
      {"A", "QQ=="},
      {"AB", "QUI="},
      {"ABC", "QUJD"},
      {std::string("\xFF\x01\x80", 3), "/wGA"},
      {std::string("AB\0CD", 5), "QUI="},
  };
  for (const auto& [bytes, base64] : rows) {
    TheScript().texts[45] = bytes;
    EXPECT_EQ(Text("GetSignPADSignDataASCII"), base64);
  }
  TheScript().texts[45] = std::string(3000, '\x7F');
  EXPECT_EQ(Base64Decode(Text("GetSignPADSignDataASCII")).size(), 2047u);
  TheScript().results[45] = -3;
  EXPECT_EQ(Text("GetSignPADSignDataASCII"), "");
}

TEST_F(KavorinWebTest, SignDataToBmpPassesTheCardNumberPartOnly) {
  const std::pair<std::string, std::string> rows[] = {
      {"9410123456781234=30121010000", "9410123456781234"},
      {"9410123456781234", "9410123456781234"},
      {"=3012", ""},
      {std::string(127, '9') + "=1", std::string(127, '9')},
  };
  for (const auto& [card, part] : rows) {
    TheScript().calls.clear();
    TheScript().results[58] = 7;
    EXPECT_EQ(Long("SignDataToBMP", {"01", "12345678", card, "001", "ABCD", "C:\\sign.bmp"}), 7);
    EXPECT_THAT(TheScript().calls,
                ElementsAre(ExportCall{58, {"01", "12345678", part, "001", "ABCD", "C:\\sign.bmp"}}));
  }
  // A card-number part past 127 bytes is refused before the library.
  TheScript().calls.clear();
  EXPECT_EQ(Long("SignDataToBMP", {"01", "12345678", std::string(128, '9'), "001", "ABCD", "x.bmp"}), -2);
  EXPECT_TRUE(TheScript().calls.empty());
  EXPECT_TRUE(shown_.empty());
}

TEST_F(KavorinWebTest, PlaceholdersAnswerWithoutTheLibrary) {
  const MemberResult korex = Call("GetTrackData_KOREX", {"anything"});
  EXPECT_EQ(korex, MemberResult::Variant("1234567890"));
  EXPECT_EQ(Call("ParkSSuggestion"), MemberResult::Variant("test"));
  EXPECT_TRUE(TheScript().calls.empty());
}

TEST_F(KavorinWebTest, AStatusStepOfTheCallersOwnReplacesComStatus) {
  int polled = 0;
  control_.SetStatusStep([&] {
    ++polled;
    return -1000;
  });
  EXPECT_EQ(Long("Track2Read"), -1000);
  EXPECT_EQ(polled, 1);
  EXPECT_EQ(Ordinals(), (std::vector<int>{1, 9}));
  EXPECT_EQ(shown_.size(), 1u);
}

TEST(KavorinWebBinding, AMissingExportCountsAsAnUnreachableLibrary) {
  LibraryBinding binding = test::ScriptedBinding();
  binding.byOrdinal[1] = nullptr;
  KavorinWeb control(binding);
  std::vector<Shown> shown;
  SetMessageBoxHandler([&](const std::string& caption, const std::string&) { shown.push_back({caption, ""}); });
  std::vector<std::string> none;
  EXPECT_EQ(control::Invoke(KavorinWebMembers(), control, "Track2Read", none).result.number, -10000);
  SetMessageBoxHandler({});
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(TheScript().calls.empty());
}

}  // namespace
}  // namespace kavorin::web
