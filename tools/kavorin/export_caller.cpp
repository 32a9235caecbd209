#include "tools/kavorin/export_caller.hpp"

#include <dlfcn.h>

#include <array>
#include <cctype>
#include <utility>

#include "client/api/include/KAVORIN_Ctl.h"
#include "contract/service_catalogue.hpp"

namespace kavorin::cli {
namespace {

std::string Normalized(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != '-' && c != '_') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

std::string_view ShortName(const ExportEntry& entry) { return entry.name.substr(std::string_view("KAVORIN_").size()); }

using Address = void (*)();

// Every export by ordinal, linked directly so the command line always calls
// the library it was built with.
const std::array<Address, 70>& Exports() {
#define KAVORIN_EXPORT_ADDRESS(ordinal, name, ...) reinterpret_cast<Address>(&KAVORIN_##name),
  static const std::array<Address, 70> exports = {KAVORIN_EXPORTS(KAVORIN_EXPORT_ADDRESS)};
#undef KAVORIN_EXPORT_ADDRESS
  return exports;
}

template <std::size_t... I>
int CallWith(Address address, const std::vector<char*>& args, std::index_sequence<I...>) {
  using Function = int (*)(decltype((void)I, static_cast<char*>(nullptr))...);
  return reinterpret_cast<Function>(address)(args[I]...);
}

template <std::size_t... N>
int Dispatch(Address address, const std::vector<char*>& args, std::index_sequence<N...>) {
  int result = 0;
  ((args.size() == N ? (result = CallWith(address, args, std::make_index_sequence<N>{}), true) : false) || ...);
  return result;
}

}  // namespace

const ExportEntry* FindCommand(std::string_view command) {
  std::string wanted = Normalized(command);
  if (wanted.rfind("kavorin", 0) == 0) wanted.erase(0, 7);
  for (const auto& entry : ExportTable()) {
    const std::string name = Normalized(ShortName(entry));
    if (name == wanted || name == "get" + wanted) return &entry;
  }
  return nullptr;
}

std::string CommandName(const ExportEntry& entry) {
  const std::string_view name = ShortName(entry);
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool upper = std::isupper(static_cast<unsigned char>(c)) != 0;
    if (i > 0 && upper) {
      const char before = name[i - 1];
      const bool after_lower = std::islower(static_cast<unsigned char>(before)) != 0 ||
                               std::isdigit(static_cast<unsigned char>(before)) != 0;
      const bool ends_run = std::isupper(static_cast<unsigned char>(before)) != 0 && i + 1 < name.size() &&
                            std::islower(static_cast<unsigned char>(name[i + 1])) != 0;
      if (after_lower || ends_run) out.push_back('-');
    }
    out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

std::string OptionName(std::string_view argument) {
  std::string out = "--";
  for (std::size_t i = 0; i < argument.size(); ++i) {
    const char c = argument[i];
    if (i > 0 && std::isupper(static_cast<unsigned char>(c)) != 0 &&
        std::isupper(static_cast<unsigned char>(argument[i - 1])) == 0) {
      out.push_back('-');
    }
    out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

bool OptionMatches(std::string_view option, std::string_view argument) {
  return Normalized(option) == Normalized(argument);
}

int CallExport(const ExportEntry& entry, const std::vector<char*>& args) {
  return Dispatch(Exports()[static_cast<std::size_t>(entry.ordinal - 1)], args, std::make_index_sequence<24>{});
}

bool CallsTheNamedExport(const ExportEntry& entry) {
  const std::string name(entry.name);
  return ::dlsym(RTLD_DEFAULT, name.c_str()) == reinterpret_cast<void*>(Exports()[static_cast<std::size_t>(entry.ordinal - 1)]);
}

}  // namespace kavorin::cli
