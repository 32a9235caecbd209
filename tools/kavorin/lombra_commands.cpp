#include "tools/kavorin/lombra_commands.hpp"

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/message_box.hpp"
#include "common/text_codec.hpp"
#include "config/lombra/lombra_config.hpp"
#include "config/lombra/port_entry_rules.hpp"

namespace kavorin::cli {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;
constexpr int kStoreFailed = 3;

constexpr char kUsageText[] =
    "usage: kavorin lombra <command>   the LOMBRA PC settings ($KAVORIN_CONFIG_DIR/registry/.../SOFTWARE/TORQ/LOMBRA)\n"
    "  list                                     the server, the log option and the port entries\n"
    "  ports                                    the serial ports of this machine\n"
    "  add <port> [entry options]              a new entry (9600, 8, 없음, 1, active unless told)\n"
    "  update <port> [--port NEW] [entry options]\n"
    "  delete <port> --yes\n"
    "  server [--host ADDRESS] [--port NUMBER]  without options: show them\n"
    "  log-option on|off                        로그기록\n"
    "entry options: --speed 1200..115200 --data-bits 8|7|6|5|4 --parity 없음|짝수|홀수 (none|even|odd)\n"
    "               --stop-bits 1|1.5|2 --active yes|no\n"
    "exit status: 0 done, 1 refused by a check (nothing changed), 2 usage, 3 the store failed\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "kavorin lombra: %s\n%s", why.c_str(), kUsageText);
  return kUsage;
}

// The dialog's message box (caption and text to stderr here).
int Refuse(const std::string& cp949) {
  ShowMessageBox(LombraNoticeCaption(), cp949);
  return kRefused;
}

int StoreFailure(const CLombraConfig& config, const std::string& notice = {}) {
  if (!notice.empty()) ShowMessageBox(LombraNoticeCaption(), notice);
  std::fprintf(stderr, "kavorin lombra: %d %s\n", config.lastErrorCode(),
               Utf8FromCp949(config.lastErrorMessage()).c_str());
  return kStoreFailed;
}

// The store as the dialog opens it.
std::optional<CLombraConfig> OpenStore(bool withPorts) {
  CLombraConfig config = MachineLombraConfig();
  config.Reset();
  if (withPorts) config.EnumInstalledPorts();
  if (!config.ReadConfig()) {
    StoreFailure(config);
    return std::nullopt;
  }
  return config;
}

// --name value pairs; nothing when an option is unknown or has no value.
std::optional<std::map<std::string, std::string>> Options(int argc, char** argv,
                                                         const std::vector<std::string>& known) {
  std::map<std::string, std::string> options;
  for (int i = 0; i < argc; ++i) {
    const std::string name = argv[i];
    bool found = false;
    for (const std::string& k : known) found = found || name == "--" + k;
    if (!found || i + 1 >= argc) {
      Usage("no option " + name + (found ? " without a value" : ""));
      return std::nullopt;
    }
    options[name.substr(2)] = argv[++i];
  }
  return options;
}

// An option's value as the dialog's combo item it names (CP949); the
// English words stand for the Korean ones. Empty stays empty, for the
// dialog's own check to refuse.
template <std::size_t N>
std::optional<std::string> Choice(const std::string& option, const std::string& value,
                                  const std::array<const char*, N>& items,
                                  const std::array<const char*, N>* aliases = nullptr) {
  if (value.empty()) return std::string();
  for (std::size_t i = 0; i < N; ++i) {
    if (value == items[i] || (aliases != nullptr && value == (*aliases)[i])) return Cp949FromUtf8(items[i]);
  }
  std::string list;
  for (const char* item : items) list += std::string(list.empty() ? "" : ", ") + item;
  Usage("--" + option + " " + value + " is not one of " + list);
  return std::nullopt;
}

constexpr std::array<const char*, 3> kParityWords{"none", "even", "odd"};
constexpr char kEntryOptionNames[] = "speed data-bits parity stop-bits active";

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < text.size();) {
    const auto space = text.find(' ', at);
    words.emplace_back(text.substr(at, space - at));
    at = space == std::string_view::npos ? text.size() : space + 1;
  }
  return words;
}

