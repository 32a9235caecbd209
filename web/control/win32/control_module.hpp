#pragma once
// The in-process ActiveX server every control of the system is: one control
// class and its property page a module. A control module supplies its
// definition (ThisControl); the frame does the rest: class objects,
// self-registration, the control object with its OLE interfaces, the page.
#include <windows.h>

#include <atomic>
#include <memory>
#include <span>
#include <string>

#include "web/control/control_identity.hpp"
#include "web/control/member_table.hpp"

namespace kavorin::control {

struct ControlDefinition {
  const ControlIdentity& identity;
  std::span<const Member> members;
  // A fresh control core for each control object.
  std::unique_ptr<ControlObject> (*create)();
};

// Defined once by each control module.
const ControlDefinition& ThisControl();

// The module: its handle, and the counts DllCanUnloadNow looks at (live
// objects of the module, and class-object locks).
HINSTANCE ModuleInstance();
std::string ModulePath();
std::wstring ModulePathWide();
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

// A GUID written as "{...}".
GUID GuidFromText(std::string_view text);

}  // namespace kavorin::control
