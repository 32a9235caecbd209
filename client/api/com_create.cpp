// KAVORIN_COMCreate: start the host, find the terminal's port and have the
// host open it. Also the host calls a status display makes.
#include <optional>

#include "client/api/client_platform.hpp"
#include "client/api/export_calls.hpp"
#include "contract/export_table.hpp"
#include "client/api/host_channel.hpp"
#include "client/api/link_status.hpp"
#include "common/daily_log.hpp"
#include "common/ini_file.hpp"
#include "common/message_box.hpp"
#include "common/module_folder.hpp"
#include "common/text_codec.hpp"
#include "config/port_setting.hpp"
#include "contract/service_methods.hpp"

namespace kavorin {
namespace {

void Log(const char* utf8) { WriteDailyLog("%s", Cp949FromUtf8(utf8).c_str()); }

// The ini file first; when its port cannot be opened (the running host may
// be holding it) or it names none, the registry value.
std::optional<std::string> LookUpPort(const std::string& iniPath) {
  const std::string from_ini = ReadIniString(iniPath, "General", "COM_Port", 50);
  const std::optional<std::string> from_registry = ReadStoredPort();
  if (!from_ini.empty()) {
    const std::string formatted = FormatPortForHost(from_ini);
    if (formatted.size() >= 2 && TestOpenPort(formatted) == 0) return formatted;
    return from_registry ? FormatPortForHost(*from_registry) : std::string();
  }
  if (from_registry) return FormatPortForHost(*from_registry);
  return std::nullopt;
}

}  // namespace

int ComCreateExport() {
  const std::string folder = ModuleFolder();
  const std::string ini_path = folder + kIniFileName;
  const std::string host = HostProgramPath(folder);

  RunProgram(host, "/RegServer");
  Log("[KAVORIN_COMCreate]=========================================");
  WriteDailyLog("[KAVORIN_COMCreate]Start=[%s]", host.c_str());
  RunProgram(host, "");
  WriteDailyLog("[KAVORIN_COMCreate]INI Path=[%s]", ini_path.c_str());

  const std::optional<std::string> port = LookUpPort(ini_path);
  if (!port) {
    Log("[KAVORIN_COMCreate]GetComPort() 실패");
    return -1;
  }

  int opened = 0;
  bool activated = false;
  HostStatus status = WithHost([&](HostChannel& channel) {
    // Logged once the host answers, as the activation comes before it.
    if (!activated) WriteDailyLog("[KAVORIN_COMCreate]COM PORT=[%s]", port->c_str());
    activated = true;
    ServiceReply reply;
    const HostStatus called = channel.Call(method_dispid::StartComPort, {Utf16FromCp949(*port)}, reply);
    if (called != HostStatus::kOk) return called;
    if (reply.dispatch != kDispatched || reply.outs.size() != 1 || !std::holds_alternative<std::int32_t>(reply.outs[0])) {
      return HostStatus::kFailure;
    }
    opened = std::get<std::int32_t>(reply.outs[0]);
    return HostStatus::kOk;
  });
  if (status == HostStatus::kNoInterface) {
    WriteDailyLog("[KAVORIN_COMCreate]COM PORT=[%s]", port->c_str());
    Log("[KAVORIN_COMCreate]KAVORINComm 찾기 실패");
  }
  if (status == HostStatus::kUntrusted) {
    Log("[KAVORIN_COMCreate]COM PORT 생성 실패");
    return kHostUntrusted;
  }
  if (status == HostStatus::kFailure || status == HostStatus::kEnding) {
    Log("[KAVORIN_COMCreate]COM PORT 생성 실패");
    ShowMessageBox(kComErrorCaption, Cp949FromUtf8(ExportByOrdinal(1).failureText));
    return kHostFailure;
  }
  // Only the value 1 opens: a VARIANT_TRUE (-1) is not the host's answer.
  return status == HostStatus::kOk && opened == 1 ? kExportOk : kHostRefused;
}

LinkStatusHost MakeLinkStatusHost() {
  LinkStatusHost host;
  host.statusCheck = []() -> std::optional<int> {
    std::optional<int> status;
    WithHost([&](HostChannel& channel) {
      ServiceReply reply;
      const HostStatus called = channel.Call(method_dispid::StatusCheck, {}, reply);
      if (called == HostStatus::kOk && reply.outs.size() == 1 && std::holds_alternative<std::int32_t>(reply.outs[0])) {
        status = std::get<std::int32_t>(reply.outs[0]);
      }
      return called;
    });
    return status;
  };
  host.displayData = []() -> std::string {
    std::string text;
    WithHost([&](HostChannel& channel) {
      ServiceReply reply;
      const HostStatus called = channel.Call(method_dispid::GetDisplayData, {}, reply);
      if (called == HostStatus::kOk && reply.outs.size() == 2 && std::holds_alternative<std::u16string>(reply.outs[1])) {
        text = Utf8FromUtf16(std::get<std::u16string>(reply.outs[1]));
      }
      return called;
    });
    return text;
  };
  host.initCat = [] {
    WithHost([](HostChannel& channel) {
      ServiceReply reply;
      return channel.Call(method_dispid::InitCAT, {}, reply);
    });
  };
  return host;
}

}  // namespace kavorin
