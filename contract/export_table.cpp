#include "contract/export_table.hpp"

#include <array>

#include "contract/service_methods.hpp"

namespace kavorin {
namespace {

constexpr std::string_view Words(std::string_view spaced) { return spaced.empty() ? spaced : spaced.substr(1); }
constexpr std::string_view CList(std::string_view listed) { return listed.empty() ? "void" : listed.substr(2); }
constexpr std::string_view MethodName(std::string_view method) { return method == "Local" ? "" : method; }

#define KAVORIN_EXPORT_ROW(ordinal, name, decoration, method, call, params, failure) \
  ExportEntry{ordinal,                                                               \
              "KAVORIN_" #name,                                                      \
              std::string_view(#decoration) == "Stdcall",                            \
              method_dispid::method,                                                 \
              MethodName(#method),                                                   \
              Words("" KAVORIN_JOIN(KAVORIN_PARAM_WORD, KAVORIN_UNPAREN params)),    \
              CList("" KAVORIN_JOIN(KAVORIN_PARAM_C, KAVORIN_UNPAREN params)),       \
              failure},
constexpr std::array kExports = {KAVORIN_EXPORTS(KAVORIN_EXPORT_ROW)};
#undef KAVORIN_EXPORT_ROW

constexpr bool OrdinalsRunFromOne() {
  for (std::size_t i = 0; i < kExports.size(); ++i) {
    if (kExports[i].ordinal != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(kExports.size() == 70 && OrdinalsRunFromOne(), "one row an ordinal, 1 to 70 in order");

}  // namespace

std::span<const ExportEntry> ExportTable() { return kExports; }

const ExportEntry& ExportByOrdinal(int ordinal) { return kExports.at(static_cast<std::size_t>(ordinal - 1)); }

const ExportEntry* FindExport(std::string_view name) {
  for (const auto& entry : kExports) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

int ArgumentCount(const ExportEntry& entry) {
  if (entry.arguments.empty()) return 0;
  int count = 1;
  for (const char c : entry.arguments) count += c == ' ' ? 1 : 0;
  return count;
}

std::string ExportedName(const ExportEntry& entry) {
  std::string name;
  if (entry.decorated) name += '_';
  name += entry.name;
  if (entry.decorated) {
    name += '@';
    name += std::to_string(4 * ArgumentCount(entry));
  }
  return name;
}

}  // namespace kavorin
