#pragma once
// The members a control offers to scripts, as data: one row a member with
// its DISPID, its names, its parameters and the kind of its result, and the
// handler that runs it. The COM frame (win32/) serves IDispatch from such a
// table; a Linux program calls the same handlers by DISPID or name with
// texts. Texts inside are CP949 bytes, as everywhere in the system.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavorin::control {

enum class ParamKind { Text, Long };
enum class ResultKind { None, Long, Text, Variant };

// A member's result in a form both shells can carry: a number for Long, a
// CP949 text for Text; Variant carries a text (the controls' VARIANT members
// hold a string).
struct MemberResult {
  ResultKind kind = ResultKind::None;
  std::int32_t number = 0;
  std::string text;

  static MemberResult None() { return {}; }
  static MemberResult Long(std::int32_t value) { return {ResultKind::Long, value, {}}; }
  static MemberResult Text(std::string value) { return {ResultKind::Text, 0, std::move(value)}; }
  static MemberResult Variant(std::string value) { return {ResultKind::Variant, 0, std::move(value)}; }
  bool operator==(const MemberResult&) const = default;
};

// Each control derives its object from this; handlers cast back to it.
class ControlObject {
 public:
  virtual ~ControlObject() = default;
};

// The arguments reach a handler in the member's parameter order, as CP949
// texts; a Long parameter as its decimal text (LongArgument reads it).
using MemberArgs = std::span<const std::string>;
using MemberHandler = MemberResult (*)(ControlObject& control, MemberArgs args);

struct Member {
  std::int32_t dispid;
  std::string_view name;             // the name the dispatch table answers to
  std::string_view typeLibraryName;  // the type library's name when it differs; else empty
  // Parameter names in order, separated by spaces; ":long" after a name
  // makes it a Long parameter ("index:long"), every other one is Text.
  std::string_view params;
  ResultKind result;
  MemberHandler handler;
  // False for a member the dispatch table answers by name but the type
  // library does not list.
  bool inTypeLibrary = true;
};

struct Param {
  std::string_view name;
  ParamKind kind;
};

// True when the table has one row a DISPID, 1 to its size, in order: what
// each control asserts of its table at compile time.
constexpr bool DispidsRunFromOne(std::span<const Member> table) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].dispid != static_cast<std::int32_t>(i + 1)) return false;
  }
  return true;
}

std::vector<Param> Params(const Member& member);
std::size_t ParamCount(const Member& member);
// The name a type library lists: typeLibraryName, else name.
std::string_view TypeLibraryName(const Member& member);

// Lookups over one control's table. Names compare without regard to ASCII
// case, as OLE automation compares them; either name of a member finds it.
const Member* FindMember(std::span<const Member> table, std::int32_t dispid);
const Member* FindMember(std::span<const Member> table, std::string_view name);

// A Long parameter's text as a 32-bit integer: optional sign and decimal
// digits; nothing else is accepted.
std::optional<std::int32_t> LongArgument(std::string_view text);

// Why an invocation did not run the member.
enum class InvokeError { None, UnknownMember, WrongArgumentCount, NotANumber };

struct InvokeOutcome {
  InvokeError error = InvokeError::None;
  std::size_t badArgument = 0;  // for NotANumber: the parameter's position
  MemberResult result;
};

// Runs a member with its arguments as texts: the count must match and each
// Long parameter must read as a number.
InvokeOutcome Invoke(std::span<const Member> table, ControlObject& control, std::int32_t dispid, MemberArgs args);
InvokeOutcome Invoke(std::span<const Member> table, ControlObject& control, std::string_view name, MemberArgs args);

}  // namespace kavorin::control
