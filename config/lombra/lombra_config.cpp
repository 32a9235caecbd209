#include "config/lombra/lombra_config.hpp"

#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <utility>

#include "common/text_codec.hpp"
#include "config/lombra/installed_ports.hpp"

namespace kavorin {
namespace {

// printf over a CP949 form of a UTF-8 format; the arguments are CP949 or
// ASCII already.
std::string Format(const char* utf8Format, ...) {
  const std::string format = Cp949FromUtf8(utf8Format);
  std::va_list args;
  va_start(args, utf8Format);
  std::va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format.c_str(), measure);
  va_end(measure);
  std::string text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size(), format.c_str(), args);
  va_end(args);
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

constexpr char kKeyNotOpened[] = "%s 를 Open 할 수 없습니다.";
constexpr char kValueNotRead[] = "%s 에 %s 값을 읽을 수 없습니다.";
constexpr char kTextNotWritten[] = "%s 에 %s = %s 값을 추가 할 수 없습니다.";
constexpr char kNumberNotWritten[] = "%s 에 %s = %d 값을 추가 할 수 없습니다.";
constexpr char kKeyNotCreated[] = "%s 를 Create 할 수 없습니다.";
constexpr char kKeyNotDeleted[] = "%s 를 Delete 할 수 없습니다.";

bool IsStorableText(std::string_view text) {
  return text.size() <= kLombraMaxTextLength && text.find('\0') == std::string_view::npos;
}

std::string EntryKeyName(std::size_t position) { return "LIST" + std::to_string(position); }

}  // namespace

namespace {

// A value of the general section: its name, what a failed read says and
// what a failed write says after the generic -100 message (none: -100
// stays the last word). In the order they are read.
struct GeneralValue {
  const char* name;
  const char* readFailure;
  const char* writeFailure;
};
constexpr GeneralValue kGeneralValues[] = {
    {"HOST", "Server Address를 읽어 올 수 없습니다.", "Server Address를 저장할 수 없습니다."},
    {"PORTCount", "PORT Count를 읽어 올 수 없습니다.", nullptr},
    {"PORT", "Server Port를 읽어 올 수 없습니다.", "Server Port를 저장할 수 없습니다."},
    {"LOGHIDE", "Log Option을 읽어 올 수 없습니다.", nullptr},
};

// A number of a port entry, in the order they are read after COMPORT.
struct EntryValue {
  const char* name;
  int ComInfo::*field;
  const char* readFailure;
  const char* writeFailure;  // code -105
};
constexpr EntryValue kEntryNumbers[] = {
    {"SPEED", &ComInfo::speed, "SPEED를 읽어 올 수 없습니다.", "SPEED를 추가할 수 없습니다."},
    {"DATABIT", &ComInfo::dataBits, "DATABIT를 읽어 올 수 없습니다.", "DATABIT를 추가할 수 없습니다."},
    {"PARITYBIT", &ComInfo::parity, "PARITYBIT를 읽어 올 수 없습니다.", "PARITYBIT를 추가할 수 없습니다."},
    {"STOPBIT", &ComInfo::stopBits, "STOPBIT를 읽어 올 수 없습니다.", "STOPBIT를 추가할 수 없습니다."},
    {"Active", &ComInfo::active, "Active를 읽어 올 수 없습니다.", "Active 를 추가할 수 없습니다."},
};
constexpr char kComPortName[] = "COMPORT";
constexpr char kComPortReadFailure[] = "COMPORT를 읽어 올 수 없습니다.";
constexpr char kComPortWriteFailure[] = "COMPORT를 추가할 수 없습니다.";

}  // namespace

CLombraConfig::CLombraConfig(RegistryStore& registry, FieldTestLog log, PortFinder findPorts)
    : registry_(registry), log_(std::move(log)), findPorts_(std::move(findPorts)) {}

std::string CLombraConfig::KeyPath(std::string_view section) const {
  return m_strSubPath + "\\" + std::string(section) + "\\";
}

bool CLombraConfig::Fail(int code, const std::string& message) {
  lastErrorCode_ = code;
  lastErrorMessage_ = message;
  log_.Debug(message);
  return false;
}

bool CLombraConfig::FailText(int code, const char* utf8) { return Fail(code, Cp949FromUtf8(utf8)); }

const ComInfo* CLombraConfig::Entry(int index) const {
  if (index < 1 || static_cast<std::size_t>(index) > ports_.size()) return nullptr;
  return &ports_[static_cast<std::size_t>(index) - 1];
}

// ---------------------------------------------------------------------------
// Reading

