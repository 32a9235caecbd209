#include "config/port_setting.hpp"

namespace kavorin {

bool IsPortName(std::string_view text) { return text.starts_with("COM"); }

PortStoreResult CheckPortToStore(std::string_view text) {
  if (!IsPortName(text)) return PortStoreResult::kNotAPortName;
  if (text.size() + 1 > kPortValueBytes || text.find('\0') != std::string_view::npos) return PortStoreResult::kTooLong;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return PortStoreResult::kControlByte;
  }
  return PortStoreResult::kStored;
}

}  // namespace kavorin