// The entry dialog's fields: `start` changed by the options given.
std::optional<PortEntryFields> EntryFields(PortEntryFields fields, const std::map<std::string, std::string>& options) {
  for (const auto& [name, value] : options) {
    std::optional<std::string> chosen = value;
    if (name == "speed") {
      chosen = Choice(name, value, kSpeedItems);
      if (chosen) fields.speed = *chosen;
    } else if (name == "data-bits") {
      chosen = Choice(name, value, kDataBitItems);
      if (chosen) fields.dataBits = *chosen;
    } else if (name == "parity") {
      chosen = Choice(name, value, kParityItems, &kParityWords);
      if (chosen) fields.parity = *chosen;
    } else if (name == "stop-bits") {
      chosen = Choice(name, value, kStopBitItems);
      if (chosen) fields.stopBits = *chosen;
    } else if (name == "active") {
      if (value != "yes" && value != "no") {
        Usage("--active takes yes or no");
        return std::nullopt;
      }
      fields.active = value == "yes";
    } else if (name == "port") {
      fields.port = Cp949FromUtf8(value);
    }
    if (!chosen) return std::nullopt;
  }
  return fields;
}

int Changed() {
  ShowMessageBox(LombraNoticeCaption(), RestartServiceMessage());
  return kDone;
}

int List() {
  auto config = OpenStore(false);
  if (!config) return kStoreFailed;
  std::printf("서버 주소\t%s\n포트\t%d\n로그기록\t%s\n", Utf8FromCp949(config->host()).c_str(), config->serverPort(),
              config->logOption() == 1 ? "예" : "아니오");
  std::string header;
  for (const ListColumn& column : kPortListColumns) header += std::string(header.empty() ? "" : "\t") + column.title;
  std::printf("%s\n", header.c_str());
  for (const ComInfo& entry : config->ports()) {
    std::string row;
    for (const std::string& text : PortRowTexts(entry)) row += (row.empty() ? "" : "\t") + Utf8FromCp949(text);
    std::printf("%s\n", row.c_str());
  }
  return kDone;
}

int Ports() {
  auto config = OpenStore(true);
  if (!config) return kStoreFailed;
  for (const std::string& port : config->installedPorts()) std::printf("%s\n", Utf8FromCp949(port).c_str());
  return kDone;
}

int Add(int argc, char** argv) {
  if (argc < 1) return Usage("add needs a port");
  auto options = Options(argc - 1, argv + 1, Words(kEntryOptionNames));
  if (!options) return kUsage;
  auto config = OpenStore(false);
  if (!config) return kStoreFailed;
  const PortEntryFields start{Cp949FromUtf8(argv[0]), std::to_string(kNewEntrySpeed), std::to_string(kNewEntryDataBits),
                              Cp949FromUtf8(kParityItems[0]), kStopBitItems[0], true};
  const auto fields = EntryFields(start, *options);
  if (!fields) return kUsage;
  if (const auto refusal = CheckPortEntry(*fields, *config, 0)) return Refuse(*refusal);
  const auto entry = EntryFromFields(*fields);
  if (!entry) return Refuse(MissingFieldMessage());
  if (!config->AddComInfo(entry->port, entry->speed, entry->dataBits, entry->parity, entry->stopBits, entry->active,
                          true)) {
    return StoreFailure(*config, AddFailedMessage());
  }
  return Changed();
}

