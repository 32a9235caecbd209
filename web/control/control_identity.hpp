#pragma once
// What a control registers itself as, and what its About box and property
// page say: fixed per control, so one constant of this type a control. The
// COM frame registers, describes and unregisters a control from it alone.
#include <cstdint>
#include <string_view>

namespace kavorin::control {

struct ControlIdentity {
  // The file the control ships as ("KAVORIN_Web.ocx"): its registry entries
  // name the module's own path; this is for messages and tests.
  std::string_view moduleName;

  // Type library: name, LIBID, version, help string.
  std::string_view typeLibraryName;
  std::string_view libid;
  std::uint16_t versionMajor;
  std::uint16_t versionMinor;
  std::string_view typeLibraryHelp;

  // The dispatch interface and the (memberless) event interface.
  std::string_view dispatchName;
  std::string_view dispatchIid;
  std::string_view eventsName;
  std::string_view eventsIid;

  // The control class.
  std::string_view coclassName;
  std::string_view clsid;
  std::string_view progId;
  std::string_view typeName;
  std::uint32_t miscStatus;   // OLEMISC_* bits, as registered under MiscStatus
  int toolboxBitmap;          // resource id registered under ToolboxBitmap32

  // The property page class.
  std::string_view pageClsid;
  std::string_view pageProgId;
  std::string_view pageTypeName;
  std::string_view pageCaption;

  // The About box.
  std::string_view aboutCaption;
  std::string_view aboutText;

  // The version stamp the control persists, major in the high word.
  std::uint32_t persistedVersion;
};

// Activate when visible, set client site first, inside-out, can't link
// inside, recompose on resize: what a scriptable control of this system
// registers.
inline constexpr std::uint32_t kScriptableControlMiscStatus = 0x20191;

}  // namespace kavorin::control
