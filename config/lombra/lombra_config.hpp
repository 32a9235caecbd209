#pragma once
// CLombraConfig: the PC-side settings of the LOMBRA PC network terminal, as
// its service reads them from the registry:
//
//   HKLM\SOFTWARE\TORQ\LOMBRA\Communication   HOST (text), PORTCount, PORT, LOGHIDE
//   HKLM\SOFTWARE\TORQ\LOMBRA\LIST1 .. LISTn  COMPORT (text), SPEED, DATABIT,
//                                             PARITYBIT, STOPBIT, Active
//
// Operations answer true or false; a false sets the last error (a code of
// LombraError and a CP949 message). Every step and every error also goes to
// the field-test log. Indexes are 1-based positions in the port list; a
// "save" flag writes the change to the registry at once.
//
// Two things differ from a plain read-modify-write store, both so that no
// failure loses settings:
//  * Rebuilding after a failed read adds the default "COM1" entry only when
//    the list has no entry for that port, so the rebuild always succeeds
//    and the settings can be repaired from the dialog.
//  * Deleting an entry writes the remaining ones under their new key names
//    first and deletes only the keys beyond the new count afterwards; a
//    failure part-way leaves every remaining entry stored and reports the
//    delete as failed.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/lombra/field_test_log.hpp"
#include "config/registry/registry_store.hpp"

namespace kavorin {

enum LombraError : int {
  kLombraOk = 0,
  kLombraDuplicatePort = -1,
  kLombraNotFound = -2,
  kLombraSectionNotSaved = -10,
  kLombraValueNotWritten = -100,
  kLombraKeyNotOpened = -101,
  kLombraValueNotRead = -102,
  kLombraEntryNotCreated = -103,
  kLombraKeyNotDeleted = -104,
  kLombraSettingNotWritten = -105,
};

inline constexpr char kLombraRootPath[] = "SOFTWARE\\TORQ\\LOMBRA";
inline constexpr char kCommunicationSection[] = "Communication";
// The section name of the port entries.
inline constexpr char kPortSection[] = "";

// Texts are read into 256 bytes with their NUL; names and addresses are
// therefore at most 255 bytes. Value names of the device map are read into
// 260 bytes.
inline constexpr std::size_t kLombraTextBytes = 256;
inline constexpr std::size_t kLombraMaxTextLength = kLombraTextBytes - 1;
inline constexpr std::size_t kDeviceMapNameBytes = 260;

// The defaults written when the store is missing or unreadable.
inline constexpr char kDefaultServerHost[] = "lombra.torq.example";
inline constexpr int kDefaultServerPort = 9001;
inline constexpr int kDefaultLogOption = 1;

struct ComInfo {
  std::string regKey;  // "LIST1", "LIST2", ... in list order
  std::string port;    // "COM1"
  int speed = 9600;
  int dataBits = 8;
  int parity = 0;    // 0 none, 1 even, 2 odd
  int stopBits = 0;  // 0 one, 1 one and a half, 2 two
  int active = 1;    // 1 = in use
};

class CLombraConfig {
 public:
  // Finds the serial ports of this machine (the device map on Windows).
  using PortFinder = std::function<std::vector<std::string>(const FieldTestLog&)>;

  CLombraConfig(RegistryStore& registry, FieldTestLog log, PortFinder findPorts);

  bool ReadConfig();
  bool ReadConfigSection(std::string_view section);
  bool WriteConfigSection(std::string_view section);
  bool ReadConfigString(std::string_view section, std::string_view name, std::string& output);

  bool AddComInfo(std::string_view port, int speed, int dataBits, int parity, int stopBits, int active, bool save);
  bool GetComInfo(int index, ComInfo& output);
  bool UpdateComInfo(int index, std::string_view port, int speed, int dataBits, int parity, int stopBits, int active);
  bool DeleteComInfo(std::string_view port);
  int FindComPort(std::string_view port) const;
  bool GetRegKey(int index, std::string& output);
  bool GetComPortName(int index, std::string& output);

  bool SetHost(std::string_view host, bool save);
  bool SetPortCount(int count, bool save);
  bool SetServerPort(int port, bool save);
  bool SetLogOption(int option, bool save);

  void EnumInstalledPorts();
  void Reset();

  const std::string& host() const { return host_; }
  int serverPort() const { return serverPort_; }
  int logOption() const { return logOption_; }
  int comPortCount() const { return m_iComPortCount; }
  const std::vector<ComInfo>& ports() const { return ports_; }
  const std::vector<std::string>& installedPorts() const { return installedPorts_; }
  int lastErrorCode() const { return lastErrorCode_; }
  const std::string& lastErrorMessage() const { return lastErrorMessage_; }  // CP949
  const FieldTestLog& log() const { return log_; }

 private:
  enum class General { kHost, kPortCount, kServerPort, kLogOption };

  std::string KeyPath(std::string_view section) const;
  bool Fail(int code, const std::string& message);
  bool FailText(int code, const char* utf8);
  bool ReadGeneral();
  bool ReadEntries();
  bool WriteGeneralValue(General which);
  template <class Value>
  bool SetGeneral(Value& field, Value value, General which, bool save);
  bool WriteEntry(const ComInfo& entry);
  bool WriteEntries(const std::vector<ComInfo>& entries);
  bool RebuildWithDefaults();
  const ComInfo* Entry(int index) const;

  RegistryStore& registry_;
  FieldTestLog log_;
  PortFinder findPorts_;

  std::string m_strSubPath = kLombraRootPath;
  int m_iComPortCount = 0;
  std::string host_;
  int serverPort_ = 0;
  int logOption_ = 0;
  std::vector<ComInfo> ports_;
  std::vector<std::string> installedPorts_;
  int lastErrorCode_ = kLombraOk;
  std::string lastErrorMessage_;
};

// The store of this machine: its registry, its field-test log, its ports.
CLombraConfig MachineLombraConfig();

}  // namespace kavorin
