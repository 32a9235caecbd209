// ZelkSignWeb's members against a scripted KavSignPad_Ctl: arguments and
// buffers each operation receives, the sequence number's format, the base64
// sign data bounded by its length, shared operations called afresh.
#include <gtest/gtest.h>

#include "tests/support/library_script.hpp"
#include "web/zelksign_web/zelksign_web.hpp"

namespace kavorin::web {
namespace {

using Log = std::vector<std::string>;

class ZelkSignWebTest : public ::testing::Test {
 protected:
  control::InvokeOutcome Invoke(std::string_view name, std::vector<std::string> args = {}) {
    return control::Invoke(ZelkSignWebMembers(), control_, name, args);
  }
  std::int32_t Long(std::string_view name, std::vector<std::string> args = {}) {
    return Invoke(name, std::move(args)).result.number;
  }
  std::string Text(std::string_view name, std::vector<std::string> args = {}) {
    return Invoke(name, std::move(args)).result.text;
  }

  test::ScriptedLibrary library_;
  ZelkSignWeb control_{library_.Call()};
};

TEST_F(ZelkSignWebTest, SignPadServicePassesTheSequenceNumberAsThreeDigitsAtLeast) {
  const struct {
    std::string sequence;
    const char* passed;  // null: refused
  } rows[] = {
      {"12", "012"},          {"abc", "000"},          {"7", "007"},     {"1234", "1234"},
      {"", "000"},            {"12x4", "012"},         {"-5", "000"},    {"000000001", "001"},
      {"999999999", "999999999"}, {"1234567890", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.sequence);
    library_.ClearLog();
    const std::int32_t result =
        Long("SignPADService", {"CAT01", "9410", row.sequence, "m1", "\xBC\xAD\xB8\xED", "m3", "m4"});
    if (row.passed == nullptr) {
      EXPECT_EQ(result, control::kArgumentTooLong);
      EXPECT_TRUE(library_.log().empty());
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(library_.log(), Log{"2\tCAT01\t9410\t" + std::string(row.passed) + "\tm1\t\xBC\xAD\xB8\xED\tm3\tm4"});
    }
  }
}

TEST_F(ZelkSignWebTest, SignDataIsTheBase64OfAsManyBytesAsItsLengthGives) {
  const struct {
    std::string data;    // hex
    std::string length;  // the length text
    const char* base64;
  } rows[] = {
      {"0100020003ff", "5", "AQACAAM="},
      {"0102", "0", ""},
      {"0102", "", ""},
      {"0102", "abc", ""},
      {"", "2048", nullptr},
      {"0102", "2049", ""},
      {"0102", "99999999999", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.length);
    library_.ClearLog();
    library_.Answer("4\t0\tsign.bmp\thex:" + row.data + "\t" + row.length + "\tHASH");
    const std::string text = Text("GetSignPADSignData");
    if (row.base64 == nullptr) {
      EXPECT_EQ(text.size(), 2732u) << "all 2048 bytes";
    } else {
      EXPECT_EQ(text, row.base64);
    }
    EXPECT_EQ(library_.log(), Log{"4\to252\to2048\to10\to40"});
  }
  EXPECT_EQ(Text("GetSignPADSignFile"), "sign.bmp");
  EXPECT_EQ(Text("GetSignPADHashData"), "HASH");
}

TEST_F(ZelkSignWebTest, MembersSharingAnOperationEachCallItAfreshAndTakeTheirOwnOutput) {
  library_.Answer("3\t0\tLCD\tDEF\tMODEL\tSW\tCM");
  library_.Answer("8\t0\tSERIAL\tSWV\tCSN\tMV");
  library_.Answer("12\t0\tTT\tTEL\tPM");
  library_.Answer("13\t0\tCT\tCVM\t" + std::string(40, 'I'));
  library_.Answer("6\t0\tPIN\tIDX");
  const std::pair<const char*, std::string> rows[] = {
      {"GetSignPADLcdType", "LCD"},     {"GetSignPADDefFunction", "DEF"},  {"GetSignPADModelNo", "MODEL"},
      {"GetSignPADSWVersion", "SW"},    {"GetSignPADCompressMethod", "CM"}, {"GetDongleLoginSerialNo", "SERIAL"},
      {"GetDongleLoginSWVersion", "SWV"}, {"GetDongleLoginSAMCSN", "CSN"},  {"GetDongleLoginMemberVersion", "MV"},
      {"GetDongleCardTranType", "TT"},  {"GetDongleCardTelecomType", "TEL"}, {"GetDongleCardPaymentMethod", "PM"},
      {"GetDongleCreditCardType", "CT"}, {"GetDongleCreditCVMInfo", "CVM"},
      {"GetDongleCreditCardInfo", std::string(39, 'I')},
      {"GetPinPADPinData", "PIN"},      {"GetPinPADEncIndex", "IDX"},
  };
  for (const auto& [member, value] : rows) EXPECT_EQ(Text(member), value) << member;
  const Log& log = library_.log();
  ASSERT_EQ(log.size(), std::size(rows));
  EXPECT_EQ(log[0], "3\to20\to20\to20\to20\to20");
  EXPECT_EQ(log[4], log[0]);
  EXPECT_EQ(log[5], "8\to20\to20\to20\to20");
  EXPECT_EQ(log[9], "12\to20\to20\to20");
  EXPECT_EQ(log[12], "13\to20\to20\to40");
  EXPECT_EQ(log[15], "6\to252\to252");

  library_.ClearLog();
  library_.Answer("16\t0\t\xBB\xEF\xBC\xBA\tINFO-2");
  EXPECT_EQ(Text("GetDongleEtcCardName", {"2"}), "\xBB\xEF\xBC\xBA");
  EXPECT_EQ(Text("GetDongleEtcCardInfo", {"2"}), "INFO-2");
  EXPECT_EQ(library_.log(), (Log{"16\t2\to40\to40", "16\t2\to40\to40"}));
}

TEST_F(ZelkSignWebTest, LongAndTextArgumentsReachTheLibraryInOrder) {
  const struct {
    const char* member;
    std::vector<std::string> args;
    const char* logged;
  } rows[] = {
      {"SetDisplayOption", {"1", "-10", "+20"}, "1\t1\t-10\t20"},
      {"SetViewOption", {"2"}, "18\t2"},
      {"PinPADService", {"1", "2", "9410", "a", "b"}, "5\t1\t2\t9410\ta\tb"},
      {"SetTPKData", {"01", "TPK"}, "15\t01\tTPK"},
      {"DongleLogin", {"CAT01"}, "7\tCAT01"},
      {"SetDongleMemberSet", {"CAT01", "V1", "A|B", "|"}, "10\tCAT01\tV1\tA|B\t|"},
      {"DongleCardInfo", {"001", "CAT01", "3", "M1", "4", "M2"}, "11\t001\tCAT01\t3\tM1\t4\tM2"},
      {"SetKeyboardCommand", {"1", "13", "OK", "27", "\xC3\xEB\xBC\xD2"}, "17\t1\t13\tOK\t27\t\xC3\xEB\xBC\xD2"},
      {"GetDongleEtcCardCount", {}, "14"},
      {"GetExDeviceLogonInfo", {}, "23"},
  };
  for (const auto& row : rows) {
    library_.Answer(test::SplitTabs(row.logged)[0] + "\t3");
    EXPECT_EQ(Long(row.member, row.args), 3) << row.member;
    EXPECT_EQ(library_.log().back(), row.logged);
  }
  library_.ClearLog();
  EXPECT_EQ(Invoke("DongleCardInfo", {"001", "CAT01", "three", "M1", "4", "M2"}).error,
            control::InvokeError::NotANumber);
  EXPECT_TRUE(library_.log().empty());
}

TEST_F(ZelkSignWebTest, ExternalDeviceTextsFillTheirBuffersAtMost) {
  const std::pair<const char*, std::size_t> rows[] = {
      {"GetExDevProductNum", 32}, {"GetExDevHWVer", 32}, {"GetExDevSWVer", 32},
      {"GetExDevSAMInfo", 256},   {"GetDongleErrorCode", 20},
  };
  for (const auto& [member, bytes] : rows) {
    library_.ClearLog();
    EXPECT_EQ(Text(member), "");
    const std::string key = test::SplitTabs(library_.log()[0])[0];
    EXPECT_EQ(library_.log()[0], key + "\to" + std::to_string(bytes)) << member;
    library_.Answer(key + "\t0\t" + std::string(bytes, 'S'));
    EXPECT_EQ(Text(member), std::string(bytes - 1, 'S')) << member;
  }
}

}  // namespace
}  // namespace kavorin::web
