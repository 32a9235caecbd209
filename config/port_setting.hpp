#pragma once
// The stored port of the terminal: the registry value "Execute" under
// HKEY_LOCAL_MACHINE "SOFTWARE\HALVERON\KAVORIN\PORT". The port chooser
// writes it; the client library reads it when its ini file names no port.
// Both go through these functions so that they agree on the rules.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kavorin {

inline constexpr char kPortRegistryKey[] = "SOFTWARE\\HALVERON\\KAVORIN\\PORT";
inline constexpr char kPortRegistryValue[] = "Execute";
// Readers take the value into 256 bytes, its NUL included; a longer value
// could be stored but never read back.
inline constexpr std::size_t kPortValueBytes = 256;

enum class PortStoreResult {
  kStored,
  kNotAPortName,  // does not begin with "COM"
  kTooLong,       // would not fit a reader's 256 bytes
  kControlByte,   // holds a control byte (CR, LF, ...): it would reach the
                  // daily log and the host as it is
  kStoreFailed,   // the registry refused
};

// A port name begins with the three capitals "COM"; "com3" is refused.
bool IsPortName(std::string_view text);

// What StorePort would answer before touching the store.
PortStoreResult CheckPortToStore(std::string_view text);

// Platform parts. ReadStoredPort gives the text up to its NUL, or nothing
// when the key or the value cannot be read (or the value is too long).
std::optional<std::string> ReadStoredPort();
PortStoreResult StorePort(std::string_view text);

}  // namespace kavorin
