#include "web/kavorin_web/library_binding.hpp"

#include <utility>

#include "client/api/include/KAVORIN_Ctl.h"

namespace kavorin::web {
namespace {

// The exports take up to 23 texts; a caller for each count, made once.
constexpr std::size_t kMostArguments = 23;

template <std::size_t>
using TextArgument = char*;

template <std::size_t... I>
int CallWith(ExportAddress address, [[maybe_unused]] std::span<char* const> args, std::index_sequence<I...>) {
  using Function = int(KAVORIN_CALL*)(TextArgument<I>...);
  return reinterpret_cast<Function>(address)(args[I]...);
}

template <std::size_t N>
int CallN(ExportAddress address, std::span<char* const> args) {
  return CallWith(address, args, std::make_index_sequence<N>{});
}

template <std::size_t... N>
constexpr auto MakeCallers(std::index_sequence<N...>) {
  return std::array<int (*)(ExportAddress, std::span<char* const>), sizeof...(N)>{&CallN<N>...};
}

constexpr auto kCallers = MakeCallers(std::make_index_sequence<kMostArguments + 1>{});

}  // namespace

LibraryBinding BindLibrary(const std::function<ExportAddress(const ExportEntry& entry)>& resolve) {
  LibraryBinding binding;
  for (const ExportEntry& entry : ExportTable()) {
    binding.byOrdinal[static_cast<std::size_t>(entry.ordinal)] = resolve(entry);
  }
  return binding;
}

int CallExport(const LibraryBinding& binding, int ordinal, std::span<char* const> args) {
  const ExportAddress address = binding.At(ordinal);
  if (address == nullptr) return kExportMissing;
  const int count = ArgumentCount(ExportByOrdinal(ordinal));
  if (static_cast<std::size_t>(count) != args.size() || args.size() > kMostArguments) return kExportMissing;
  return kCallers[args.size()](address, args);
}

}  // namespace kavorin::web
