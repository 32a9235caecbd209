#pragma once
// The exports of the client library, by ordinal: one row an export, made
// from the service catalogue. The Windows .def file, the by-ordinal import
// tables of the web controls and the command line come from these rows, and
// the tests hold the built libraries and the public header against them.
#include <span>
#include <string>
#include <string_view>

#include "contract/service_catalogue.hpp"

namespace kavorin {

// The ordinal of every export by its name: export_ordinal::CreditAuth.
namespace export_ordinal {
#define KAVORIN_ORDINAL_ENUMERATOR(ordinal, name, ...) name = ordinal,
enum : int { KAVORIN_EXPORTS(KAVORIN_ORDINAL_ENUMERATOR) };
#undef KAVORIN_ORDINAL_ENUMERATOR
}  // namespace export_ordinal

struct ExportEntry {
  int ordinal;
  std::string_view name;        // the plain name, also the Linux symbol
  bool decorated;               // exported on Windows as _name@bytes
  int hostDispid;               // the host method it forwards to; 0 when local
  std::string_view hostMethod;  // that method's name; empty when local
  // Argument names in order, separated by spaces; "buffer" stands for every
  // caller-owned buffer the export writes.
  std::string_view arguments;
  std::string_view parameters;   // the C parameter list, "void" for none
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
