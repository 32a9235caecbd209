#include "config/lombra/serial_comm_map.hpp"

#include "common/text_codec.hpp"
#include "config/lombra/lombra_config.hpp"

namespace kavorin {

std::vector<std::string> ReadSerialCommMap(RegistryStore& registry, const FieldTestLog& log) {
  std::vector<std::string> ports;
  const auto names = registry.ValueNames(kSerialCommMapKey, kDeviceMapNameBytes);
  if (!names) return ports;
  for (const std::string& name : *names) {
    auto port = registry.ReadText(std::string(kSerialCommMapKey) + "\\", name, kLombraTextBytes);
    if (port) {
      ports.push_back(std::move(*port));
    } else {
      log.Debug(Cp949FromUtf8("설치된 COM 포트 읽어 오기 실패."));
    }
  }
  return ports;
}

}  // namespace kavorin