int Update(int argc, char** argv) {
  if (argc < 1) return Usage("update needs the port of the entry");
  std::vector<std::string> known = Words(kEntryOptionNames);
  known.push_back("port");
  auto options = Options(argc - 1, argv + 1, known);
  if (!options) return kUsage;
  auto config = OpenStore(false);
  if (!config) return kStoreFailed;
  const int index = config->FindComPort(Cp949FromUtf8(argv[0]));
  ComInfo current;
  if (!config->GetComInfo(index, current)) return Refuse(config->lastErrorMessage());
  const auto fields = EntryFields(FieldsOf(current), *options);
  if (!fields) return kUsage;
  if (const auto refusal = CheckPortEntry(*fields, *config, index)) return Refuse(*refusal);
  const auto entry = EntryFromFields(*fields);
  if (!entry) return Refuse(MissingFieldMessage());
  if (!config->UpdateComInfo(index, entry->port, entry->speed, entry->dataBits, entry->parity, entry->stopBits,
                             entry->active)) {
    return StoreFailure(*config, UpdateFailedMessage());
  }
  return Changed();
}

int Delete(int argc, char** argv) {
  if (argc < 1) return Usage("delete needs a port");
  const bool confirmed = argc == 2 && std::strcmp(argv[1], "--yes") == 0;
  if (argc > 2 || (argc == 2 && !confirmed)) return Usage("delete takes a port and --yes");
  auto config = OpenStore(false);
  if (!config) return kStoreFailed;
  const std::string port = Cp949FromUtf8(argv[0]);
  if (config->FindComPort(port) == 0) return Refuse(SelectToDeleteMessage());
  // The dialog asks; a script says --yes.
  if (!confirmed) return Refuse(DeleteQuestion(port) + " (--yes)");
  if (!config->DeleteComInfo(port)) return StoreFailure(*config, DeleteFailedMessage(port));
  return Changed();
}

// The dialog's "확인" with the server fields or the log option changed.
int Confirm(CLombraConfig& config, const ServerSettings& settings) {
  switch (ApplyServerSettings(config, settings, false)) {
    case ConfirmOutcome::kNotSaved:
      return StoreFailure(config, config.lastErrorMessage());
    case ConfirmOutcome::kRestartService:
      return Changed();
    case ConfirmOutcome::kNothingChanged:
      break;
  }
  return kDone;
}

int Server(int argc, char** argv) {
  auto options = Options(argc, argv, {"host", "port"});
  if (!options) return kUsage;
  auto config = OpenStore(false);
  if (!config) return kStoreFailed;
  if (options->empty()) {
    std::printf("%s\t%d\n", Utf8FromCp949(config->host()).c_str(), config->serverPort());
    return kDone;
  }
  ServerSettings settings{config->host(), config->serverPort(), config->logOption()};
  if (options->contains("host")) settings.host = Cp949FromUtf8(options->at("host"));
  if (options->contains("port")) {
    // The dialog's field takes up to five digits.
    const std::string& digits = options->at("port");
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
      return Usage("--port takes a number of up to five digits");
    }
    settings.port = std::stoi(digits);
  }
  if (settings.host.size() > kLombraMaxTextLength) return Usage("--host takes at most 255 bytes");
  return Confirm(*config, settings);
}

int LogOption(int argc, char** argv) {
  if (argc != 1 || (std::strcmp(argv[0], "on") != 0 && std::strcmp(argv[0], "off") != 0)) {
    return Usage("log-option takes on or off");
  }
  auto config = OpenStore(false);
  if (!config) return kStoreFailed;
  return Confirm(*config, {config->host(), config->serverPort(), std::strcmp(argv[0], "on") == 0 ? 1 : 0});
}

}  // namespace

int RunLombra(int argc, char** argv) {
  if (argc < 1) return Usage("which command?");
  const std::string command = argv[0];
  if (command == "list" && argc == 1) return List();
  if (command == "ports" && argc == 1) return Ports();
  if (command == "add") return Add(argc - 1, argv + 1);
  if (command == "update") return Update(argc - 1, argv + 1);
  if (command == "delete") return Delete(argc - 1, argv + 1);
  if (command == "server") return Server(argc - 1, argv + 1);
  if (command == "log-option") return LogOption(argc - 1, argv + 1);
  if (command == "help" || command == "--help") {
    std::printf("%s", kUsageText);
    return kDone;
  }
  return Usage("no command " + command);
}

}  // namespace kavorin::cli
