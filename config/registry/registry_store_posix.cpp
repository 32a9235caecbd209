#include "config/registry/registry_store_posix.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/config_dir.hpp"

namespace kavorin {
namespace {

namespace fs = std::filesystem;

// Key and value names become path parts: nothing may climb out of the tree
// or land in a temporary file's name.
bool IsSafePart(std::string_view part) {
  return !part.empty() && part != "." && part != ".." && part.front() != '.' &&
         part.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::optional<fs::path> KeyFolder(const std::string& root, std::string_view key) {
  fs::path folder = root.empty() ? fs::path(ConfigDir()) / "registry" / "HKEY_LOCAL_MACHINE" : fs::path(root);
  key = TrimKeyPath(key);
  while (!key.empty()) {
    const auto slash = key.find('\\');
    const std::string_view part = key.substr(0, slash);
    if (!IsSafePart(part)) return std::nullopt;
    folder /= std::string(part);
    key = slash == std::string_view::npos ? std::string_view() : key.substr(slash + 1);
  }
  return folder;
}

std::optional<fs::path> ValueFile(const std::string& root, std::string_view key, std::string_view name) {
  if (!IsSafePart(name)) return std::nullopt;
  auto folder = KeyFolder(root, key);
  if (!folder) return std::nullopt;
  return *folder / std::string(name);
}

// At most `limit` bytes of a value file; nothing when it cannot be read or
// holds more.
std::optional<std::string> ReadBounded(const fs::path& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(limit + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got > limit) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

bool WriteAtomically(const fs::path& path, std::string_view bytes) {
  std::error_code ec;
  if (!fs::is_directory(path.parent_path(), ec)) return false;
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) fs::remove(temporary, ec);
  return !ec;
}

}  // namespace

FileRegistryStore::FileRegistryStore(std::string root) : root_(std::move(root)) {}

bool FileRegistryStore::OpenKey(std::string_view key) {
  const auto folder = KeyFolder(root_, key);
  std::error_code ec;
  return folder && fs::is_directory(*folder, ec);
}

bool FileRegistryStore::CreateKey(std::string_view key) {
  const auto folder = KeyFolder(root_, key);
  if (!folder) return false;
  std::error_code ec;
  fs::create_directories(*folder, ec);
  return fs::is_directory(*folder, ec);
}

bool FileRegistryStore::DeleteKey(std::string_view key) {
  const auto folder = KeyFolder(root_, key);
  std::error_code ec;
  if (!folder || TrimKeyPath(key).empty() || !fs::is_directory(*folder, ec)) return false;
  for (const auto& entry : fs::directory_iterator(*folder, ec)) {
    if (entry.is_directory(ec)) return false;  // a key with subkeys stays, as in the registry
  }
  if (ec) return false;
  return fs::remove_all(*folder, ec) != static_cast<std::uintmax_t>(-1) && !ec;
}

std::optional<std::string> FileRegistryStore::ReadText(std::string_view key, std::string_view name,
                                                       std::size_t capacity) {
  const auto file = ValueFile(root_, key, name);
  if (!file || capacity == 0) return std::nullopt;
  auto text = ReadBounded(*file, capacity);
  if (!text) return std::nullopt;
  text->resize(std::min(text->size(), text->find('\0')));
  if (text->size() + 1 > capacity) return std::nullopt;
  return text;
}

std::optional<std::uint32_t> FileRegistryStore::ReadNumber(std::string_view key, std::string_view name) {
  const auto file = ValueFile(root_, key, name);
  if (!file) return std::nullopt;
  auto text = ReadBounded(*file, 12);
  if (!text) return std::nullopt;
  if (!text->empty() && text->back() == '\n') text->pop_back();
  if (text->empty() || text->size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool FileRegistryStore::WriteText(std::string_view key, std::string_view name, std::string_view text) {
  const auto file = ValueFile(root_, key, name);
  if (!file || text.find('\0') != std::string_view::npos) return false;
  return WriteAtomically(*file, text);
}

bool FileRegistryStore::WriteNumber(std::string_view key, std::string_view name, std::uint32_t value) {
  const auto file = ValueFile(root_, key, name);
  return file && WriteAtomically(*file, std::to_string(value));
}

std::optional<std::vector<std::string>> FileRegistryStore::ValueNames(std::string_view key,
                                                                      std::size_t nameCapacity) {
  const auto folder = KeyFolder(root_, key);
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder, ec)) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(*folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(ec) && IsSafePart(name) && name.size() < nameCapacity) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

RegistryStore& MachineRegistry() {
  static FileRegistryStore store;
  return store;
}

}  // namespace kavorin
