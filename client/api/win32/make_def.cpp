// Writes the module-definition file of KAVORIN_Ctl.dll from the ordinal
// table, so that the ordinals and export names live in one place. Built and
// run on the build machine:
//
//   make_def <output.def> [--stdcall-symbols]
//
// With --stdcall-symbols (i686) every export is bound to its decorated
// object symbol (name@bytes); x86_64 has no such decoration. Either way the
// names the DLL exports are those of ExportedName(): plain for most rows,
// "_name@bytes" for the rows the table marks.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "client/api/export_table.hpp"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--stdcall-symbols") != 0)) {
    std::cerr << "usage: make_def <output.def> [--stdcall-symbols]\n";
    return 2;
  }
  const bool stdcall_symbols = argc == 3;

  std::ostringstream def;
  def << "; Generated from client/api/export_table.cpp by make_def: edit the table, not this file.\n"
      << "LIBRARY \"KAVORIN_Ctl.dll\"\n"
      << "EXPORTS\n";
  for (const kavorin::ExportEntry& entry : kavorin::ExportTable()) {
    std::string symbol(entry.name);
    if (stdcall_symbols) symbol += "@" + std::to_string(4 * kavorin::ArgumentCount(entry));
    def << "  \"" << kavorin::ExportedName(entry) << "\" = " << symbol << " @" << entry.ordinal << "\n";
  }

  // Rewrite only on a change, so an unchanged table relinks nothing.
  {
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream old;
    old << in.rdbuf();
    if (in && old.str() == def.str()) return 0;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << def.str();
  return out ? 0 : 1;
}
