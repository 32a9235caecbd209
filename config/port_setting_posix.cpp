// The stored port on Linux. There is no registry: each value is a file under
// the configuration folder named after its key,
//   $KAVORIN_CONFIG_DIR/registry/HKEY_LOCAL_MACHINE/SOFTWARE/HALVERON/KAVORIN/PORT/Execute
// holding the text without its NUL. Writes go through a temporary file and
// a rename, so a reader never sees half a value.
#include <errno.h>
#include <stdio.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/config_dir.hpp"
#include "config/port_setting.hpp"

namespace kavorin {
namespace {

std::filesystem::path PortValuePath() {
  return std::filesystem::path(ConfigDir()) / "registry" / "HKEY_LOCAL_MACHINE" / "SOFTWARE" / "HALVERON" / "KAVORIN" / "PORT" /
         kPortRegistryValue;
}

}  // namespace

std::optional<std::string> ReadStoredPort() {
  std::ifstream in(PortValuePath(), std::ios::binary);
  if (!in) return std::nullopt;
  std::string value((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  value = value.substr(0, value.find('\0'));
  if (value.size() + 1 > kPortValueBytes) return std::nullopt;
  return value;
}

PortStoreResult StorePort(std::string_view text) {
  const PortStoreResult check = CheckPortToStore(text);
  if (check != PortStoreResult::kStored) return check;
  const std::filesystem::path path = PortValuePath();
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const std::filesystem::path temporary = path.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) return PortStoreResult::kStoreFailed;
  }
  std::filesystem::rename(temporary, path, ec);
  return ec ? PortStoreResult::kStoreFailed : PortStoreResult::kStored;
}

}  // namespace kavorin
