#pragma once
// The rules and texts of the smart reader and device dialogs. In this
// system they are front ends only: they collect input, check a little and
// answer with fixed messages; no device, file or registry is touched.
// Texts returned here are CP949.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/daily_log.hpp"

namespace kavorin {

// Every message of these dialogs has this caption.
std::string DeviceNoticeCaption();

// Reader initialisation: the question (Yes/No) and, whatever the answer,
// the result.
std::string SessionKeyQuestionCaption();
std::string SessionKeyQuestion();
std::string ReaderInitialisedMessage();

// Firmware update: the file dialog's filter (MFC form, '|' separated) and
// default extension, and the answer of "업데이트" for the chosen path.
inline constexpr char kFirmwareFilter[] = "Firmware (*.dorvn)|*.dorvn|All Files (*.*)|*.*||";
inline constexpr char kFirmwareExtension[] = "*.dorvn";
inline constexpr std::size_t kFirmwarePathBytes = 1024;
std::string FirmwareUpdateMessage(std::string_view chosenPath);

// Reader time: fourteen digits, YYYYMMDDHHMMSS.
std::string ReaderTimeText(const LocalTime& when);
std::string ReaderTimeDoneMessage();

// KAVSMART settings.
struct ComboChoices {
  std::vector<std::string> items;
  std::optional<int> selected;
};
// The two security modes; "암호화" when the current mode is "TCP_SECURE".
ComboChoices SecurityChoices(std::string_view currentMode);
// `items` (UTF-8) with the current value selected; a current value that is
// not among them comes first, followed by `invalidSuffix`, and is selected.
ComboChoices ChoicesWithCurrent(const std::vector<std::string>& items, std::string_view current,
                                const char* invalidSuffix);
inline constexpr char kInvalidPortSuffix[] = "(유효하지 않은 포트)";
inline constexpr char kInvalidSpeedSuffix[] = "(유효하지 않은 Baudrate)";
std::vector<std::string> ReaderSpeedItems();
// The signature window sizes; the item at the current size minus one is
// selected (none when the size is not a number from 1 to 4).
ComboChoices SignWindowChoices(std::string_view currentSize);
// Changing the security mode by typing shows this text and caption.
inline constexpr char kSecurityTypedNotice[] = "Change";
// The answer of "저장" for the transaction serial number typed.
std::string KavsmartSaveMessage(std::string_view serialNumber);
// The fields are read into this many bytes (with the NUL).
inline constexpr std::size_t kKavsmartFieldBytes = 1024;

// POS download: read into 10 and 20 bytes; the answer for a response code
// and message (no download runs here: both stay empty).
inline constexpr std::size_t kTerminalNumberBytes = 10;
inline constexpr std::size_t kBusinessNumberBytes = 20;
std::string PosDownloadMessage(std::string_view responseCode, std::string_view responseMessage);

// External-device log-on (none is performed here).
std::string DeviceLogonMessage(bool succeeded);

}  // namespace kavorin
