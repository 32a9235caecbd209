#include "config/registry/registry_store.hpp"

namespace kavorin {

std::string_view TrimKeyPath(std::string_view key) {
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

}  // namespace kavorin