bool CLombraConfig::ReadConfig() {
  log_.Debug("ReadConfig");
  if (!registry_.OpenKey(m_strSubPath)) {
    Fail(kLombraKeyNotOpened, Format(kKeyNotOpened, m_strSubPath.c_str()));
    return RebuildWithDefaults();
  }
  if (!ReadConfigSection(kCommunicationSection) || !ReadConfigSection(kPortSection)) return RebuildWithDefaults();
  return true;
}

bool CLombraConfig::RebuildWithDefaults() {
  log_.Debug("ReadConfig: write the defaults");
  m_iComPortCount = 1;
  host_ = kDefaultServerHost;
  serverPort_ = kDefaultServerPort;
  logOption_ = kDefaultLogOption;
  // An entry for COM1 read before the failure stands for the default one.
  if (FindComPort("COM1") == 0 && !AddComInfo("COM1", 9600, 8, 0, 0, 1, false)) return false;
  const bool general = WriteConfigSection(kCommunicationSection);
  const bool entries = WriteConfigSection(kPortSection);
  m_iComPortCount = static_cast<int>(ports_.size());
  return general && entries;
}

bool CLombraConfig::ReadConfigSection(std::string_view section) {
  log_.Debug("ReadConfigSection(" + std::string(section) + ")");
  return section == kCommunicationSection ? ReadGeneral() : ReadEntries();
}

bool CLombraConfig::ReadConfigString(std::string_view section, std::string_view name, std::string& output) {
  const std::string path = KeyPath(section);
  if (!registry_.OpenKey(path)) return Fail(kLombraKeyNotOpened, Format(kKeyNotOpened, path.c_str()));
  auto text = registry_.ReadText(path, name, kLombraTextBytes);
  if (!text) return Fail(kLombraValueNotRead, Format(kValueNotRead, path.c_str(), std::string(name).c_str()));
  output = std::move(*text);
  return true;
}

bool CLombraConfig::ReadGeneral() {
  const std::string path = KeyPath(kCommunicationSection);
  if (!registry_.OpenKey(path)) return Fail(kLombraKeyNotOpened, Format(kKeyNotOpened, path.c_str()));
  std::string host;
  if (!ReadConfigString(kCommunicationSection, kGeneralValues[0].name, host)) {
    return FailText(kLombraValueNotRead, kGeneralValues[0].readFailure);
  }
  host_ = host;
  int* const targets[] = {&m_iComPortCount, &serverPort_, &logOption_};
  for (std::size_t i = 1; i < std::size(kGeneralValues); ++i) {
    const GeneralValue& value = kGeneralValues[i];
    const auto read = registry_.ReadNumber(path, value.name);
    if (!read) {
      Fail(kLombraValueNotRead, Format(kValueNotRead, path.c_str(), value.name));
      return FailText(kLombraValueNotRead, value.readFailure);
    }
    *targets[i - 1] = static_cast<int>(*read);
  }
  return true;
}

