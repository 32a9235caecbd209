#include "web/control/member_table.hpp"

#include <charconv>

namespace kavorin::control {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

constexpr std::string_view kLongSuffix = ":long";

}  // namespace

std::vector<Param> Params(const Member& member) {
  std::vector<Param> params;
  std::string_view rest = member.params;
  while (!rest.empty()) {
    const std::size_t space = rest.find(' ');
    std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    if (word.empty()) continue;
    ParamKind kind = ParamKind::Text;
    if (word.ends_with(kLongSuffix)) {
      word.remove_suffix(kLongSuffix.size());
      kind = ParamKind::Long;
    }
    params.push_back({word, kind});
  }
  return params;
}

std::size_t ParamCount(const Member& member) { return Params(member).size(); }

std::string_view TypeLibraryName(const Member& member) {
  return member.typeLibraryName.empty() ? member.name : member.typeLibraryName;
}

const Member* FindMember(std::span<const Member> table, std::int32_t dispid) {
  for (const Member& member : table) {
    if (member.dispid == dispid) return &member;
  }
  return nullptr;
}

const Member* FindMember(std::span<const Member> table, std::string_view name) {
  for (const Member& member : table) {
    if (SameName(member.name, name) || SameName(member.typeLibraryName, name)) return &member;
  }
  return nullptr;
}

std::optional<std::int32_t> LongArgument(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

namespace {

InvokeOutcome Run(const Member* member, ControlObject& control, MemberArgs args) {
  InvokeOutcome outcome;
  if (member == nullptr) {
    outcome.error = InvokeError::UnknownMember;
    return outcome;
  }
  const std::vector<Param> params = Params(*member);
  if (params.size() != args.size()) {
    outcome.error = InvokeError::WrongArgumentCount;
    return outcome;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (params[i].kind == ParamKind::Long && !LongArgument(args[i])) {
      outcome.error = InvokeError::NotANumber;
      outcome.badArgument = i;
      return outcome;
    }
  }
  outcome.result = member->handler(control, args);
  return outcome;
}

}  // namespace

InvokeOutcome Invoke(std::span<const Member> table, ControlObject& control, std::int32_t dispid, MemberArgs args) {
  return Run(FindMember(table, dispid), control, args);
}

InvokeOutcome Invoke(std::span<const Member> table, ControlObject& control, std::string_view name, MemberArgs args) {
  return Run(FindMember(table, name), control, args);
}

}  // namespace kavorin::control
