#include "web/control/registry_entries.hpp"

namespace kavorin::control {
namespace {

std::string Text(std::string_view view) { return std::string(view); }

RegistryValue Value(std::string key, std::string name, std::string data) {
  return {std::move(key), std::move(name), std::move(data), true};
}
RegistryValue KeyOnly(std::string key) { return {std::move(key), {}, {}, false}; }

}  // namespace

std::vector<RegistryValue> ControlClassEntries(const ControlIdentity& identity, const std::string& modulePath) {
  const std::string clsid = "CLSID\\" + Text(identity.clsid);
  const std::string version = std::to_string(identity.versionMajor) + "." + std::to_string(identity.versionMinor);
  return {
      Value(Text(identity.progId), "", Text(identity.typeName)),
      Value(Text(identity.progId) + "\\CLSID", "", Text(identity.clsid)),
      Value(clsid, "", Text(identity.typeName)),
      Value(clsid + "\\InprocServer32", "", modulePath),
      Value(clsid + "\\InprocServer32", "ThreadingModel", "Apartment"),
      Value(clsid + "\\ProgID", "", Text(identity.progId)),
      KeyOnly(clsid + "\\Control"),
      Value(clsid + "\\MiscStatus", "", "0"),
      Value(clsid + "\\MiscStatus\\1", "", std::to_string(identity.miscStatus)),
      Value(clsid + "\\ToolboxBitmap32", "", modulePath + ", " + std::to_string(identity.toolboxBitmap)),
      Value(clsid + "\\TypeLib", "", Text(identity.libid)),
      Value(clsid + "\\Version", "", version),
  };
}

std::vector<RegistryValue> PropertyPageEntries(const ControlIdentity& identity, const std::string& modulePath) {
  const std::string clsid = "CLSID\\" + Text(identity.pageClsid);
  return {
      Value(Text(identity.pageProgId), "", Text(identity.pageTypeName)),
      Value(Text(identity.pageProgId) + "\\CLSID", "", Text(identity.pageClsid)),
      Value(clsid, "", Text(identity.pageTypeName)),
      Value(clsid + "\\InprocServer32", "", modulePath),
      Value(clsid + "\\InprocServer32", "ThreadingModel", "Apartment"),
  };
}

std::vector<std::string> ControlClassKeys(const ControlIdentity& identity) {
  return {Text(identity.progId), "CLSID\\" + Text(identity.clsid)};
}

std::vector<std::string> PropertyPageKeys(const ControlIdentity& identity) {
  return {Text(identity.pageProgId), "CLSID\\" + Text(identity.pageClsid)};
}

}  // namespace kavorin::control
