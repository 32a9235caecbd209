#pragma once
// The Linux registry: a folder a key, a file a value, under
//   $KAVORIN_CONFIG_DIR/registry/HKEY_LOCAL_MACHINE/
// "SOFTWARE\TORQ\LOMBRA\LIST1" value "SPEED" is the file
//   .../HKEY_LOCAL_MACHINE/SOFTWARE/TORQ/LOMBRA/LIST1/SPEED
// A text value holds its bytes without the NUL; a number holds its decimal
// digits (a line end after them is accepted, so the files may be edited by
// hand). Writes go through a temporary file and a rename, so a reader never
// sees half a value. A value and a subkey of one key cannot share a name.
#include <string>

#include "config/registry/registry_store.hpp"

namespace kavorin {

class FileRegistryStore final : public RegistryStore {
 public:
  // Keys live under `root`; empty: under the configuration folder of the
  // moment ($KAVORIN_CONFIG_DIR is read at every call).
  explicit FileRegistryStore(std::string root = {});

  bool OpenKey(std::string_view key) override;
  bool CreateKey(std::string_view key) override;
  bool DeleteKey(std::string_view key) override;
  std::optional<std::string> ReadText(std::string_view key, std::string_view name, std::size_t capacity) override;
  std::optional<std::uint32_t> ReadNumber(std::string_view key, std::string_view name) override;
  bool WriteText(std::string_view key, std::string_view name, std::string_view text) override;
  bool WriteNumber(std::string_view key, std::string_view name, std::uint32_t value) override;
  std::optional<std::vector<std::string>> ValueNames(std::string_view key, std::size_t nameCapacity) override;

 private:
  std::string root_;
};

}  // namespace kavorin
