#pragma once
// The machine's settings as the registry keeps them: keys named by
// backslash paths under HKEY_LOCAL_MACHINE ("SOFTWARE\TORQ\LOMBRA\LIST1"),
// each holding named values that are texts or 32-bit numbers. On Windows it
// is the registry itself; on Linux a tree of folders under the
// configuration folder with one file a value (registry_store_posix.cpp).
// The stored terminal port and the LOMBRA settings both go through it, and
// tests give a fake of their own.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavorin {

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // Key paths may end in a backslash ("SOFTWARE\TORQ\LOMBRA\LIST1\").

  // The key exists and opens with full access.
  virtual bool OpenKey(std::string_view key) = 0;
  // Creates the key and the keys above it, or opens it when it exists.
  virtual bool CreateKey(std::string_view key) = 0;
  // Deletes a key that has no subkeys, with its values.
  virtual bool DeleteKey(std::string_view key) = 0;

  // A text value that fits `capacity` bytes with its NUL; a longer one is
  // not read at all rather than read cut.
  virtual std::optional<std::string> ReadText(std::string_view key, std::string_view name, std::size_t capacity) = 0;
  virtual std::optional<std::uint32_t> ReadNumber(std::string_view key, std::string_view name) = 0;
  // Texts holding a NUL are refused: they could not be read back whole.
  virtual bool WriteText(std::string_view key, std::string_view name, std::string_view text) = 0;
  virtual bool WriteNumber(std::string_view key, std::string_view name, std::uint32_t value) = 0;

  // The names of a key's values, each shorter than `nameCapacity` bytes
  // (longer ones are left out); nothing when the key cannot be opened.
  virtual std::optional<std::vector<std::string>> ValueNames(std::string_view key, std::size_t nameCapacity) = 0;
};

// The store of this machine (platform part).
RegistryStore& MachineRegistry();

// The key path without a trailing backslash.
std::string_view TrimKeyPath(std::string_view key);

}  // namespace kavorin
