// Writes the module-definition file of KAVORIN_Ctl.dll from the export
// table of the service catalogue, so that the ordinals and export names live
// in one place. Built and
// run on the build machine:
//
//   make_def <output.def> [--stdcall-symbols]
//   make_def --imports <imports.def> <imports.cpp> [--stdcall-symbols]
//
// With --stdcall-symbols (i686) every export is bound to its decorated
// object symbol (name@bytes); x86_64 has no such decoration. Either way the
// names the DLL exports are those of ExportedName(): plain for most rows,
// "_name@bytes" for the rows the table marks.
//
// --imports writes what a module needs to import the DLL at load time by
// ordinal: a definition file for an import library in which every export is
// an ordinal without a name (except ordinal 66, imported by its decorated
// name), under a link-time symbol KavorinCtlOrdinal<N>, and a C++ file
// that declares those symbols and lists their addresses by ordinal.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

#include "contract/export_table.hpp"
#include "common/write_if_changed.hpp"

namespace {

// Ordinal 66 is imported under its exported (decorated) name.
constexpr int kImportedByName = 66;

using kavorin::WriteIfChanged;

std::string ImportSymbol(const kavorin::ExportEntry& entry) { return "KavorinCtlOrdinal" + std::to_string(entry.ordinal); }

std::string MakeDef(bool stdcall_symbols) {
  std::ostringstream def;
  def << "; Generated from contract/service_catalogue.hpp by make_def: edit the catalogue, not this file.\n"
      << "LIBRARY \"KAVORIN_Ctl.dll\"\n"
      << "EXPORTS\n";
  for (const kavorin::ExportEntry& entry : kavorin::ExportTable()) {
    std::string symbol(entry.name);
    if (stdcall_symbols) symbol += "@" + std::to_string(4 * kavorin::ArgumentCount(entry));
    def << "  \"" << kavorin::ExportedName(entry) << "\" = " << symbol << " @" << entry.ordinal << "\n";
  }
  return def.str();
}

std::string MakeImportDef(bool stdcall_symbols) {
  std::ostringstream def;
  def << "; Generated from contract/service_catalogue.hpp by make_def --imports: edit the catalogue, not this file.\n"
      << "LIBRARY \"KAVORIN_Ctl.dll\"\n"
      << "EXPORTS\n";
  for (const kavorin::ExportEntry& entry : kavorin::ExportTable()) {
    std::string symbol = ImportSymbol(entry);
    if (stdcall_symbols) symbol += "@" + std::to_string(4 * kavorin::ArgumentCount(entry));
    if (entry.ordinal == kImportedByName) {
      def << "  " << symbol << " @" << entry.ordinal << " == " << kavorin::ExportedName(entry) << "\n";
    } else {
      def << "  " << symbol << " @" << entry.ordinal << " NONAME\n";
    }
  }
  return def.str();
}

std::string MakeImportSource() {
  std::ostringstream cpp;
  cpp << "// Generated from contract/service_catalogue.hpp by make_def --imports: edit the catalogue, not this file.\n"
      << "#include \"client/api/include/KAVORIN_Ctl.h\"\n\n"
      << "extern \"C\" {\n";
  for (const kavorin::ExportEntry& entry : kavorin::ExportTable()) {
    cpp << "__declspec(dllimport) int KAVORIN_CALL " << ImportSymbol(entry) << "(";
    for (int i = 0; i < kavorin::ArgumentCount(entry); ++i) cpp << (i == 0 ? "" : ", ") << "char*";
    cpp << ");\n";
  }
  cpp << "}\n\n"
      << "using KavorinCtlImport = void (*)();\n"
      << "// The DLL's exports by ordinal, as the loader bound them; [0] is unused.\n"
      << "extern const KavorinCtlImport kKavorinCtlImports[" << kavorin::ExportTable().size() + 1 << "];\n"
      << "const KavorinCtlImport kKavorinCtlImports[" << kavorin::ExportTable().size() + 1 << "] = {\n"
      << "    nullptr,\n";
  for (const kavorin::ExportEntry& entry : kavorin::ExportTable()) {
    cpp << "    reinterpret_cast<KavorinCtlImport>(&" << ImportSymbol(entry) << "),\n";
  }
  cpp << "};\n";
  return cpp.str();
}

int Usage() {
  std::cerr << "usage: make_def <output.def> [--stdcall-symbols]\n"
               "       make_def --imports <imports.def> <imports.cpp> [--stdcall-symbols]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--imports") == 0) {
    if (argc < 4 || argc > 5 || (argc == 5 && std::strcmp(argv[4], "--stdcall-symbols") != 0)) return Usage();
    const bool stdcall_symbols = argc == 5;
    return WriteIfChanged(argv[2], MakeImportDef(stdcall_symbols)) && WriteIfChanged(argv[3], MakeImportSource())
               ? 0
               : 1;
  }
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--stdcall-symbols") != 0)) return Usage();
  return WriteIfChanged(argv[1], MakeDef(argc == 3)) ? 0 : 1;
}
