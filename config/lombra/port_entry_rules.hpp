#pragma once
// What the LOMBRA PC settings dialog shows and checks, shared by the
// Windows dialog and the Linux command line so that both say the same
// thing: the list's columns and row texts, the fixed choices of the entry
// dialog, its checks, the rule of "확인" and every message. Texts returned
// here are CP949.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "config/lombra/lombra_config.hpp"

namespace kavorin {

struct ListColumn {
  const char* title;  // UTF-8
  int width;          // pixels
};
inline constexpr std::array<ListColumn, 6> kPortListColumns{{
    {"포트", 50}, {"속도", 50}, {"데이터비트", 78}, {"패리티비트", 78}, {"정지비트", 60}, {"활성화", 50}}};

// The fixed items of the entry dialog's combo boxes, in order (UTF-8).
inline constexpr std::array<const char*, 10> kSpeedItems{"1200",  "2400",  "4800",  "9600",  "14400",
                                                         "19200", "38400", "56000", "57600", "115200"};
inline constexpr std::array<const char*, 5> kDataBitItems{"8", "7", "6", "5", "4"};
inline constexpr std::array<const char*, 3> kParityItems{"없음", "짝수", "홀수"};
inline constexpr std::array<const char*, 3> kStopBitItems{"1", "1.5", "2"};

// A new entry starts at 9600, 8, "없음", "1", active.
inline constexpr int kNewEntrySpeed = 9600;
inline constexpr int kNewEntryDataBits = 8;

// One row of the list: port, speed, data bits, parity, stop bits, active.
std::array<std::string, 6> PortRowTexts(const ComInfo& entry);
std::string ParityText(int parity);
std::string StopBitText(int stopBits);
std::string ActiveText(int active);

// The entry dialog's fields as its controls hold them (CP949 texts).
struct PortEntryFields {
  std::string port;
  std::string speed;
  std::string dataBits;
  std::string parity;
  std::string stopBits;
  bool active = true;
};

// The fields of an entry as the dialog shows them.
PortEntryFields FieldsOf(const ComInfo& entry);

// The checks of the entry dialog's OK, in order: every field filled in, the
// port not in the list (the row being edited, 1-based, excepted; 0 when
// adding). Returns the message to show, or nothing when the entry may be
// applied.
std::optional<std::string> CheckPortEntry(const PortEntryFields& fields, const CLombraConfig& config,
                                          int editedIndex);

// The entry's numbers from checked fields; nothing when a field is not one
// of the dialog's choices.
std::optional<ComInfo> EntryFromFields(const PortEntryFields& fields);

// The rule of "확인": the server address, port and log option are saved
// together when any of them changed; the user is told to restart the
// service when they were saved or the list changed.
struct ServerSettings {
  std::string host;  // CP949
  int port = 0;
  int logOption = 0;
};
enum class ConfirmOutcome { kNothingChanged, kRestartService, kNotSaved };
ConfirmOutcome ApplyServerSettings(CLombraConfig& config, const ServerSettings& settings, bool listChanged);

// Messages of the settings dialog, all shown with this caption.
std::string LombraNoticeCaption();
std::string MissingFieldMessage();
std::string PortListedMessage(std::string_view port);
std::string AddFailedMessage();
std::string UpdateFailedMessage();
std::string SelectToDeleteMessage();
std::string DeleteQuestion(std::string_view port);
std::string DeleteFailedMessage(std::string_view port);
std::string RestartServiceMessage();

}  // namespace kavorin
