// The registry itself, under HKEY_LOCAL_MACHINE.
#include <windows.h>

#include <algorithm>

#include "config/registry/registry_store.hpp"

namespace kavorin {
namespace {

class Key {
 public:
  Key(std::string_view path, REGSAM access, bool create) {
    const std::string name(TrimKeyPath(path));
    const LSTATUS status =
        create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                 &key_, nullptr)
               : RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, access, &key_);
    if (status != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class WindowsRegistryStore final : public RegistryStore {
 public:
  bool OpenKey(std::string_view key) override { return static_cast<bool>(Key(key, KEY_ALL_ACCESS, false)); }

  bool CreateKey(std::string_view key) override { return static_cast<bool>(Key(key, KEY_ALL_ACCESS, true)); }

  bool DeleteKey(std::string_view key) override {
    const std::string name(TrimKeyPath(key));
    return !name.empty() && RegDeleteKeyA(HKEY_LOCAL_MACHINE, name.c_str()) == ERROR_SUCCESS;
  }

  std::optional<std::string> ReadText(std::string_view key, std::string_view name, std::size_t capacity) override {
    Key opened(key, KEY_QUERY_VALUE, false);
    if (!opened || capacity == 0) return std::nullopt;
    std::string buffer(capacity, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    const std::string value_name(name);
    if (RegQueryValueExA(opened.get(), value_name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return std::nullopt;
    }
    // The stored size may or may not count a NUL; the text ends at the first.
    buffer.resize(std::min<std::size_t>(size, buffer.size()));
    buffer.resize(std::min(buffer.size(), buffer.find('\0')));
    if (buffer.size() + 1 > capacity) return std::nullopt;
    return buffer;
  }

  std::optional<std::uint32_t> ReadNumber(std::string_view key, std::string_view name) override {
    Key opened(key, KEY_QUERY_VALUE, false);
    if (!opened) return std::nullopt;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const std::string value_name(name);
    if (RegQueryValueExA(opened.get(), value_name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
      return std::nullopt;
    }
    return value;
  }

  bool WriteText(std::string_view key, std::string_view name, std::string_view text) override {
    if (text.find('\0') != std::string_view::npos) return false;
    Key opened(key, KEY_SET_VALUE, false);
    const std::string value_name(name);
    const std::string value(text);
    return opened && RegSetValueExA(opened.get(), value_name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }

  bool WriteNumber(std::string_view key, std::string_view name, std::uint32_t value) override {
    Key opened(key, KEY_SET_VALUE, false);
    const std::string value_name(name);
    const DWORD data = value;
    return opened && RegSetValueExA(opened.get(), value_name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
  }

  std::optional<std::vector<std::string>> ValueNames(std::string_view key, std::size_t nameCapacity) override {
    // Read access is enough to list values, and is all an ordinary user
    // gets on HARDWARE\DEVICEMAP.
    Key opened(key, KEY_READ, false);
    if (!opened) return std::nullopt;
    std::vector<std::string> names;
    std::string buffer(nameCapacity, '\0');
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LSTATUS status =
          RegEnumValueA(opened.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) break;
      names.emplace_back(buffer.data(), std::min<std::size_t>(length, buffer.size()));
    }
    return names;
  }
};

}  // namespace

RegistryStore& MachineRegistry() {
  static WindowsRegistryStore store;
  return store;
}

}  // namespace kavorin
