#pragma once
// The registry entries of a control and its property page, made from the
// control's identity: keys under HKEY_CLASSES_ROOT, written on registration
// and removed (whole trees) on unregistration.
#include <string>
#include <vector>

#include "web/control/control_identity.hpp"

namespace kavorin::control {

struct RegistryValue {
  std::string key;   // below HKEY_CLASSES_ROOT
  std::string name;  // empty: the key's default value
  std::string data;  // REG_SZ
  bool hasData;      // false: the key only
  bool operator==(const RegistryValue&) const = default;
};

// In the order they are written. `modulePath` is the control file's full path.
std::vector<RegistryValue> ControlClassEntries(const ControlIdentity& identity, const std::string& modulePath);
std::vector<RegistryValue> PropertyPageEntries(const ControlIdentity& identity, const std::string& modulePath);

// The trees unregistration removes for the control class, resp. the page.
std::vector<std::string> ControlClassKeys(const ControlIdentity& identity);
std::vector<std::string> PropertyPageKeys(const ControlIdentity& identity);

}  // namespace kavorin::control
