#pragma once
// An in-memory registry for the store's tests, with failures on request:
// a key that will not open or be created or deleted, a value that will not
// be written.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "config/registry/registry_store.hpp"

namespace kavorin::test {

class FakeRegistry final : public RegistryStore {
 public:
  using Value = std::variant<std::string, std::uint32_t>;

  bool OpenKey(std::string_view key) override { return keys_.contains(Key(key)) && !unopenable.contains(Key(key)); }
  bool CreateKey(std::string_view key) override {
    const std::string name = Key(key);
    if (uncreatable.contains(name)) return false;
    for (std::size_t slash = name.find('\\'); slash != std::string::npos; slash = name.find('\\', slash + 1)) {
      keys_[name.substr(0, slash)];
    }
    keys_[name];
    return true;
  }
  bool DeleteKey(std::string_view key) override {
    const std::string name = Key(key);
    if (undeletable.contains(name) || !keys_.contains(name)) return false;
    keys_.erase(name);
    return true;
  }
  std::optional<std::string> ReadText(std::string_view key, std::string_view name, std::size_t capacity) override {
    const Value* value = Find(key, name);
    if (value == nullptr || !std::holds_alternative<std::string>(*value)) return std::nullopt;
    const std::string& text = std::get<std::string>(*value);
    if (text.size() + 1 > capacity) return std::nullopt;
    return text;
  }
  std::optional<std::uint32_t> ReadNumber(std::string_view key, std::string_view name) override {
    const Value* value = Find(key, name);
    if (value == nullptr || !std::holds_alternative<std::uint32_t>(*value)) return std::nullopt;
    return std::get<std::uint32_t>(*value);
  }
  bool WriteText(std::string_view key, std::string_view name, std::string_view text) override {
    return Write(key, name, std::string(text));
  }
  bool WriteNumber(std::string_view key, std::string_view name, std::uint32_t value) override {
    return Write(key, name, value);
  }
  std::optional<std::vector<std::string>> ValueNames(std::string_view key, std::size_t nameCapacity) override {
    const auto found = keys_.find(Key(key));
    if (found == keys_.end()) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& [name, value] : found->second) {
      if (name.size() < nameCapacity) names.push_back(name);
    }
    return names;
  }

  // Direct access for arranging and checking.
  void Set(std::string_view key, std::string_view name, Value value) {
    CreateKey(key);
    keys_[Key(key)][std::string(name)] = std::move(value);
  }
  void Remove(std::string_view key, std::string_view name) { keys_[Key(key)].erase(std::string(name)); }
  bool HasKey(std::string_view key) const { return keys_.contains(Key(key)); }
  std::optional<Value> Get(std::string_view key, std::string_view name) const {
    const auto found = keys_.find(Key(key));
    if (found == keys_.end() || !found->second.contains(std::string(name))) return std::nullopt;
    return found->second.at(std::string(name));
  }

  std::set<std::string> unopenable, uncreatable, undeletable;
  // "key|name": writes of that value fail; a write count, when set, lets
  // that many writes of any value succeed first.
  std::set<std::string> unwritable;
  int writesLeft = -1;

 private:
  static std::string Key(std::string_view key) { return std::string(TrimKeyPath(key)); }
  const Value* Find(std::string_view key, std::string_view name) const {
    const auto found = keys_.find(Key(key));
    if (found == keys_.end() || unopenable.contains(Key(key))) return nullptr;
    const auto value = found->second.find(std::string(name));
    return value == found->second.end() ? nullptr : &value->second;
  }
  bool Write(std::string_view key, std::string_view name, Value value) {
    const auto found = keys_.find(Key(key));
    if (found == keys_.end() || unwritable.contains(Key(key) + "|" + std::string(name))) return false;
    if (writesLeft == 0) return false;
    if (writesLeft > 0) --writesLeft;
    found->second[std::string(name)] = std::move(value);
    return true;
  }

  std::map<std::string, std::map<std::string, Value>> keys_;
};

}  // namespace kavorin::test
