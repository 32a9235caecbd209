#pragma once
// The exports of the client library, by ordinal: one row an export. The
// ordinals are fixed (web pages bind the library by ordinal), so this table
// is the one place they are written; the Windows .def file is made from it
// and the tests hold the built libraries against it.
#include <span>
#include <string>
#include <string_view>

namespace kavorin {

struct ExportEntry {
  int ordinal;
  std::string_view name;         // the plain name, also the Linux symbol
  bool decorated;                // exported on Windows as _name@bytes
  std::string_view hostMethod;   // the host method it forwards to; empty when local
  std::string_view arguments;    // argument names in order, separated by spaces
  std::string_view failureText;  // message on a host failure (UTF-8 here, shown in CP949)
};

std::span<const ExportEntry> ExportTable();
const ExportEntry& ExportByOrdinal(int ordinal);  // ordinal 1..70
const ExportEntry* FindExport(std::string_view name);
int ArgumentCount(const ExportEntry& entry);
// The name the Windows DLL exports: plain, or "_name@bytes" with 4 bytes an
// argument for the rows marked decorated.
std::string ExportedName(const ExportEntry& entry);

inline constexpr char kComErrorCaption[] = "ATL/COM Error";

}  // namespace kavorin
