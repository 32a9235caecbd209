#pragma once
// The client library as the control sees it: one function address an export
// ordinal, taken from the library's export table. On Windows the control
// imports KAVORIN_Ctl.dll at load time and fills the table from its import
// slots; a Linux program fills it from libKAVORIN_Ctl.so; tests fill it with
// scripted functions. Every export takes only text pointers (inputs or
// caller-owned result buffers) and returns an int.
#include <array>
#include <functional>
#include <span>

#include "contract/export_table.hpp"

namespace kavorin::web {

using ExportAddress = void (*)();

inline constexpr int kExportCount = 70;

struct LibraryBinding {
  std::array<ExportAddress, kExportCount + 1> byOrdinal{};  // [0] unused

  ExportAddress At(int ordinal) const {
    return ordinal >= 1 && ordinal <= kExportCount ? byOrdinal[static_cast<std::size_t>(ordinal)] : nullptr;
  }
};

// Fills a binding row by row of the export table; `resolve` answers null for
// an export it cannot find.
LibraryBinding BindLibrary(const std::function<ExportAddress(const ExportEntry& entry)>& resolve);

// What a call gives when the binding has no address for the export: the
// same code as a library that cannot reach its host.
inline constexpr int kExportMissing = -10000;

// Calls export `ordinal` with `args`, one pointer an argument of the export
// (its count is the export table's); kExportMissing when the binding lacks
// it or the count differs.
int CallExport(const LibraryBinding& binding, int ordinal, std::span<char* const> args);

}  // namespace kavorin::web
