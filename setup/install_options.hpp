#pragma once
// The rules of the installation-options dialog (Konfira): its defaults,
// the port lists and what "확인" writes into which ini file.
#include <string>
#include <string_view>
#include <vector>

#include "config/registry/registry_store.hpp"

namespace kavorin::setup {

// The ini files are written here whatever folder the set went to.
inline constexpr char kIniFolder[] = "C:\\Program Files\\HALVERON\\WEB\\";

// Approval server defaults and the test values the dialog shows as hints.
// The addresses and names are documentation ones until a real server is
// assigned to a merchant.
inline constexpr char kDefaultServerAddress[] = "203.0.113.10";
inline constexpr char kDefaultServerPort[] = "22065";
inline constexpr char kDefaultServerHost[] = "approval.halveron.example";
inline constexpr char kTestServerAddress[] = "198.51.100.20";
inline constexpr char kTestServerPort[] = "22065";
inline constexpr char kTestServerHost[] = "test.halveron.example";
inline constexpr char kTestTerminalNumber[] = "90000001";
inline constexpr std::size_t kTerminalNumberLength = 8;

// What the dialog holds when "확인" is pressed (CP949).
struct OptionsInput {
  bool readerChecked = false;     // box 1001
  bool terminalChecked = false;   // box 1002
  std::string readerPort;         // list 1003
  std::string terminalPort;       // list 1005
  std::string serverAddress;      // 1012
  std::string serverHost;         // 1013
  std::string serverPort;         // 1009
  std::string terminalNumber;     // 1014
};

struct IniSetting {
  std::string file;  // full path
  std::string section;
  std::string key;
  std::string value;
  bool operator==(const IniSetting&) const = default;
};

struct OptionsDecision {
  bool badTerminalNumber = false;  // show TerminalNumberText() first
  std::vector<IniSetting> writes;  // in this order
};

OptionsDecision ConfirmOptions(const OptionsInput& input);

// Whether a port can be opened for exclusive reading and writing just now
// (it is closed again at once).
class PortProbe {
 public:
  virtual ~PortProbe() = default;
  virtual bool OpensExclusively(std::string_view deviceName) = 0;
};

inline constexpr char kSerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
inline constexpr std::size_t kPortValueNameBytes = 260;
inline constexpr std::size_t kPortNameBytes = 260;

enum PortListCode : int {
  kPortsListed = 0,
  kNoDeviceMap = -1,
  kNoPortValues = -2,
  kDeviceMapReopenFailed = -3,
  kNoUsablePort = -4,
};

struct PortList {
  int code = kPortsListed;
  std::vector<std::string> ports;  // in the map's order; the first is selected
};

// The usable serial ports. NT systems open them as "\\.\COMn", 9x systems
// by the plain name; names shorter than two characters are skipped.
PortList ListUsablePorts(RegistryStore& registry, PortProbe& probe, bool ntNames);

}  // namespace kavorin::setup
