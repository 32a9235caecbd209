// What the settings and device dialogs show and check (and the command line
// with them).
#include <gtest/gtest.h>

#include "common/text_codec.hpp"
#include "config/lombra/device_dialog_rules.hpp"
#include "config/lombra/port_entry_rules.hpp"
#include "tests/config/fake_registry.hpp"

namespace kavorin {
namespace {

std::string Cp949(const char* utf8) { return Cp949FromUtf8(utf8); }
std::string Utf8(const std::string& cp949) { return Utf8FromCp949(cp949); }

TEST(PortEntryRules, RowsShowTheValuesAsWords) {
  const std::pair<ComInfo, std::array<const char*, 6>> rows[] = {
      {{"LIST1", "COM1", 9600, 8, 0, 0, 1}, {"COM1", "9600", "8", "없음", "1", "예"}},
      {{"LIST2", "COM3", 115200, 7, 1, 1, 0}, {"COM3", "115200", "7", "짝수", "1.5", "아니오"}},
      {{"LIST3", "COM4", 1200, 5, 2, 2, 2}, {"COM4", "1200", "5", "홀수", "2", "아니오"}},
  };
  for (const auto& [entry, texts] : rows) {
    const auto row = PortRowTexts(entry);
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(Utf8(row[i]), texts[i]) << entry.port << " " << i;
  }
  // The very bytes of the words.
  EXPECT_EQ(ParityText(1), "\xC2\xA6\xBC\xF6");
  EXPECT_EQ(ActiveText(1), "\xBF\xB9");
}

TEST(PortEntryRules, TheEntryChecksComeInOrder) {
  test::FakeRegistry registry;
  CLombraConfig config(registry, FieldTestLog("/dev/null"), {});
  ASSERT_TRUE(config.ReadConfig());  // COM1
  ASSERT_TRUE(config.AddComInfo("COM3", 9600, 8, 0, 0, 1, true));
  const PortEntryFields good{"COM5", "9600", "8", Cp949("없음"), "1", true};
  const std::string missing = "작성되지 않은 항목이 존재하여 적용 할 수 없습니다.";
  struct Case {
    PortEntryFields fields;
    int edited;
    std::optional<std::string> message;
  };
  auto with = [&](auto change) {
    PortEntryFields fields = good;
    change(fields);
    return fields;
  };
  const Case cases[] = {
      {good, 0, std::nullopt},
      {with([](auto& f) { f.port.clear(); }), 0, missing},
      {with([](auto& f) { f.speed.clear(); }), 0, missing},
      {with([](auto& f) { f.dataBits.clear(); }), 0, missing},
      {with([](auto& f) { f.parity.clear(); }), 0, missing},
      {with([](auto& f) { f.stopBits.clear(); }), 0, missing},
      {with([](auto& f) { f.port = "COM3"; }), 0, "변경할 COM3 포트가 리스트에 존재 하여 적용 할 수 없습니다."},
      {with([](auto& f) { f.port = "COM3"; }), 1, "변경할 COM3 포트가 리스트에 존재 하여 적용 할 수 없습니다."},
      {with([](auto& f) { f.port = "COM3"; }), 2, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto message = CheckPortEntry(c.fields, config, c.edited);
    EXPECT_EQ(message ? std::optional(Utf8(*message)) : std::nullopt, c.message) << c.fields.port << c.edited;
  }
  const auto entry = EntryFromFields(with([](auto& f) {
    f.parity = Cp949("홀수");
    f.stopBits = "1.5";
    f.active = false;
  }));
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->parity, 2);
  EXPECT_EQ(entry->stopBits, 1);
  EXPECT_EQ(entry->active, 0);
  EXPECT_FALSE(EntryFromFields(with([](auto& f) { f.speed = "fast"; })));
  EXPECT_FALSE(EntryFromFields(with([](auto& f) { f.parity = "none"; })));
}

TEST(PortEntryRules, ConfirmSavesTheServerValuesOnlyWhenOneChanged) {
  test::FakeRegistry registry;
  CLombraConfig config(registry, FieldTestLog("/dev/null"), {});
  ASSERT_TRUE(config.ReadConfig());
  const ServerSettings same{config.host(), 9001, 1};
  EXPECT_EQ(ApplyServerSettings(config, same, false), ConfirmOutcome::kNothingChanged);
  EXPECT_EQ(ApplyServerSettings(config, same, true), ConfirmOutcome::kRestartService);
  EXPECT_EQ(ApplyServerSettings(config, {config.host(), 9001, 0}, false), ConfirmOutcome::kRestartService);
  EXPECT_EQ(registry.Get("SOFTWARE\\TORQ\\LOMBRA\\Communication", "LOGHIDE"), test::FakeRegistry::Value(0u));
  registry.unwritable.insert("SOFTWARE\\TORQ\\LOMBRA\\Communication|PORT");
  EXPECT_EQ(ApplyServerSettings(config, {"other", 1, 0}, false), ConfirmOutcome::kNotSaved);
  EXPECT_EQ(Utf8(config.lastErrorMessage()), "Server Port를 저장할 수 없습니다.");

  EXPECT_EQ(Utf8(LombraNoticeCaption()), "LOMBRA PC 알림");
  EXPECT_EQ(Utf8(DeleteQuestion("COM3")), "COM3 포트를 정말로 삭제 하시겠습니까?");
  EXPECT_EQ(Utf8(DeleteFailedMessage("COM3")), "COM3 포트를 삭제 하는데 실패 하였습니다.");
  EXPECT_EQ(Utf8(RestartServiceMessage()), "변경된 값을 적용 하기 위해서는 서비스를 재 시작 하셔야 합니다.");
}

TEST(DeviceDialogRules, AnswersAndChoices) {
  EXPECT_EQ(ReaderTimeText({2026, 12, 7, 9, 5, 3}), "20261207090503");
  EXPECT_EQ(Utf8(KavsmartSaveMessage("123456")), "저장 되었습니다.!");
  EXPECT_EQ(Utf8(KavsmartSaveMessage("1234567")), "잘못된 거래 일련 번호 입니다!");
  EXPECT_EQ(Utf8(PosDownloadMessage("", "")), "POS 다운로드 실패! [][]");
  EXPECT_EQ(Utf8(PosDownloadMessage("0000", "")), "POS 다운로드 성공! (단말기 번호 설정)");
  EXPECT_EQ(Utf8(FirmwareUpdateMessage("")), "펌웨어를 선택해 주세요!");
  EXPECT_EQ(Utf8(FirmwareUpdateMessage("C:\\fw.dorvn")), "펌웨어 업데이트 완료!");

  const ComboChoices ports = ChoicesWithCurrent({"COM1", "COM3"}, "", kInvalidPortSuffix);
  ASSERT_EQ(ports.items.size(), 3u);
  EXPECT_EQ(Utf8(ports.items[0]), "(유효하지 않은 포트)");
  EXPECT_EQ(ports.selected, 0);
  const ComboChoices speeds = ChoicesWithCurrent(ReaderSpeedItems(), "38400", kInvalidSpeedSuffix);
  EXPECT_EQ(speeds.items.size(), 5u);
  EXPECT_EQ(speeds.selected, 2);
  EXPECT_EQ(SecurityChoices("TCP_SECURE").selected, 0);
  EXPECT_EQ(SecurityChoices("").selected, 1);
  EXPECT_EQ(Utf8(SecurityChoices("").items[1]), "암호화 없음");
  EXPECT_EQ(SignWindowChoices("").selected, std::nullopt);
  EXPECT_EQ(SignWindowChoices("3").selected, 2);
  EXPECT_EQ(Utf8(SignWindowChoices("").items[3]), "2.5배");
}

}  // namespace
}  // namespace kavorin