bool CLombraConfig::ReadEntries() {
  for (int n = 1; n <= m_iComPortCount; ++n) {
    const std::string key = EntryKeyName(static_cast<std::size_t>(n));
    const std::string path = KeyPath(key);
    if (!registry_.OpenKey(path)) return Fail(kLombraKeyNotOpened, Format(kKeyNotOpened, path.c_str()));
    ComInfo entry;
    if (!ReadConfigString(key, kComPortName, entry.port)) return FailText(kLombraValueNotRead, kComPortReadFailure);
    for (const EntryValue& value : kEntryNumbers) {
      const auto read = registry_.ReadNumber(path, value.name);
      if (!read) {
        Fail(kLombraValueNotRead, Format(kValueNotRead, path.c_str(), value.name));
        return FailText(kLombraValueNotRead, value.readFailure);
      }
      entry.*value.field = static_cast<int>(*read);
    }
    // A port listed twice keeps its first entry.
    if (FindComPort(entry.port) != 0) continue;
    if (!AddComInfo(entry.port, entry.speed, entry.dataBits, entry.parity, entry.stopBits, entry.active, false)) {
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Writing

bool CLombraConfig::WriteConfigSection(std::string_view section) {
  log_.Debug("WriteConfigSection(" + std::string(section) + ")");
  if (section == kCommunicationSection) {
    const bool written = SetHost(host_, true) && SetPortCount(m_iComPortCount, true) &&
                         SetServerPort(serverPort_, true) && SetLogOption(logOption_, true);
    return written || FailText(kLombraSectionNotSaved, "COMMUNICATION 정보를 저장 할 수 없습니다.");
  }
  return WriteEntries(ports_);
}

bool CLombraConfig::WriteEntries(const std::vector<ComInfo>& entries) {
  for (const ComInfo& entry : entries) {
    if (!WriteEntry(entry)) return FailText(kLombraSectionNotSaved, "COMPORT를 저장할 수 없습니다.");
  }
  return true;
}

bool CLombraConfig::WriteEntry(const ComInfo& entry) {
  const std::string path = KeyPath(entry.regKey);
  if (!registry_.CreateKey(path)) return Fail(kLombraEntryNotCreated, Format(kKeyNotCreated, path.c_str()));
  for (const EntryValue& value : kEntryNumbers) {
    const int number = entry.*value.field;
    if (!registry_.WriteNumber(path, value.name, static_cast<std::uint32_t>(number))) {
      Fail(kLombraValueNotWritten, Format(kNumberNotWritten, path.c_str(), value.name, number));
      return FailText(kLombraSettingNotWritten, value.writeFailure);
    }
  }
  // The port name goes last: were an entry overwritten only part of the way
  // (a delete moving entries down), it still carries the name of the entry
  // that is stored whole one key further down, and a reader skips it as a
  // repeat instead of giving the next port the wrong settings.
  if (!IsStorableText(entry.port) || !registry_.WriteText(path, kComPortName, entry.port)) {
    Fail(kLombraValueNotWritten, Format(kTextNotWritten, path.c_str(), kComPortName, entry.port.c_str()));
    return FailText(kLombraEntryNotCreated, kComPortWriteFailure);
  }
  return true;
}

bool CLombraConfig::WriteGeneralValue(General which) {
  const GeneralValue& value = kGeneralValues[static_cast<std::size_t>(which)];
  const std::string path = KeyPath(kCommunicationSection);
  if (!registry_.CreateKey(path)) return Fail(kLombraEntryNotCreated, Format(kKeyNotCreated, path.c_str()));
  bool written = false;
  if (which == General::kHost) {
    written = IsStorableText(host_) && registry_.WriteText(path, value.name, host_);
    if (!written) Fail(kLombraValueNotWritten, Format(kTextNotWritten, path.c_str(), value.name, host_.c_str()));
  } else {
    const int number = which == General::kPortCount    ? static_cast<int>(ports_.size())
                       : which == General::kServerPort ? serverPort_
                                                       : logOption_;
    written = registry_.WriteNumber(path, value.name, static_cast<std::uint32_t>(number));
    if (!written) Fail(kLombraValueNotWritten, Format(kNumberNotWritten, path.c_str(), value.name, number));
  }
  if (!written && value.writeFailure != nullptr) return FailText(kLombraSettingNotWritten, value.writeFailure);
  return written;
}

// Stores a general value; with save it is written first and kept only when
// the write succeeded.
template <class Value>
bool CLombraConfig::SetGeneral(Value& field, Value value, General which, bool save) {
  Value previous = std::exchange(field, std::move(value));
  if (save && !WriteGeneralValue(which)) {
    field = std::move(previous);
    return false;
  }
  return true;
}

bool CLombraConfig::SetHost(std::string_view host, bool save) {
  log_.Debug("SetHost(" + std::string(host.substr(0, kLombraTextBytes)) + ", " + std::to_string(save) + ")");
  return SetGeneral(host_, std::string(host), General::kHost, save);
}

bool CLombraConfig::SetPortCount(int count, bool save) {
  // The count written is the list's own size; the value given is what the
  // next read of the entries goes by.
  log_.Debug("SetPortCount(" + std::to_string(count) + ", " + std::to_string(save) + ")");
  if (save && !WriteGeneralValue(General::kPortCount)) return false;
  m_iComPortCount = count;
  return true;
}

bool CLombraConfig::SetServerPort(int port, bool save) {
  log_.Debug("SetServerPort(" + std::to_string(port) + ", " + std::to_string(save) + ")");
  return SetGeneral(serverPort_, port, General::kServerPort, save);
}

bool CLombraConfig::SetLogOption(int option, bool save) {
  log_.Debug("SetLogOption(" + std::to_string(option) + ", " + std::to_string(save) + ")");
  return SetGeneral(logOption_, option, General::kLogOption, save);
}

// ---------------------------------------------------------------------------
// The port list

bool CLombraConfig::AddComInfo(std::string_view port, int speed, int dataBits, int parity, int stopBits, int active,
                               bool save) {
  log_.Debug(Format("AddComInfo(%s, %d, %d, %d, %d, %d, %d)", std::string(port.substr(0, kLombraTextBytes)).c_str(),
                    speed, dataBits, parity, stopBits, active, save ? 1 : 0));
  if (port.empty()) return FailText(kLombraNotFound, "추가할 COMPORT를 찾을 수 없습니다.");
  if (!IsStorableText(port)) return FailText(kLombraEntryNotCreated, kComPortWriteFailure);
  if (FindComPort(port) != 0) return FailText(kLombraDuplicatePort, "COMPORT 를 추가할 수 없습니다.");
  ports_.push_back({EntryKeyName(ports_.size() + 1), std::string(port), speed, dataBits, parity, stopBits, active});
  if (save && !(WriteEntry(ports_.back()) && SetPortCount(static_cast<int>(ports_.size()), true))) {
    ports_.pop_back();
    return false;
  }
  return true;
}

bool CLombraConfig::GetComInfo(int index, ComInfo& output) {
  const ComInfo* entry = Entry(index);
  if (entry == nullptr) return FailText(kLombraNotFound, "COMPORT를 찾을 수 없습니다.");
  output = *entry;
  return true;
}

bool CLombraConfig::UpdateComInfo(int index, std::string_view port, int speed, int dataBits, int parity, int stopBits,
                                  int active) {
  log_.Debug(Format("UpdateComInfo(%d, %s, %d, %d, %d, %d, %d)", index,
                    std::string(port.substr(0, kLombraTextBytes)).c_str(), speed, dataBits, parity, stopBits, active));
  const ComInfo* entry = Entry(index);
  if (entry == nullptr) return FailText(kLombraNotFound, "Update할 COMPORT를 찾을 수 없습니다.");
  const int holder = FindComPort(port);
  if (holder != 0 && holder != index) return FailText(kLombraDuplicatePort, "COMPORT 를 추가할 수 없습니다.");
  if (port.empty() || !IsStorableText(port)) return FailText(kLombraSectionNotSaved, "COMPORT를 저장할 수 없습니다.");
  const ComInfo updated{entry->regKey, std::string(port), speed, dataBits, parity, stopBits, active};
  if (!WriteEntry(updated)) return false;
  ports_[static_cast<std::size_t>(index) - 1] = updated;
  return true;
}

bool CLombraConfig::DeleteComInfo(std::string_view port) {
  log_.Debug("DeleteComInfo(" + std::string(port.substr(0, kLombraTextBytes)) + ")");
  std::size_t found = ports_.size();
  for (std::size_t i = 0; i < ports_.size() && found == ports_.size(); ++i) {
    if (ports_[i].port == port) found = i;
  }
  if (found == ports_.size()) return FailText(kLombraNotFound, "COMPORT를 삭제 할 수 없습니다.");

  std::vector<ComInfo> remaining = ports_;
  remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(found));
  for (std::size_t i = 0; i < remaining.size(); ++i) remaining[i].regKey = EntryKeyName(i + 1);

  // New keys and the new count first: until the count is written the old
  // count still names every remaining entry (the last one twice, and a
  // reader skips the repeat); only then do the keys past the end go.
  const std::vector<ComInfo> before = std::exchange(ports_, remaining);
  if (!WriteEntries(ports_) || !WriteGeneralValue(General::kPortCount)) {
    ports_ = before;
    return false;
  }
  m_iComPortCount = static_cast<int>(ports_.size());
  for (std::size_t n = ports_.size() + 1; n <= before.size(); ++n) {
    const std::string path = KeyPath(EntryKeyName(n));
    if (!registry_.DeleteKey(path)) log_.Debug(Format(kKeyNotDeleted, path.c_str()));
  }
  return true;
}

int CLombraConfig::FindComPort(std::string_view port) const {
  for (std::size_t i = ports_.size(); i > 0; --i) {
    if (ports_[i - 1].port == port) return static_cast<int>(i);
  }
  return 0;
}

bool CLombraConfig::GetRegKey(int index, std::string& output) {
  const ComInfo* entry = Entry(index);
  if (entry == nullptr) return FailText(kLombraNotFound, "Registry Key를 찾을 수 없습니다.");
  output = entry->regKey;
  return true;
}

bool CLombraConfig::GetComPortName(int index, std::string& output) {
  const ComInfo* entry = Entry(index);
  if (entry == nullptr) return FailText(kLombraNotFound, "COM Port를 찾을 수 없습니다.");
  output = entry->port;
  return true;
}

void CLombraConfig::EnumInstalledPorts() {
  log_.Debug("EnumInstalledPorts");
  installedPorts_ = findPorts_ ? findPorts_(log_) : std::vector<std::string>{};
}

void CLombraConfig::Reset() {
  m_strSubPath = kLombraRootPath;
  m_iComPortCount = 0;
  host_.clear();
  serverPort_ = 0;
  logOption_ = 0;
  ports_.clear();
  installedPorts_.clear();
  lastErrorCode_ = kLombraOk;
  lastErrorMessage_.clear();
}

CLombraConfig MachineLombraConfig() {
  return CLombraConfig(MachineRegistry(), FieldTestLog(), &FindInstalledPorts);
}

}  // namespace kavorin
